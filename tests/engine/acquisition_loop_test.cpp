// The script executor over simulated time: cycle grid, waits, replies,
// sending, pauses and the two ways a run ends.
#include <gtest/gtest.h>

#include "support/engine_rig.h"

namespace vel::test {
namespace {

// Every cycle start lies on its grid slot, at most one tick late.
void expectNear(const std::vector<double>& actual, const std::vector<double>& expected, double lateness = 20) {
    ASSERT_GE(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_GE(actual[i], expected[i]) << "cycle " << i;
        EXPECT_LE(actual[i], expected[i] + lateness) << "cycle " << i;
    }
}

TEST(AcquisitionLoop, CyclesKeepTheirGridWhateverEachCycleTakes) {
    EngineRig rig;
    rig.useScript({"ITM:1.0", "SSS", "WTM:0.3", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.runFor(3500);
    expectNear(rig.cycleStarts(), {0, 1000, 2000, 3000});
}

TEST(AcquisitionLoop, AnOverrunningCycleIsFollowedAtOnceUntilTheGridIsCaughtUp) {
    EngineRig rig;
    rig.useScript({"ITM:1.0", "SSS", "RCV", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.runFor(2500);  // the first reply takes 2.5 s
    for (int i = 0; i < 5; ++i) rig.port.receive("1\r");
    rig.runFor(1100);
    const auto starts = rig.cycleStarts();
    ASSERT_GE(starts.size(), 4u);
    EXPECT_LE(starts[1], 2550);  // slot 1000 is long gone
    EXPECT_LE(starts[2], 2600);  // slot 2000 too
    EXPECT_GE(starts[3], 3000);  // slot 3000 is waited for
    EXPECT_LE(starts[3], 3020);
}

TEST(AcquisitionLoop, IntervalSetAfterSssTakesEffectFromTheSecondCycle) {
    EngineRig rig;
    rig.useScript({"SSS", "ITM:0.5", "WTM:0.1", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.runFor(1300);
    const auto starts = rig.cycleStarts();
    ASSERT_GE(starts.size(), 3u);
    EXPECT_LE(starts[1], 160);         // the first end is measured against interval 0
    EXPECT_NEAR(starts[2], 510, 10);   // then the grid from SSS (10 ms) in steps of 500
}

TEST(AcquisitionLoop, WaitsAreMeasuredOnTheClockNotByTicks) {
    struct Case {
        const char* wait;
        double tickMs;
        double minMs, maxMs;  // from the tick that starts the wait to the tick that ends it
    };
    const Case cases[] = {
        {"WTM:0.5", 10, 500, 510},
        {"WTM:0.5", 70, 500, 560},  // late ticks: the first tick after 500 ms of clock time
        {"WTM:0", 10, 0, 0},         // no wait: advances in the same tick
        {"WTM:0.0005", 10, 0, 0},    // below 1 ms
    };
    for (const Case& c : cases) {
        EngineRig rig;
        rig.useScript({"SSS", c.wait, "SND:X", "EEE"});
        ASSERT_TRUE(rig.start());
        rig.tick(c.tickMs);  // SSS
        rig.tick(c.tickMs);  // the wait starts (or ends at once)
        const double started = rig.clock.nowMs();
        for (int i = 0; i < 100 && rig.engine.run().stepIndex == 1; ++i) rig.tick(c.tickMs);
        const double waited = rig.clock.nowMs() - started;
        EXPECT_GE(waited, c.minMs) << c.wait << " every " << c.tickMs;
        EXPECT_LE(waited, c.maxMs) << c.wait << " every " << c.tickMs;
    }
}

TEST(AcquisitionLoop, ReceiveTakesBufferedRepliesAndGivesUpOnItsTimeOut) {
    {  // a reply already waiting is taken in the same tick
        EngineRig rig;
        rig.useScript({"SSS", "RCV", "SET", "EEE"});
        ASSERT_TRUE(rig.start());
        rig.tick();  // SSS
        rig.port.receive("12.5,3.0\r");
        rig.tick();  // RCV
        EXPECT_EQ(rig.engine.run().stepIndex, 2);
        EXPECT_EQ(rig.engine.run().valueCount, 2);
        EXPECT_EQ(rig.engine.tables().dataItems[0].valueText, "12.5");
    }
    {  // RTM 0: the second look gives up
        EngineRig rig;
        rig.useScript({"RTM:0", "SSS", "RCV", "SET", "EEE"});
        ASSERT_TRUE(rig.start());
        rig.tick();  // RTM
        rig.tick();  // SSS
        rig.tick();  // RCV first look
        EXPECT_EQ(rig.engine.run().stepIndex, 2);
        rig.tick();
        EXPECT_EQ(rig.engine.run().stepIndex, 3);
    }
    {  // an end request stops the wait at the next look
        EngineRig rig;
        rig.useScript({"SSS", "RCV", "EEE"});
        rig.engine.settings().acquisitionLimitMs = Fixed4::fromInt(15);  // passed after the second tick
        ASSERT_TRUE(rig.start());
        rig.tick();
        rig.tick();
        EXPECT_EQ(rig.engine.run().stepIndex, 1);
        ASSERT_TRUE(rig.engine.run().endRequested);
        rig.tick();
        EXPECT_EQ(rig.engine.run().stepIndex, 2);
    }
}

TEST(AcquisitionLoop, SendWritesMarkedBytesAndDiscardsWhatDoesNotLeaveInTime) {
    EngineRig rig;
    rig.useScript({"STM:0.1", "SSS", "SND:A%B1", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.port.pendingOutput = 3;  // the line never drains
    rig.runFor(30);
    EXPECT_EQ(rig.port.writes, (QByteArrayList{"A", QByteArray(1, char(0xB1))}));
    EXPECT_TRUE(rig.rsLines.contains(QStringLiteral("● A")));
    EXPECT_EQ(rig.port.outputDiscards, 0);
    rig.runFor(100);
    EXPECT_EQ(rig.port.outputDiscards, 1);
    EXPECT_EQ(rig.engine.run().stepIndex, 3);  // moved on to EEE
}

TEST(AcquisitionLoop, CharacterCodeCommandsAndBreak) {
    EngineRig rig;
    rig.useScript({"SCD:%SX", "ECD:%00", "DCD:;", "SCD:%00", "BRK:0.05", "SSS", "EEE"});
    ASSERT_TRUE(rig.start()) << rig.box.shown.join("|").toStdString();
    rig.runFor(50);
    EXPECT_EQ(rig.engine.run().startCode[0], 0);   // SCD 0 clears the start code
    EXPECT_EQ(rig.engine.run().endCode[0], 13);    // ECD 0 keeps the previous end code
    EXPECT_EQ(rig.engine.run().delimiterCode[0], ';');
    EXPECT_EQ(rig.port.breaks, (QList<bool>{true}));
    rig.runFor(60);
    EXPECT_EQ(rig.port.breaks, (QList<bool>{true, false}));
}

TEST(AcquisitionLoop, PauseStopsEverythingUntilNext) {
    EngineRig rig;
    rig.useScript({"SSS", "WTM:0", "ITM:0", "PAU", "SND:X", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.runFor(100);
    EXPECT_TRUE(rig.engine.run().paused);
    EXPECT_EQ(rig.engine.monitor().labelMess, QStringLiteral("ｽｸﾘﾌﾟﾄNo.3:PAU 停止中！「次へ」ボタンを押して下さい"));
    EXPECT_TRUE(rig.engine.monitor().nextVisible);
    EXPECT_TRUE(rig.port.writes.isEmpty());
    rig.engine.continueAfterPause();
    EXPECT_FALSE(rig.engine.monitor().nextVisible);
    EXPECT_TRUE(rig.engine.monitor().labelMess.isEmpty());
    rig.runFor(30);
    EXPECT_FALSE(rig.port.writes.isEmpty());
}

TEST(AcquisitionLoop, AScriptWithoutCycleRunsOnceAndEndsByItself) {
    EngineRig rig;
    rig.useScript({"SND:A", "EEE", "SND:B"});
    ASSERT_TRUE(rig.start());
    rig.runFor(200);
    EXPECT_FALSE(rig.engine.running());
    EXPECT_EQ(rig.sentBytes(), "AB");  // the command after EEE runs once more
    EXPECT_TRUE(rig.box.shown.contains(QStringLiteral("スクリプトの処理を終了しました")));
    EXPECT_EQ(rig.engine.monitor().labelMess, QStringLiteral("終了しました！ 「戻る」ボタンを押して下さい"));
    EXPECT_EQ(rig.engine.monitor().lampColour, kColourRed);
    EXPECT_TRUE(rig.engine.monitor().closeVisible);
    EXPECT_FALSE(rig.engine.monitor().rsEndVisible);
    EXPECT_TRUE(rig.port.isOpen());  // left open for the next run
    EXPECT_TRUE(rig.engine.monitor().txtLog.contains(QStringLiteral(", データ取得終了")));
}

TEST(AcquisitionLoop, AcquisitionTimeEndsTheRunAtTheFirstCycleEndAfterIt) {
    struct Case {
        double limitMs;
        bool endsBy70s;
    };
    for (const Case c : {Case{60000, true}, Case{0, false}}) {
        EngineRig rig;
        rig.useScript({"ITM:10", "SSS", "WTM:0", "EEE"});
        rig.engine.settings().acquisitionLimitMs = Fixed4::fromDouble(c.limitMs);
        ASSERT_TRUE(rig.start());
        rig.runFor(59990, 50);
        EXPECT_TRUE(rig.engine.running()) << rig.engine.settings().acquisitionLimitMs.raw;
        rig.runFor(10100, 50);
        EXPECT_EQ(!rig.engine.running(), c.endsBy70s) << c.limitMs;
        if (c.endsBy70s) {
            EXPECT_EQ(rig.cycleStarts().size(), 7u);  // 0, 10 .. 60 s
        }
    }
}

TEST(AcquisitionLoop, EeeRightAfterSssDoesItsCycleWorkOnceAndOnlyWaitsAfterwards) {
    EngineRig rig;
    rig.useScript({"ITM:0.1", "SSS", "EEE"});
    rig.engine.settings().numberColumnOn = true;
    rig.engine.settings().acquisitionNumber = 1;
    rig.engine.settings().acquisitionLimitMs = Fixed4::fromInt(200);
    ASSERT_TRUE(rig.start());
    rig.runFor(1000);
    EXPECT_TRUE(rig.engine.running());  // the end request is acted on only at a first look
    EXPECT_EQ(rig.engine.settings().acquisitionNumber, 2);
    EXPECT_GE(rig.cycleStarts().size(), 9u);
    rig.engine.forceEnd();
    EXPECT_FALSE(rig.engine.running());
}

// The number column at the top of its range starts again at 1, never a
// negative number; the window and setup.dat see the same number.
TEST(AcquisitionLoop, TheAcquisitionNumberStartsAgainAtOneAfterItsLargest) {
    EngineRig rig;
    rig.engine.settings().csvOn = true;
    rig.engine.settings().csvPath = rig.tmp.path("out.csv");
    rig.engine.settings().numberColumnOn = true;
    rig.engine.settings().acquisitionNumber = 2147483646;
    QList<int32_t> shown;
    rig.engine.hooks().showAcquisitionNumber = [&](int32_t n) { shown << n; };
    rig.useScript({"ECD:%0D", "SSS", "RCV", "EEE"});
    ASSERT_TRUE(rig.start());
    for (int i = 0; i < 3; ++i) {
        rig.port.receive("7\r");
        rig.runFor(50);
    }
    EXPECT_EQ(rig.tmp.read("out.csv"), QByteArray("\"No\",\"D001\"\r\n2147483646,7\r\n2147483647,7\r\n1,7\r\n"));
    EXPECT_EQ(shown, (QList<int32_t>{2147483647, 1, 2}));
}

TEST(AcquisitionLoop, DefaultScriptTurnsEachReplyIntoACsvRow) {
    EngineRig rig;
    rig.engine.settings().csvOn = true;
    rig.engine.settings().csvPath = rig.tmp.path("out.csv");
    ASSERT_TRUE(rig.start());
    rig.tick();
    rig.port.receive("12.5,3.0\r");
    rig.runFor(50);
    rig.port.receive("12.6,");
    rig.runFor(50);
    rig.port.receive("3.1\r");
    rig.runFor(50);
    EXPECT_EQ(rig.tmp.read("out.csv"), QByteArray("\"D001\",\"D002\"\r\n12.5,3.0\r\n12.6,3.1\r\n"));
    EXPECT_EQ(rig.engine.monitor().recordCount(), 2);
}

}  // namespace
}  // namespace vel::test
