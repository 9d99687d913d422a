#include "web/web_page.h"

#include <QFileInfo>

#include "web/web_config.h"
#include "web/web_output.h"

namespace vel {
namespace {

QString stationName(const ProgramFolder& folder) { return QFileInfo(folder.root).fileName(); }

}  // namespace

WebPage::WebPage() = default;

// The server goes first: its threads read the board and the hub.
WebPage::~WebPage() { server_.reset(); }

bool WebPage::open(const ProgramFolder& folder, const std::function<void(const QString&)>& say) {
    const std::optional<WebConfig> config = webConfig(loadExtensionSettings(folder.extensionIni()), folder);
    if (!config) return false;
    QString failure;
    server_ = WebServer::start(*config, board_, hub_, failure);
    if (!server_) {
        if (say) say(failure);
        std::lock_guard lock(noteMutex_);
        pendingNote_ = failure;
    }
    return server_ != nullptr;
}

RunOutputFactory WebPage::runOutput() {
    return webRunOutput(serving() ? &board_ : nullptr, [this] {
        std::lock_guard lock(noteMutex_);
        return std::exchange(pendingNote_, QString());
    });
}

// Without a page nothing is hooked: the board would copy every record for
// no reader, which a line at a thousand records a second would feel.
void WebPage::watch(const ProgramFolder& folder, StationLines& lines) {
    if (!serving()) return;
    const QString name = stationName(folder);
    board_.addStation(name);
    lines.alarmLine = [this, name, before = std::move(lines.alarmLine)](const QString& line) {
        if (before) before(line);
        board_.alarmLine(name, line);
    };
    lines.afterTick = [this, name, before = std::move(lines.afterTick)](const RunMonitorModel& monitor) {
        if (before) before(monitor);
        board_.afterTick(name, monitor);
    };
}

void WebPage::watch(const ProgramFolder& folder, StationView& view) {
    if (!serving()) return;
    const QString name = stationName(folder);
    view.statusChanged = [this, name, before = std::move(view.statusChanged)](const StationStatus& status) {
        if (before) before(status);
        board_.statusChanged(name, status);
    };
}

}  // namespace vel
