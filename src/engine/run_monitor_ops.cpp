// What the run monitor does to a run: its timer tick, "次へ", and the stop.
#include "engine/engine.h"
#include "log/data_log.h"
#include "log/log_lines.h"
#include "mail/mail_check.h"
#include "measure/value_store.h"
#include "serial/reply_assembler.h"

namespace vel {

void Engine::timerTick() {
    const Fixed4 now = timer_.timerNowMs();
    Fixed4 elapsed = now - previousTickMs_;
    if (elapsed < 0) elapsed = Fixed4{};
    if (run_.waitRemaining > 0) run_.waitRemaining = run_.waitRemaining - elapsed;
    previousTickMs_ = now;
    watchPorts();
    loopProg();
    silenceTimeCheck();
}

const ScriptCommand* Engine::currentCommand() const {
    if (run_.stepIndex < 0 || run_.stepIndex >= static_cast<int>(tables_.scriptTable.size())) return nullptr;
    return &tables_.scriptTable[static_cast<size_t>(run_.stepIndex)];
}

bool Engine::waitingForNextCycle() const {
    const ScriptCommand* command = currentCommand();
    return run_.lastExecutedCode == OpEEE && command && command->code == OpEEE;
}

Fixed4 Engine::nextDeadlineMs() const {
    if (!run_.running || run_.paused) return Fixed4{};
    if (run_.stepPhase == 1 && run_.waitRemaining > 0) return previousTickMs_ + run_.waitRemaining;
    return waitingForNextCycle() && run_.cycleInterval > 0 ? run_.nextCycleMs : Fixed4{};
}

bool Engine::replyWaitingForLoop() const {
    if (!run_.running || run_.paused) return false;
    if (!replyBuffered(run_, run_.channel)) return false;
    const ScriptCommand* command = currentCommand();
    const bool onReceive = command && command->code == OpRCV;
    // A wait for time (WTM, BRK, SND's send time-out, the cycle grid) is
    // kept; a receive wait ends as soon as the reply is there.
    if (run_.stepPhase == 1 && run_.waitRemaining > 0 && !onReceive) return false;
    return !(waitingForNextCycle() && timer_.timerNowMs() < run_.nextCycleMs);
}

TickPlan Engine::nextTick() const {
    using When = TickPlan::When;
    if (!run_.running) return {When::Idle, {}};
    if (run_.paused) return withStationDeadlines({When::Idle, {}});
    if (stopAfterStep_ || replyWaitingForLoop()) return {When::Now, {}};
    TickPlan plan{When::Now, {}};
    const ScriptCommand* command = currentCommand();
    if (run_.stepPhase == 1 && run_.waitRemaining > 0) {
        plan = {When::At, previousTickMs_ + run_.waitRemaining};
        // A receive wait gives up at its next look once the run is to end:
        // one usual tick on, so that a reply already on its way still counts
        // (it wakes the driver at once when it comes).
        if (command && command->code == OpRCV && run_.endRequested) plan = {When::Paced, {}};
        // SND waits for its bytes to leave: over at once when they have;
        // the port's send event wakes the driver when they do, and the wait
        // is looked at again after the usual tick in case a port never says.
        if (command && command->code == OpSND) {
            if (platform_.port.outputCount() == 0) plan = {When::Now, {}};
            else if (const Fixed4 soon = timer_.timerNowMs() + Fixed4::fromInt(kUsualTickMs); soon < plan.atMs)
                plan = {When::At, soon};
        }
    } else if (waitingForNextCycle()) {
        if (run_.cycleInterval > 0) {
            if (timer_.timerNowMs() < run_.nextCycleMs) plan = {When::At, run_.nextCycleMs};
        } else if (!cyclePaced_) {
            // Without an interval the next cycle is always due; a cycle that
            // waited for nothing is paced by the usual tick instead of a busy loop.
            plan = {When::Paced, {}};
        }
    }
    // The acquisition-time limit ends a run also while it waits: its moment
    // is a deadline of every wait (a paced cycle looks often enough anyway).
    if (settings_.acquisitionLimitMs > 0 && !run_.endRequested && plan.when == When::At) {
        const Fixed4 limit = run_.runStartMs + settings_.acquisitionLimitMs + Fixed4::fromRaw(1);
        if (limit < plan.atMs) plan = {When::At, limit};
    }
    return withStationDeadlines(plan);
}

int Engine::nextTickIntervalMs(int tickMs) const {
    const TickPlan plan = nextTick();
    if (plan.when == TickPlan::When::Now) return 0;
    if (plan.when != TickPlan::When::At) return tickMs;
    const int64_t ms = wholeMsUntil(plan.atMs, timer_.timerNowMs());
    return ms < tickMs ? static_cast<int>(ms) : tickMs;
}

void Engine::receiveEvent(const CommEvent& event, int channel) {
    ReceiveContext ctx{run_, monitor_, portOf(channel), timer_, lineReport_};
    handleCommEvent(ctx, channel, event);
    // A port that failed is closed and opened again by the station watch.
    if (channel >= 0 && channel < kChannels) watchPort(channel);
    if (afterReceiveEvent) afterReceiveEvent();
}

bool Engine::takeReplyNow(int channel) {
    const std::optional<QStringList> fields = takeReply(run_, log_, channel, platform_.beep);
    if (!fields) return false;
    MeasureContext ctx = measureContext();
    storeReplyFields(ctx, *fields);
    replyTaken(channel);
    return true;
}

MeasureContext Engine::measureContext() {
    return MeasureContext{run_, tables_, settings_, pending_, timer_, stream_};
}

MailContext Engine::mailContext() {
    return MailContext{settings_, run_, tables_, monitor_, pending_, mailState_, mailRecords_,
                       timer_, mailOutbox_ ? static_cast<MailSender&>(*mailOutbox_) : mailSender_, log_,
                       platform_.folder};
}

void Engine::continueAfterPause() {
    // The operator's pause is no silence of the instrument: the held cycle's
    // time counts from here.
    if (run_.paused)
        for (SilenceWatch& watch : silence_)
            if (watch.cycleOpen) watch.cycleStartMs = timer_.timerNowMs();
    run_.paused = false;
    monitor_.nextVisible = false;
    monitor_.labelMess.clear();
}

void Engine::requestStop() {
    if (!run_.running) return;
    if (!platform_.messages.ask(kStopQuestion)) return;
    stopConfirmed();
}

void Engine::stopConfirmed() {
    if (!run_.running) return;
    // A step is never cut in half: a stop confirmed while one runs (its
    // message box open) is carried out when the step is done.
    if (inLoop_) stopAfterStep_ = true;
    else forceEnd();
}

void Engine::closeOutputs() {
    csv_.closeCsv();
    logs_.closeLogs();
}

void Engine::forceEnd() {
    stream_.publish(RunEvent{RunPhase::Ending, timer_.localNow(), &tables_, /*stopped=*/true, {}});
    finishOutputThreads();
    run_.paused = false;
    monitor_.nextVisible = false;
    if (!(run_.runEndDate > run_.runStartDate)) run_.runEndDate = timer_.localNow();
    run_.running = false;
    closePorts();
    csv_.closeCsv();
    dataLogWrite(platform_.folder, run_.runStartDate, run_.runEndDate, monitor_);
    monitor_.rsEndVisible = false;
    monitor_.closeVisible = true;
    monitor_.focus = MonitorFocus::Close;
    monitor_.lampColour = kColourRed;
    monitor_.labelMess = QStringLiteral("強制終了しました！ 「戻る」ボタンを押して下さい");
    runIsOver(/*stopped=*/true);
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
    startRunOutputs();
    if (!platform_.outputThreads) return;
    if (!mailOutbox_) mailOutbox_ = std::make_unique<MailOutbox>(platform_.mailer);
    if (!workbook_.app) return;
    if (!workbookWriter_) {
        workbookWriter_ = std::make_unique<WorkbookWriter>(workbook_.app);
        // What a refused direct write does, once the refusal comes back.
        workbookWriter_->setOnFailure([this](WorkbookWriteFailure failure) {
            workbook_.workbookOpen = false;
            if (failure == WorkbookWriteFailure::CellSelect) platform_.messages.info(workbookAccessFailedMessage());
            else log_.alarmLogLine(loglines::workbookUnreachable(timer_.localNow()));
        });
        workbookWriter_->setOnDropped([this](int dropped) {
            log_.alarmLogLine(loglines::workbookRecordsSkipped(timer_.localNow(), dropped));
        });
    }
    workbookWriter_->reset();
    workbook_.writer = workbookWriter_.get();
    workbook_.writerOverran = false;
}

// Before a run is reported over: every mail sent and every cell written, or
// given up within the limits, their results in the logs.
void Engine::finishOutputThreads() {
    if (mailOutbox_) mailOutbox_->finish(kMailFinishLimit);
    // An office call still running stays the writer's: the workbook counts
    // as closed until the user opens it again.
    if (!finishWriter(workbook_, kWorkbookFinishLimit))
        log_.alarmLogLine(loglines::workbookCallUnfinished(timer_.localNow()));
    for (LiveRunOutput& live : runOutputs_) live.output->finish();
}

void Engine::startRunOutputs() {
    runOutputs_.clear();
    const RunOutputContext context{settings_, extensions_, platform_.folder, log_,
                                   [this] { return timer_.localNow(); }, stream_.station()};
    for (const RunOutputFactory& make : runOutputFactories_) {
        std::unique_ptr<RunOutput> output = make(context);
        if (!output) continue;
        Subscription subscription = stream_.subscribe(*output);
        runOutputs_.push_back(LiveRunOutput{std::move(output), std::move(subscription)});
    }
}

// The last event of a run; its outputs are dropped after they heard it.
void Engine::runIsOver(bool stopped) {
    stream_.publish(RunEvent{RunPhase::Over, timer_.localNow(), &tables_, stopped, {}});
    runOutputs_.clear();
}

}  // namespace vel
