// The script executor: one command per tick, with every wait a count-down or
// a clock comparison looked at again next tick. Window events and the user's
// stop run between ticks, never inside a command.
#include "engine/engine.h"
#include "mail/mail_check.h"
#include "measure/data_set_disp.h"
#include "script/send_text.h"
#include "serial/reply_assembler.h"
#include "log/log_lines.h"

namespace vel {
namespace {

constexpr int kChannel = 0;
const Fixed4 kOneMs = Fixed4::fromInt(1);

}  // namespace

void Engine::processEvents() {
    if (platform.processEvents) platform.processEvents();
}

void Engine::showStep(int index, const QString& suffix) {
    monitor.labelMess = QStringLiteral("ｽｸﾘﾌﾟﾄNo.") + QString::number(index) + suffix;
}

void Engine::loopProg() {
    if (!run.running) return;
    // A tick that is still busy (a message box open, pending events being
    // processed) must not start the loop a second time.
    if (inLoop_) return;
    if (run.paused) return;
    inLoop_ = true;
    const int index = run.stepIndex;
    const ScriptCommand command =
        index >= 0 && index < static_cast<int>(tables.scriptTable.size()) ? tables.scriptTable[index] : ScriptCommand{};
    executeCommand(command, index);
    run.lastExecutedCode = command.code;
    if (settings.acquisitionLimitMs > 0 &&
        timer.timerNowMs() > run.runStartMs + settings.acquisitionLimitMs)
        run.endRequested = true;
    if (run.stepIndex > tables.scriptCount) endOfRun();
    inLoop_ = false;
    if (stopAfterStep_) {
        stopAfterStep_ = false;
        if (run.running) forceEnd();
    }
}

void Engine::executeCommand(const ScriptCommand& command, int index) {
    auto advance = [this] {
        ++run.stepIndex;
        run.stepPhase = 0;
    };
    auto startWait = [this](Fixed4 ms) {
        run.waitRemaining = ms;
        run.stepPhase = 1;
        cyclePaced_ = true;
    };
    const bool firstLook = run.stepPhase == 0;
    switch (command.code) {
    case OpSCD:
        run.startCode[kChannel] = static_cast<uint8_t>(command.param);
        advance();
        break;
    case OpECD:
        if (command.param != 0) run.endCode[kChannel] = static_cast<uint8_t>(command.param);
        advance();
        break;
    case OpDCD:
        if (command.param != 0) run.delimiterCode[kChannel] = static_cast<uint8_t>(command.param);
        advance();
        break;
    case OpBRK:
        if (firstLook) {
            platform.port.setBreak(true);
            if (command.value != 0) {
                startWait(command.value);
                break;
            }
        } else if (run.waitRemaining >= kOneMs) {
            break;
        }
        platform.port.setBreak(false);
        advance();
        break;
    case OpRTM:
        if (command.value >= 0) run.receiveTimeout[kChannel] = command.value;
        advance();
        break;
    case OpSTM:
        if (command.value >= 0) run.sendTimeout[kChannel] = command.value;
        advance();
        break;
    case OpWTM:
        if (firstLook) {
            showStep(index, QStringLiteral(":WTM"));
            if (command.value >= kOneMs) startWait(command.value);
            else advance();
        } else if (run.waitRemaining < kOneMs) {
            advance();
        }
        break;
    case OpITM:
        if (command.value >= 0) run.cycleInterval = command.value;
        advance();
        break;
    case OpPAU:
        run.paused = true;
        monitor.nextVisible = true;
        monitor.focus = MonitorFocus::Next;
        showStep(index, QStringLiteral(":PAU 停止中！「次へ」ボタンを押して下さい"));
        advance();
        break;
    case OpCLR:
        platform.port.discardInput();
        run.receiveBuffer[kChannel].clear();
        advance();
        break;
    case OpBZ0:
        run.beepOnReceive = true;
        advance();
        break;
    case OpBZ1:
        if (platform.beep) platform.beep();
        advance();
        break;
    case OpSSS:
        startCycle();
        break;
    case OpEEE:
        closeCycle(index);
        break;
    case OpRCV:
        if (firstLook) {
            showStep(index, QStringLiteral(":RCV"));
            if (takeReplyNow(kChannel)) {
                cyclePaced_ = true;  // the reply came from the line
                advance();
            } else {
                startWait(run.receiveTimeout[kChannel]);
            }
        } else if (takeReplyNow(kChannel) || run.waitRemaining < kOneMs || run.endRequested) {
            advance();
        }
        break;
    case OpSND:
        if (firstLook) {
            if (command.text.isEmpty()) {
                advance();
                break;
            }
            showStep(index, QStringLiteral(":SND"));
            sendText(command.text);
            startWait(run.sendTimeout[kChannel]);
        } else if (platform.port.outputCount() == 0) {
            advance();
        } else if (run.waitRemaining < kOneMs) {
            platform.port.discardOutput();
            advance();
        }
        break;
    case OpSET:
        evaluatePending();
        run.evaluatedCount = run.valueCount;
        advance();
        break;
    default:  // empty slots and ERR do nothing during a run
        advance();
        break;
    }
}

void Engine::sendText(const QString& text) {
    for (const QByteArray& bytes : sendWrites(text)) platform.port.write(bytes);
    log.rsLogLine(loglines::sent(sendLogText(text)));
}

void Engine::evaluatePending() {
    MeasureContext ctx = measureContext();
    for (int i = run.evaluatedCount; i < run.valueCount; ++i) dataSetDisp(ctx, i);
}

void Engine::startCycle() {
    run.nextCycleMs = timer.timerNowMs() + run.cycleInterval;
    run.valueCount = 0;
    run.evaluatedCount = 0;
    run.stepPhase = 0;
    ++run.stepIndex;
    run.loopStart = static_cast<int16_t>(run.stepIndex);
    cyclePaced_ = false;
    for (int i = 0; i <= kTimeStampItem; ++i) tables.dataItems[i].valueText.clear();
    const QDateTime now = timer.localNow();
    log.alarmLogLine(loglines::acquisitionStarted(now));
    log.rsLogLine(loglines::cycleMarker(now));
}

void Engine::closeCycle(int index) {
    if (run.lastExecutedCode != OpEEE) {
        showStep(index, QStringLiteral(":EEE"));
        run.stepPhase = 0;
        evaluatePending();
        stream.publish(ClosedRecord{run.valueCount, &tables, timer.localNow()});
        run.evaluatedCount = 0;
        run.valueCount = 0;
        if (settings.numberColumnOn) {
            ++settings.acquisitionNumber;
            if (hooks.showAcquisitionNumber) hooks.showAcquisitionNumber(settings.acquisitionNumber);
        }
        for (int i = 0; i <= kTimeStampItem; ++i) tables.dataItems[i].valueText.clear();
        if (run.loopStart < 0 || run.endRequested) {
            run.endRequested = true;
            ++run.stepIndex;
            run.stepPhase = 0;
            monitor.labelMess = QStringLiteral("終了処理中！");
        }
        return;
    }
    if (timer.timerNowMs() >= run.nextCycleMs) {
        run.nextCycleMs = run.nextCycleMs + run.cycleInterval;
        run.stepIndex = run.loopStart;
        cyclePaced_ = false;
        log.rsLogLine(loglines::cycleMarker(timer.localNow()));
    }
}

void Engine::endOfRun() {
    MailContext mail = mailContext();
    mailCheck(mail, false);
    finishOutputThreads();
    run.runEndDate = timer.localNow();
    monitor.lampColour = kColourRed;
    log.alarmLogLine(loglines::acquisitionEnded(timer.localNow()));
    platform.messages.info(QStringLiteral("スクリプトの処理を終了しました"));
    monitor.labelMess = QStringLiteral("終了しました！ 「戻る」ボタンを押して下さい");
    monitor.rsEndVisible = false;
    monitor.closeVisible = true;
    monitor.focus = MonitorFocus::Close;
    run.running = false;
}

}  // namespace vel
