// What the run monitor does to a run: its timer tick, "次へ", and the stop.
#include "engine/engine.h"
#include "log/data_log.h"
#include "log/log_lines.h"
#include "mail/mail_check.h"
#include "measure/value_store.h"
#include "serial/reply_assembler.h"

namespace vel {

void Engine::timerTick() {
    const Fixed4 now = timer.timerNowMs();
    Fixed4 elapsed = now - previousTickMs_;
    if (elapsed < 0) elapsed = Fixed4{};
    if (run.waitRemaining > 0) run.waitRemaining = run.waitRemaining - elapsed;
    previousTickMs_ = now;
    loopProg();
}

const ScriptCommand* Engine::currentCommand() const {
    if (run.stepIndex < 0 || run.stepIndex >= static_cast<int>(tables.scriptTable.size())) return nullptr;
    return &tables.scriptTable[static_cast<size_t>(run.stepIndex)];
}

bool Engine::waitingForNextCycle() const {
    const ScriptCommand* command = currentCommand();
    return run.lastExecutedCode == OpEEE && command && command->code == OpEEE;
}

Fixed4 Engine::nextDeadlineMs() const {
    if (!run.running || run.paused) return Fixed4{};
    if (run.stepPhase == 1 && run.waitRemaining > 0) return previousTickMs_ + run.waitRemaining;
    return waitingForNextCycle() && run.cycleInterval > 0 ? run.nextCycleMs : Fixed4{};
}

bool Engine::replyWaitingForLoop() const {
    if (!run.running || run.paused) return false;
    if (!replyBuffered(run, 0)) return false;
    const ScriptCommand* command = currentCommand();
    const bool onReceive = command && command->code == OpRCV;
    // A wait for time (WTM, BRK, SND's send time-out, the cycle grid) is
    // kept; a receive wait ends as soon as the reply is there.
    if (run.stepPhase == 1 && run.waitRemaining > 0 && !onReceive) return false;
    return !(waitingForNextCycle() && timer.timerNowMs() < run.nextCycleMs);
}

TickPlan Engine::nextTick() const {
    using When = TickPlan::When;
    if (!run.running || run.paused) return {When::Idle, {}};
    if (stopAfterStep_ || replyWaitingForLoop()) return {When::Now, {}};
    TickPlan plan{When::Now, {}};
    const ScriptCommand* command = currentCommand();
    if (run.stepPhase == 1 && run.waitRemaining > 0) {
        // SND waits for its bytes to leave; once they have, the wait is over.
        const bool sent = command && command->code == OpSND && platform.port.outputCount() == 0;
        if (!sent) plan = {When::At, previousTickMs_ + run.waitRemaining};
    } else if (waitingForNextCycle()) {
        if (run.cycleInterval > 0) {
            if (timer.timerNowMs() < run.nextCycleMs) plan = {When::At, run.nextCycleMs};
        } else if (!cyclePaced_) {
            // Without an interval the next cycle is always due; a cycle that
            // waited for nothing is paced by the usual tick instead of a busy loop.
            plan = {When::Paced, {}};
        }
    }
    // The acquisition-time limit ends a run also while it waits.
    if (settings.acquisitionLimitMs > 0 && !run.endRequested && plan.when != When::Now) {
        const Fixed4 limit = run.runStartMs + settings.acquisitionLimitMs + Fixed4::fromRaw(1);
        if (plan.when != When::At || limit < plan.atMs) plan = {When::At, limit};
    }
    return plan;
}

int Engine::nextTickIntervalMs(int tickMs) const {
    const TickPlan plan = nextTick();
    if (plan.when == TickPlan::When::Now) return 0;
    if (plan.when != TickPlan::When::At) return tickMs;
    const int64_t ms = wholeMsUntil(plan.atMs, timer.timerNowMs());
    return ms < tickMs ? static_cast<int>(ms) : tickMs;
}

void Engine::receiveEvent(const CommEvent& event) {
    ReceiveContext ctx{run, monitor, platform.port, timer, lineReport};
    handleCommEvent(ctx, 0, event);
    if (afterReceiveEvent) afterReceiveEvent();
}

bool Engine::takeReplyNow(int channel) {
    const std::optional<QStringList> fields = takeReply(run, log, channel, platform.beep);
    if (!fields) return false;
    MeasureContext ctx = measureContext();
    storeReplyFields(ctx, *fields);
    return true;
}

MeasureContext Engine::measureContext() {
    return MeasureContext{run, tables, settings, pending, timer, stream};
}

MailContext Engine::mailContext() {
    return MailContext{settings, run, tables, monitor, pending, mailState, mailRecords,
                       timer, mailOutbox_ ? static_cast<MailSender&>(*mailOutbox_) : mailSender_, log,
                       platform.folder};
}

void Engine::continueAfterPause() {
    run.paused = false;
    monitor.nextVisible = false;
    monitor.labelMess.clear();
}

void Engine::requestStop() {
    if (!run.running) return;
    if (!platform.messages.ask(QStringLiteral("データ取得を終了しますか？"))) return;
    // A step is never cut in half: a stop confirmed while one runs (its
    // message box open) is carried out when the step is done.
    if (inLoop_) stopAfterStep_ = true;
    else forceEnd();
}

void Engine::forceEnd() {
    finishOutputThreads();
    run.paused = false;
    monitor.nextVisible = false;
    if (!(run.runEndDate > run.runStartDate)) run.runEndDate = timer.localNow();
    run.running = false;
    if (platform.port.isOpen()) platform.port.close();
    csv.closeCsv();
    dataLogWrite(platform.folder, run.runStartDate, run.runEndDate, monitor);
    monitor.rsEndVisible = false;
    monitor.closeVisible = true;
    monitor.focus = MonitorFocus::Close;
    monitor.lampColour = kColourRed;
    monitor.labelMess = QStringLiteral("強制終了しました！ 「戻る」ボタンを押して下さい");
}

}  // namespace vel

namespace vel {
namespace {

// How long the end of a run waits for the output threads: one whole mail call
// (the mail library's own limit) and one office call (the backend's).
constexpr std::chrono::milliseconds kMailFinishLimit{35'000};
constexpr std::chrono::milliseconds kWorkbookFinishLimit{15'000};

}  // namespace

void Engine::startOutputThreads() {
    if (!platform.outputThreads) return;
    if (!mailOutbox_) mailOutbox_ = std::make_unique<MailOutbox>(platform.mailer);
    if (!workbook.app) return;
    if (!workbookWriter_) {
        workbookWriter_ = std::make_unique<WorkbookWriter>(workbook.app);
        // What a refused direct write does, once the refusal comes back.
        workbookWriter_->setOnFailure([this](WorkbookWriteFailure failure) {
            workbook.workbookOpen = false;
            if (failure == WorkbookWriteFailure::CellSelect) platform.messages.info(workbookAccessFailedMessage());
            else log.alarmLogLine(loglines::workbookUnreachable(timer.localNow()));
        });
        workbookWriter_->setOnDropped([this](int dropped) {
            log.alarmLogLine(loglines::workbookRecordsSkipped(timer.localNow(), dropped));
        });
    }
    workbookWriter_->reset();
    workbook.writer = workbookWriter_.get();
}

// Before a run is reported over: every mail sent and every cell written, or
// given up within the limits, their results in the logs.
void Engine::finishOutputThreads() {
    if (mailOutbox_) mailOutbox_->finish(kMailFinishLimit);
    if (workbookWriter_) workbookWriter_->finish(kWorkbookFinishLimit);
    // Between runs the window drives the office itself.
    workbook.writer = nullptr;
}

}  // namespace vel
