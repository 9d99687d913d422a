// The start button's work after the window's fields are collected, and the
// start-up steps that come before the main window.
#include <QFileInfo>

#include "engine/engine.h"
#include "engine/run_state_reset.h"
#include "engine/startup.h"
#include "log/log_lines.h"
#include "log/log_rotation.h"
#include "mail/mail_settings.h"
#include "script/script_loader.h"
#include "serial/refused_settings.h"
#include "settings/channel0_port.h"

namespace vel {
namespace {

constexpr int kChannel = 0;

bool fileExists(const QString& path) { return QFileInfo(path).isFile(); }

}  // namespace

Engine::Engine(EnginePlatform p)
    : platform_(std::move(p)),
      timer_(platform_.clock),
      logs_(platform_.folder, settings_, monitor_),
      csv_(platform_.messages) {
    platform_.port.setEventHandler([this](const CommEvent& event) { receiveEvent(event, 0); });
    for (int ch = 1; ch < kChannels; ++ch)
        if (SerialPort* port = platform_.channelPorts[static_cast<size_t>(ch)])
            port->setEventHandler([this, ch](const CommEvent& event) { receiveEvent(event, ch); });
    for (RecordSubscriber* output : std::initializer_list<RecordSubscriber*>{
             &workbookOutput_, &monitorOutput_, &alarmLogOutput_, &csvOutput_, &mailOutput_})
        outputSubscriptions_.push_back(stream_.subscribe(*output));
}

bool Engine::startUp() {
    return vel::startUp(timer_, platform_.messages, run_, [this] { rotateLogs(platform_.folder); });
}

bool Engine::portOpen() {
    if (!platform_.port.isOpen()) platform_.port.open();
    if (!platform_.port.isOpen()) {
        platform_.messages.info(QStringLiteral("通信ポートがオープンできません！"));
        return false;
    }
    platform_.port.prepare();
    return true;
}

// The checks of the start button, in their order; the first that fails is
// shown and nothing else happens.
bool Engine::startChecksPass() {
    struct Check {
        bool failed;
        const char16_t* text;
    };
    const QString csvName = settings_.csvPath.trimmed();
    const QString normalName = settings_.normalMailFile.trimmed();
    const QString alarmName = settings_.alarmMailFile.trimmed();
    const Check checks[] = {
        {settings_.csvOn && csvName.isEmpty(), u"CSVファイルを指定してください！"},
        {settings_.normalMailOn && normalName.isEmpty(), u"通常メール設定ファイルを指定して下さい！"},
        {settings_.normalMailOn && !fileExists(normalName), u"通常メール設定ファイルがありません！"},
        {settings_.alarmMailOn && alarmName.isEmpty(), u"アラームメール設定ファイルを指定して下さい！"},
        {settings_.alarmMailOn && !fileExists(alarmName), u"アラームメール設定ファイルがありません！"},
    };
    for (const Check& check : checks) {
        if (check.failed) {
            platform_.messages.info(QString::fromUtf16(check.text));
            return false;
        }
    }
    return true;
}

bool Engine::startRun() {
    if (run_.running) return false;
    saveSettings(settings_, portSlotOf(platform_.port), platform_.folder, platform_.messages);
    if (!startChecksPass()) return false;
    const ExtensionLoad ini = readExtensionSettings(platform_.folder.extensionIni());
    extensions_ = ini.settings;
    for (const QString& note : ini.notes()) log_.alarmLogLine(loglines::stationChange(timer_.localNow(), note));
    if (!portOpen()) {
        platform_.messages.info(QStringLiteral("通信CH") + QString::number(settings_.portNumber[kChannel]) +
                               QStringLiteral("が使用できません！"));
        return false;
    }
    resetRunState(run_, tables_);
    // Characters left over from the previous run (a reply cut off by its end)
    // would otherwise become the first values of this one; the port's own
    // input was discarded when it was prepared.
    run_.receiveBuffer[kChannel].clear();
    if (!loadScript(tables_, settings_.scriptPath, platform_.messages)) return false;
    if (!channelPortsOpen()) return false;
    startStationWatch();
    if (!loadMailRecordsForRun(settings_, mailRecords_, platform_.messages)) return false;
    getStartCell(workbook_, settings_, platform_.messages, hooks_.cursor);
    startOutputThreads();

    run_.stepIndex = 0;
    openRunMonitor();

    run_.runStartDate = timer_.localNow();
    run_.runStartMs = timer_.timerNowMs();
    startMailRun(mailState_, settings_, run_.runStartMs);

    run_.stepIndex = 0;
    run_.stepPhase = 0;
    run_.valueCount = 0;
    run_.evaluatedCount = 0;
    run_.endRequested = false;
    run_.running = true;
    stream_.publish(RunEvent{RunPhase::Started, run_.runStartDate, &tables_, false, {}});
    processEvents();
    return true;
}

// The run monitor as it opens: a fresh model, the lamp green, the line
// settings the open ports refused on the error line (a line error later
// replaces it), the first tick at once (the loop does nothing until the run
// is set going).
void Engine::openRunMonitor() {
    monitor_.reset();
    monitor_.labelErrorMess = refusedSettingsLines();
    previousTickMs_ = Fixed4{};
    if (hooks_.showRunMonitor) hooks_.showRunMonitor();
    timerTick();
}

}  // namespace vel
