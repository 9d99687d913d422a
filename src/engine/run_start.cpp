// The start button's work after the window's fields are collected, and the
// start-up steps that come before the main window.
#include <QFileInfo>

#include "engine/engine.h"
#include "engine/run_state_reset.h"
#include "engine/startup.h"
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
    : platform(std::move(p)),
      timer(platform.clock),
      logs(platform.folder, settings, monitor),
      csv(platform.messages) {
    platform.port.setEventHandler([this](const CommEvent& event) { receiveEvent(event); });
    for (RecordSubscriber* output : std::initializer_list<RecordSubscriber*>{
             &workbookOutput_, &monitorOutput_, &alarmLogOutput_, &csvOutput_, &mailOutput_})
        stream.subscribe(*output);
}

bool Engine::startUp() {
    return vel::startUp(timer, platform.messages, run, [this] { rotateLogs(platform.folder); });
}

bool Engine::portOpen() {
    if (!platform.port.isOpen()) platform.port.open();
    if (!platform.port.isOpen()) {
        platform.messages.info(QStringLiteral("通信ポートがオープンできません！"));
        return false;
    }
    platform.port.prepare();
    return true;
}

// The checks of the start button, in their order; the first that fails is
// shown and nothing else happens.
bool Engine::startChecksPass() {
    struct Check {
        bool failed;
        const char16_t* text;
    };
    const QString csvName = settings.csvPath.trimmed();
    const QString normalName = settings.normalMailFile.trimmed();
    const QString alarmName = settings.alarmMailFile.trimmed();
    const Check checks[] = {
        {settings.csvOn && csvName.isEmpty(), u"CSVファイルを指定してください！"},
        {settings.normalMailOn && normalName.isEmpty(), u"通常メール設定ファイルを指定して下さい！"},
        {settings.normalMailOn && !fileExists(normalName), u"通常メール設定ファイルがありません！"},
        {settings.alarmMailOn && alarmName.isEmpty(), u"アラームメール設定ファイルを指定して下さい！"},
        {settings.alarmMailOn && !fileExists(alarmName), u"アラームメール設定ファイルがありません！"},
    };
    for (const Check& check : checks) {
        if (check.failed) {
            platform.messages.info(QString::fromUtf16(check.text));
            return false;
        }
    }
    return true;
}

bool Engine::startRun() {
    if (run.running) return false;
    saveSettings(settings, portSlotOf(platform.port), platform.folder, platform.messages);
    if (!startChecksPass()) return false;
    if (!portOpen()) {
        platform.messages.info(QStringLiteral("通信CH") + QString::number(settings.portNumber[kChannel]) +
                               QStringLiteral("が使用できません！"));
        return false;
    }
    resetRunState(run, tables);
    // Characters left over from the previous run (a reply cut off by its end)
    // would otherwise become the first values of this one; the port's own
    // input was discarded when it was prepared.
    run.receiveBuffer[kChannel].clear();
    if (!loadScript(tables, settings.scriptPath, platform.messages)) return false;
    if (!loadMailRecordsForRun(settings, mailRecords, platform.messages)) return false;
    getStartCell(workbook, settings, platform.messages, hooks.cursor);
    startOutputThreads();

    run.stepIndex = 0;
    openRunMonitor();

    run.runStartDate = timer.localNow();
    run.runStartMs = timer.timerNowMs();
    startMailRun(mailState, settings, run.runStartMs);

    run.stepIndex = 0;
    run.stepPhase = 0;
    run.valueCount = 0;
    run.evaluatedCount = 0;
    run.endRequested = false;
    run.running = true;
    processEvents();
    return true;
}

// The run monitor as it opens: a fresh model, the lamp green, the line
// settings the open port refused on the error line (a line error later
// replaces it), the first tick at once (the loop does nothing until the run
// is set going).
void Engine::openRunMonitor() {
    monitor.reset();
    monitor.labelErrorMess = refusedSettingsLine(platform.port);
    previousTickMs_ = Fixed4{};
    if (hooks.showRunMonitor) hooks.showRunMonitor();
    timerTick();
}

}  // namespace vel
