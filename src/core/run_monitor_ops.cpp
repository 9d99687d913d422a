// What the run monitor does to a run: its timer tick, "次へ", and the stop.
#include "core/engine.h"
#include "log/data_log.h"
#include "mail/mail_check.h"
#include "serial/reply_assembler.h"

namespace vel {

void Engine::timerTick() {
    const Fixed4 now = timer.timerNowMs();
    Fixed4 elapsed = now - previousTickMs_;
    if (elapsed < 0) elapsed = Fixed4{};
    if (run.waitRemaining > 0) run.waitRemaining = run.waitRemaining - elapsed;
    previousTickMs_ = now;
    loopProg();
    processEvents();
}

bool Engine::waitingForNextCycle() const {
    return run.cycleInterval > 0 && run.lastExecutedCode == OpEEE && run.stepIndex >= 0 &&
           run.stepIndex < static_cast<int>(tables.scriptTable.size()) &&
           tables.scriptTable[run.stepIndex].code == OpEEE;
}

Fixed4 Engine::nextDeadlineMs() const {
    if (!run.running || run.paused) return Fixed4{};
    if (run.stepPhase == 1 && run.waitRemaining > 0) return previousTickMs_ + run.waitRemaining;
    // Without an interval the next cycle is always due: the usual tick paces
    // it, or a script of SSS and EEE alone would keep the processor busy.
    return waitingForNextCycle() ? run.nextCycleMs : Fixed4{};
}

bool Engine::replyWaitingForLoop() const {
    if (!run.running || run.paused) return false;
    if (!replyBuffered(run, 0)) return false;
    const bool onReceive = run.stepIndex >= 0 && run.stepIndex < static_cast<int>(tables.scriptTable.size()) &&
                           tables.scriptTable[run.stepIndex].code == OpRCV;
    // A wait for time (WTM, BRK, SND's send time-out, the cycle grid) is
    // kept; a receive wait ends as soon as the reply is there.
    if (run.stepPhase == 1 && run.waitRemaining > 0 && !onReceive) return false;
    return !(waitingForNextCycle() && timer.timerNowMs() < run.nextCycleMs);
}

int Engine::nextTickIntervalMs(int tickMs) const {
    // An instrument that sends faster than one reply per few ticks would
    // fill the receive buffer until replies are dropped; while a complete
    // reply waits, the loop goes on at once (window events still run
    // between its steps).
    if (replyWaitingForLoop()) return 0;
    const Fixed4 deadline = nextDeadlineMs();
    if (deadline.raw == 0) return tickMs;
    const Fixed4 left = deadline - timer.timerNowMs();
    const int64_t ms = left.raw <= 0 ? 0 : (left.raw + Fixed4::kScale - 1) / Fixed4::kScale;
    return ms < tickMs ? static_cast<int>(ms) : tickMs;
}

void Engine::receiveEvent(const CommEvent& event) {
    ReceiveContext ctx{run, monitor, platform.port, timer, lineReport};
    handleCommEvent(ctx, 0, event);
}

bool Engine::takeReplyNow(int channel) {
    MeasureContext ctx = measureContext();
    return takeReply(ctx, channel, platform.beep);
}

MeasureContext Engine::measureContext() {
    return MeasureContext{run, tables, settings, monitor, log, pending, timer, workbook, record};
}

MailContext Engine::mailContext() {
    return MailContext{settings, run, tables, monitor, pending, mailState, mailRecords,
                       timer, mailSender_, log, platform.folder};
}

void Engine::continueAfterPause() {
    run.paused = false;
    monitor.nextVisible = false;
    monitor.labelMess.clear();
}

void Engine::requestStop() {
    if (platform.messages.ask(QStringLiteral("データ取得を終了しますか？"))) forceEnd();
}

void Engine::forceEnd() {
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
