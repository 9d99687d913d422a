// The run driver and the tick plan it follows: ticks at once while a command
// can run, at the exact deadline of a wait or a cycle, on data from the line;
// stops between steps; scripts as long as the loader allows end normally.
#include <gtest/gtest.h>

#include "engine/run_driver.h"
#include "support/engine_rig.h"
#include "support/event_spin.h"
#include "support/fake_workbook.h"

namespace vel::test {
namespace {

using When = TickPlan::When;

// Runs the event loop until nothing is due at once any more.
void settleEvents() {
    for (int i = 0; i < 1000; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

TEST(TickPlan, SaysWhenTheNextCommandIsDue) {
    struct Case {
        const char* what;
        QStringList script;
        double runMs;  // ticks of 10 ms before looking
        When when;
        double atMs;  // the deadline for When::At
    };
    const Case cases[] = {
        {"a command that can run", {"SCD:%02", "ECD:%0D", "WTM:1"}, 10, When::Now, 0},
        {"end of a wait", {"WTM:0.25"}, 20, When::At, 260},
        {"receive wait ends at its time-out", {"RTM:0.5", "SSS", "RCV", "EEE"}, 40, When::At, 530},
        {"next cycle on the grid", {"ITM:1", "SSS", "EEE"}, 50, When::At, 1020},
        {"cycle without a wait is paced", {"SSS", "EEE"}, 50, When::Paced, 0},
        {"cycle that waited goes on at once", {"SSS", "WTM:0.015", "EEE"}, 50, When::Now, 0},
        {"paused", {"PAU", "WTM:1"}, 20, When::Idle, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineRig rig;
        rig.useScript(c.script);
        ASSERT_TRUE(rig.start());
        rig.runFor(c.runMs);
        const TickPlan plan = rig.engine.nextTick();
        EXPECT_EQ(static_cast<int>(plan.when), static_cast<int>(c.when));
        if (c.when == When::At) {
            EXPECT_EQ(plan.atMs, Fixed4::fromDouble(c.atMs));
        }
    }
}

TEST(TickPlan, TheAcquisitionTimeLimitIsADeadlineWhileTheLoopWaits) {
    EngineRig rig;
    rig.useScript({"RTM:9999", "SSS", "RCV", "EEE"});
    rig.engine.settings().acquisitionLimitMs = Fixed4::fromInt(300);
    ASSERT_TRUE(rig.start());
    rig.runFor(40);
    const TickPlan plan = rig.engine.nextTick();
    ASSERT_EQ(static_cast<int>(plan.when), static_cast<int>(When::At));
    EXPECT_GT(plan.atMs, Fixed4::fromInt(300));
    EXPECT_LT(plan.atMs, Fixed4::fromInt(301));
}

TEST(TickPlan, ASendWaitEndsAtOnceWhenTheBytesHaveLeft) {
    EngineRig rig;
    rig.useScript({"SSS", "SND:A", "WTM:1"});
    ASSERT_TRUE(rig.start());
    rig.runFor(20);  // SSS, then SND sends
    EXPECT_EQ(rig.sentBytes(), QStringLiteral("A"));
    EXPECT_EQ(static_cast<int>(rig.engine.nextTick().when), static_cast<int>(When::Now));
}

TEST(TickPlan, ASendWaitWhoseBytesHaveNotLeftIsLookedAtAfterTheUsualTick) {
    EngineRig rig;
    rig.useScript({"STM:2", "SSS", "SND:A", "WTM:1"});
    ASSERT_TRUE(rig.start());
    rig.port.pendingOutput = 1;  // the line has not taken the byte yet
    rig.runFor(30);              // STM, SSS, SND sends at 30
    const TickPlan plan = rig.engine.nextTick();
    ASSERT_EQ(static_cast<int>(plan.when), static_cast<int>(When::At));
    EXPECT_EQ(plan.atMs, Fixed4::fromInt(40)) << "not the send time-out two seconds on";
    rig.port.pendingOutput = 0;
    EXPECT_EQ(static_cast<int>(rig.engine.nextTick().when), static_cast<int>(When::Now));
}

TEST(RunDriver, TicksAtOnceThroughCommandsThatCanRunWithoutTimePassing) {
    ensureCoreApplication();
    EngineRig rig;
    rig.useScript({"SCD:%02", "ECD:%0D", "DCD:%2C", "STM:100", "RTM:100", "SND:A", "CLR", "BZ0"});
    ASSERT_TRUE(rig.start());
    RunDriver driver(rig.engine);
    bool over = false;
    driver.runOver = [&] { over = true; };
    driver.start();
    EXPECT_TRUE(spinUntil([&] { return over; }, 2000));
    EXPECT_EQ(rig.clock.nowMs(), 0) << "no tick waited for the clock";
    EXPECT_EQ(rig.sentBytes(), QStringLiteral("A"));
    EXPECT_EQ(rig.box.shown, QStringList{QStringLiteral("スクリプトの処理を終了しました")});
}

TEST(RunDriver, DataFromTheLineEndsAReceiveWaitWithoutWaitingForATick) {
    ensureCoreApplication();
    EngineRig rig;
    rig.useScript({"ECD:%0D", "RTM:9999", "SSS", "RCV", "EEE"});
    ASSERT_TRUE(rig.start());
    RunDriver driver(rig.engine);
    driver.start();
    settleEvents();
    ASSERT_EQ(static_cast<int>(rig.engine.nextTick().when), static_cast<int>(When::At)) << "waiting in RCV";
    const qint64 before = driver.ticks();
    rig.port.receive("1.5\r");
    EXPECT_TRUE(spinUntil([&] { return rig.engine.monitor().recordCount() == 1; }, 2000));
    EXPECT_LE(driver.ticks() - before, 5) << "the reply, the cycle's close and its return";
    EXPECT_EQ(rig.clock.nowMs(), 0);
    driver.stopNow();
    EXPECT_FALSE(rig.engine.running());
}

TEST(RunDriver, NoTickBeforeADeadlineAndOneWhenItComes) {
    ensureCoreApplication();
    EngineRig rig;
    rig.useScript({"WTM:0.2", "BZ1"});
    ASSERT_TRUE(rig.start());
    RunDriver driver(rig.engine);
    driver.start();
    settleEvents();
    const qint64 waiting = driver.ticks();
    settleEvents();
    EXPECT_EQ(driver.ticks(), waiting) << "the manual clock has not moved: nothing is due";
    rig.clock.advanceMs(200);
    // The timer was set for 200 ms of real time; the clock says the wait is over when it fires.
    EXPECT_TRUE(spinUntil([&] { return !rig.engine.running(); }, 2000));
}

TEST(RunDriver, AStopConfirmedDuringAStepTakesEffectAfterTheStep) {
    EngineRig rig;
    FakeWorkbook book;
    book.failing.insert(QStringLiteral("selectCell"));  // the record's end shows a notice
    rig.engine.workbook().app = &book;
    rig.engine.workbook().workbookOpen = true;
    rig.engine.settings().csvOn = true;
    rig.engine.settings().csvPath = rig.tmp.path("out.csv");
    rig.useScript({"ECD:%0D", "SSS", "RCV", "EEE"});
    ASSERT_TRUE(rig.start());
    bool runningWhenAnswered = false;
    rig.box.whileShown = [&](const QString&) {
        rig.box.answers.push_back(true);
        rig.engine.requestStop();  // the user presses 終了 while the notice is open
        runningWhenAnswered = rig.engine.running();
    };
    rig.port.receive("1.5\r");
    rig.runFor(100);
    EXPECT_TRUE(runningWhenAnswered) << "the step was not cut in half";
    EXPECT_FALSE(rig.engine.running());
    EXPECT_EQ(rig.engine.monitor().labelMess, QStringLiteral("強制終了しました！ 「戻る」ボタンを押して下さい"));
    const QByteArray csv = rig.tmp.read("out.csv");
    EXPECT_EQ(csv.count("\r\n"), 2) << "one header and the one record:\n" << csv.toStdString();
    rig.runFor(50);
    EXPECT_EQ(rig.tmp.read("out.csv"), csv) << "nothing written after the stop";
    EXPECT_FALSE(rig.tmp.read("Log/DataLog.log").isEmpty());
}

TEST(RunDriver, TheLongestScriptEndsAfterItsLastCommand) {
    EngineRig rig;
    QStringList script{"SND:A"};
    while (script.size() < 32767) script << "CLR";
    rig.useScript(script);
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.engine.tables().scriptCount, 32767);
    int ticks = 0;
    while (rig.engine.running() && ticks < 40000) {
        rig.tick(0);
        ++ticks;
    }
    EXPECT_FALSE(rig.engine.running());
    EXPECT_EQ(rig.sentBytes(), QStringLiteral("A")) << "the first command was not sent again";
    EXPECT_EQ(rig.engine.monitor().labelMess, QStringLiteral("終了しました！ 「戻る」ボタンを押して下さい"));
}

}  // namespace
}  // namespace vel::test
