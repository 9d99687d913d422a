// The script executor: one command per tick, with every wait a count-down or
// a clock comparison looked at again next tick. Window events and the user's
// stop run between ticks, never inside a command.
#include <limits>

#include "engine/engine.h"
#include "mail/mail_check.h"
#include "measure/data_set_disp.h"
#include "script/send_text.h"
#include "serial/reply_assembler.h"
#include "log/log_lines.h"

namespace vel {
namespace {

const Fixed4 kOneMs = Fixed4::fromInt(1);

// The acquisition number runs up to the largest number setup.dat holds and
// then starts again at 1, the smallest the number field takes: the column
// never turns negative.
int32_t nextAcquisitionNumber(int32_t number) {
    return number == std::numeric_limits<int32_t>::max() ? 1 : number + 1;
}

}  // namespace

void Engine::processEvents() {
    if (platform_.processEvents) platform_.processEvents();
}

void Engine::showStep(int index, const QString& suffix) {
    monitor_.labelMess = QStringLiteral("ｽｸﾘﾌﾟﾄNo.") + QString::number(index) + suffix;
}

void Engine::loopProg() {
    if (!run_.running) return;
    // A tick that is still busy (a message box open, pending events being
    // processed) must not start the loop a second time.
    if (inLoop_) return;
    if (run_.paused) return;
    inLoop_ = true;
    const int index = run_.stepIndex;
    const ScriptCommand command =
        index >= 0 && index < static_cast<int>(tables_.scriptTable.size()) ? tables_.scriptTable[index] : ScriptCommand{};
    executeCommand(command, index);
    run_.lastExecutedCode = command.code;
    if (settings_.acquisitionLimitMs > 0 &&
        timer_.timerNowMs() > run_.runStartMs + settings_.acquisitionLimitMs)
        run_.endRequested = true;
    if (run_.stepIndex > tables_.scriptCount) endOfRun();
    inLoop_ = false;
    if (stopAfterStep_) {
        stopAfterStep_ = false;
        if (run_.running) forceEnd();
    }
}

void Engine::executeCommand(const ScriptCommand& command, int index) {
    auto advance = [this] {
        ++run_.stepIndex;
        run_.stepPhase = 0;
    };
    auto startWait = [this](Fixed4 ms) {
        run_.waitRemaining = ms;
        run_.stepPhase = 1;
        cyclePaced_ = true;
    };
    const bool firstLook = run_.stepPhase == 0;
    const auto channel = static_cast<size_t>(run_.channel);
    SerialPort& port = portOf(run_.channel);
    switch (command.code) {
    case OpSCD:
        run_.startCode[channel] = static_cast<uint8_t>(command.param);
        advance();
        break;
    case OpECD:
        if (command.param != 0) run_.endCode[channel] = static_cast<uint8_t>(command.param);
        advance();
        break;
    case OpDCD:
        if (command.param != 0) run_.delimiterCode[channel] = static_cast<uint8_t>(command.param);
        advance();
        break;
    case OpBRK:
        if (firstLook) {
            port.setBreak(true);
            if (command.value != 0) {
                startWait(command.value);
                break;
            }
        } else if (run_.waitRemaining >= kOneMs) {
            break;
        }
        port.setBreak(false);
        advance();
        break;
    case OpRTM:
        if (command.value >= 0) run_.receiveTimeout[channel] = command.value;
        advance();
        break;
    case OpSTM:
        if (command.value >= 0) run_.sendTimeout[channel] = command.value;
        advance();
        break;
    case OpWTM:
        if (firstLook) {
            showStep(index, QStringLiteral(":WTM"));
            if (command.value >= kOneMs) startWait(command.value);
            else advance();
        } else if (run_.waitRemaining < kOneMs) {
            advance();
        }
        break;
    case OpITM:
        if (command.value >= 0) run_.cycleInterval = command.value;
        advance();
        break;
    case OpPAU:
        run_.paused = true;
        monitor_.nextVisible = true;
        monitor_.focus = MonitorFocus::Next;
        showStep(index, QStringLiteral(":PAU 停止中！「次へ」ボタンを押して下さい"));
        advance();
        break;
    case OpCLR:
        port.discardInput();
        run_.receiveBuffer[channel].clear();
        advance();
        break;
    case OpBZ0:
        run_.beepOnReceive = true;
        advance();
        break;
    case OpBZ1:
        if (platform_.beep) platform_.beep();
        advance();
        break;
    case OpSSS:
        startCycle();
        break;
    case OpEEE:
        closeCycle(index);
        break;
    case OpRCV:
        replyAsked(silence_[channel]);
        if (cycleInterrupted_[channel]) {
            // Which reply of the cycle would come next is unknown after a loss:
            // a value is never stored under another item.
            advance();
        } else if (firstLook) {
            showStep(index, QStringLiteral(":RCV"));
            if (takeReplyNow(run_.channel)) {
                cyclePaced_ = true;  // the reply came from the line
                advance();
            } else {
                startWait(run_.receiveTimeout[channel]);
            }
        } else if (takeReplyNow(run_.channel) || run_.waitRemaining < kOneMs || run_.endRequested) {
            advance();
        }
        break;
    case OpSND:
        if (firstLook) {
            if (command.text.isEmpty() || cycleInterrupted_[channel]) {
                advance();
                break;
            }
            showStep(index, QStringLiteral(":SND"));
            sendText(command.text);
            startWait(run_.sendTimeout[channel]);
        } else if (port.outputCount() == 0) {
            advance();
        } else if (run_.waitRemaining < kOneMs) {
            port.discardOutput();
            advance();
        }
        break;
    case OpCHN:
        run_.channel = command.param;
        advance();
        break;
    case OpSET:
        evaluatePending();
        run_.evaluatedCount = run_.valueCount;
        advance();
        break;
    default:  // empty slots and ERR do nothing during a run
        advance();
        break;
    }
}

void Engine::sendText(const QString& text) {
    SerialPort& port = portOf(run_.channel);
    for (const QByteArray& bytes : sendWrites(text)) port.write(bytes);
    log_.rsLogLine(loglines::sent(sendLogText(text), run_.channel));
}

void Engine::evaluatePending() {
    if (run_.evaluatedCount >= run_.valueCount) return;
    MeasureContext ctx = measureContext();
    // One reading of the local clock for the values evaluated together.
    const QDateTime now = timer_.localNow();
    for (int i = run_.evaluatedCount; i < run_.valueCount; ++i) dataSetDisp(ctx, i, now);
}

void Engine::startCycle() {
    run_.nextCycleMs = timer_.timerNowMs() + run_.cycleInterval;
    run_.valueCount = 0;
    run_.evaluatedCount = 0;
    run_.stepPhase = 0;
    ++run_.stepIndex;
    run_.loopStart = static_cast<int16_t>(run_.stepIndex);
    cyclePaced_ = false;
    cycleBegins();
    for (int i = 0; i <= kTimeStampItem; ++i) tables_.dataItems[i].valueText.clear();
    const QDateTime now = timer_.localNow();
    log_.alarmLogLine(loglines::acquisitionStarted(now));
    log_.rsLogLine(loglines::cycleMarker(now));
}

void Engine::closeCycle(int index) {
    if (run_.lastExecutedCode != OpEEE) {
        showStep(index, QStringLiteral(":EEE"));
        run_.stepPhase = 0;
        evaluatePending();
        silenceCheck();  // before the record goes out, so that its mail check sees the change
        stream_.publish(ClosedRecord{run_.valueCount, &tables_, timer_.localNow(), {}});
        run_.evaluatedCount = 0;
        run_.valueCount = 0;
        if (settings_.numberColumnOn) {
            settings_.acquisitionNumber = nextAcquisitionNumber(settings_.acquisitionNumber);
            if (hooks_.showAcquisitionNumber) hooks_.showAcquisitionNumber(settings_.acquisitionNumber);
        }
        for (int i = 0; i <= kTimeStampItem; ++i) tables_.dataItems[i].valueText.clear();
        if (run_.loopStart < 0 || run_.endRequested) {
            run_.endRequested = true;
            ++run_.stepIndex;
            run_.stepPhase = 0;
            monitor_.labelMess = QStringLiteral("終了処理中！");
        }
        return;
    }
    if (timer_.timerNowMs() >= run_.nextCycleMs) {
        run_.nextCycleMs = run_.nextCycleMs + run_.cycleInterval;
        run_.stepIndex = run_.loopStart;
        cyclePaced_ = false;
        cycleBegins();
        log_.rsLogLine(loglines::cycleMarker(timer_.localNow()));
    }
}

void Engine::endOfRun() {
    // The mail's last check of the run comes with this event.
    stream_.publish(RunEvent{RunPhase::Ending, timer_.localNow(), &tables_, false, {}});
    finishOutputThreads();
    run_.runEndDate = timer_.localNow();
    monitor_.lampColour = kColourRed;
    log_.alarmLogLine(loglines::acquisitionEnded(timer_.localNow()));
    platform_.messages.info(QStringLiteral("スクリプトの処理を終了しました"));
    monitor_.labelMess = QStringLiteral("終了しました！ 「戻る」ボタンを押して下さい");
    monitor_.rsEndVisible = false;
    monitor_.closeVisible = true;
    monitor_.focus = MonitorFocus::Close;
    run_.running = false;
    runIsOver(/*stopped=*/false);
}

}  // namespace vel
