#include "serial/receive_handler.h"

#include <gtest/gtest.h>

#include "support/fake_serial_port.h"
#include "support/manual_clock.h"

namespace vel {
namespace {

struct Bench {
    RunState run;
    RunMonitorModel monitor;
    test::FakeSerialPort port;
    test::ManualClock clock;
    Timer timer{clock};
    LineReportState report;
    ReceiveContext ctx{run, monitor, port, timer, report};

    Bench() {
        timer.timerInit();
        run.running = true;
        port.setEventHandler([this](const CommEvent& e) { handleCommEvent(ctx, 0, e); });
    }
};

TEST(ReceiveHandler, EachCodeShowsItsTextOnlyForErrors) {
    struct Case {
        int code;
        QString shown;  // the error line afterwards; empty = not written
    };
    const QString undefined = "12:00:00 未定義のｴﾗｰまたはｲﾍﾞﾝﾄが発生しました。";
    const Case cases[] = {
        {CommEvSend, ""},
        {CommEvReceive, ""},
        {CommEvCts, ""},
        {CommEvDsr, ""},
        {CommEvCd, ""},
        {CommEvRing, ""},
        {CommEvEof, ""},
        {CommErBreak, "12:00:00 ﾌﾞﾚｰｸ信号を検出しました。"},
        {CommErCtsTimeout, "12:00:00 CTS ﾀｲﾑｱｳﾄを検出しました。"},
        {CommErDsrTimeout, "12:00:00 DSR ﾀｲﾑｱｳﾄを検出しました。"},
        {CommErFrame, "12:00:00 ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。"},
        {1005, undefined},
        {CommErOverrun, "12:00:00 ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。"},
        {CommErCdTimeout, "12:00:00 CD ﾀｲﾑｱｳﾄを検出しました。"},
        {CommErRxOver, "12:00:00 受信ﾊﾞｯﾌｧがｵｰﾊﾞｰﾌﾛｰしました。"},
        {CommErParity, "12:00:00 ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。"},
        {CommErTxFull, "12:00:00 送信ﾊﾞｯﾌｧ ﾌﾙ ｴﾗｰが発生しました。"},
        {CommErDcb, "12:00:00 DCB 取得時にｴﾗｰが発生しました。"},
        {0, undefined},
        {8, undefined},
        {9999, undefined},
    };
    for (const Case& c : cases) {
        Bench b;
        b.port.event(c.code);
        EXPECT_EQ(b.monitor.labelErrorMess, c.shown) << c.code;
        EXPECT_EQ(b.port.inputDiscards, c.shown.isEmpty() ? 0 : 1) << c.code;
    }
}

TEST(ReceiveHandler, LineStateEventsHaveTheirTexts) {
    const std::pair<int, const char*> cases[] = {
        {CommEvCts, "CTS ﾗｲﾝの状態が変化しました。"}, {CommEvDsr, "DSR ﾗｲﾝの状態が変化しました。"},
        {CommEvCd, "CD ﾗｲﾝの状態が変化しました。"},   {CommEvRing, "呼び出し信号を検出しました。"},
        {CommEvEof, "EOF を受信しました。"},
    };
    for (const auto& [code, text] : cases) EXPECT_EQ(commEventText(code), QString(text)) << code;
}

TEST(ReceiveHandler, ErrorLineIsWrittenAtMostOncePerClockSecond) {
    struct Step {
        double advanceMs;
        int code;
        QString shown;
        int discards;
    };
    const Step steps[] = {
        {0, CommErFrame, "12:00:00 ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。", 1},
        {300, CommErFrame, "12:00:00 ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。", 1},   // same second
        {300, CommErParity, "12:00:00 ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。", 1},  // still the same second
        {500, CommErParity, "12:00:01 ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。", 2},     // 12:00:01.1
        {2000, CommEvReceive, "12:00:01 ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。", 2},  // data never rewrites it
        {0, CommEvCts, "12:00:01 ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。", 2},
        {0, CommErOverrun, "12:00:03 ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。", 3},   // shown after a line event
    };
    Bench b;
    for (const Step& s : steps) {
        b.clock.advanceMs(s.advanceMs);
        b.port.event(s.code);
        EXPECT_EQ(b.monitor.labelErrorMess, s.shown) << s.code << " at " << b.clock.nowMs();
        EXPECT_EQ(b.port.inputDiscards, s.discards) << s.code << " at " << b.clock.nowMs();
    }
}

TEST(ReceiveHandler, ReceivedTextIsKeptWhileRunningAndBelowTheBound) {
    struct Case {
        const char* what;
        bool running;
        int before;         // characters already in the buffer
        bool replyWaiting;  // the buffer starts with a complete reply
        QString data;
        int after;
    };
    const Case cases[] = {
        {"appended", true, 0, false, "12,3\r", 5},
        {"dropped while not running", false, 0, false, "12,3\r", 0},
        {"fills up to the bound", true, kReceiveBufferLimit - 1, false, "abc", kReceiveBufferLimit},
        {"dropped at the bound while a reply waits", true, kReceiveBufferLimit, true, "abc", kReceiveBufferLimit},
        {"dropped above the bound while a reply waits", true, kReceiveBufferLimit + 5, true, "abc",
         kReceiveBufferLimit + 5},
        // Nothing in a full buffer without an end code can ever be taken:
        // it is let go so that the next reply gets through.
        {"a full buffer of noise is let go", true, kReceiveBufferLimit, false, "1,2\r", 4},
    };
    for (const Case& c : cases) {
        Bench b;
        b.run.running = c.running;
        b.run.receiveBuffer[0] = QString(c.before, QLatin1Char('x'));
        if (c.replyWaiting) b.run.receiveBuffer[0][0] = QLatin1Char('\r');
        b.port.receive(c.data);
        EXPECT_EQ(b.run.receiveBuffer[0].size(), c.after) << c.what;
        if (c.after > c.before) {
            EXPECT_TRUE(b.run.receiveBuffer[0].endsWith(c.data.left(c.after - c.before))) << c.what;
        }
        if (c.after < c.before) {
            EXPECT_EQ(b.run.receiveBuffer[0], c.data) << c.what;
        }
        EXPECT_EQ(b.port.inputDiscards, 0) << c.what;
    }
}

TEST(ReceiveHandler, CharactersArriveInOrderAcrossEvents) {
    Bench b;
    for (const QString& chunk : {QString("1"), QString("2.5,"), QString("温"), QString("度\r")}) b.port.receive(chunk);
    EXPECT_EQ(b.run.receiveBuffer[0], "12.5,温度\r");
    EXPECT_EQ(b.run.receiveBuffer[1], "");
}

}  // namespace
}  // namespace vel
