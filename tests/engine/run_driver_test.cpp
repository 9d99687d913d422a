// The run driver and the tick plan it follows: ticks at once while a command
// can run, at the exact deadline of a wait or a cycle, on data from the line;
// stops between steps; scripts as long as the loader allows end normally.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/run_driver.h"
#include "engine/station_watch.h"
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

// Ticks only when the plan says, moving the manual clock to each deadline,
// as the run driver does with real time; "次へ" and the stop come at their
// own moments. Returns the clock time at which the run ended (-1: still on).
struct PlanFollower {
    double nextPressMs = -1;  // "次へ" while paused, from this time on
    double stopAtMs = -1;     // "終了" (answered Yes) at this time

    double run(EngineRig& rig, double limitMs) {
        rig.box.answers.push_back(true);
        while (rig.engine.running() && rig.clock.nowMs() < limitMs) {
            const TickPlan plan = rig.engine.nextTick();
            double next = rig.clock.nowMs();
            if (plan.when == When::At) next = plan.atMs.toDouble() + 0.00005;  // the counter's own unit
            else if (plan.when == When::Paced) next += kUsualTickMs;
            else if (plan.when == When::Idle) next = nextPressMs >= 0 ? std::max(next, nextPressMs) : limitMs;
            if (stopAtMs >= 0 && stopAtMs < next) {
                rig.clock.setMs(stopAtMs);
                rig.engine.requestStop();
                break;
            }
            if (next >= limitMs) {
                rig.clock.setMs(limitMs);
                break;
            }
            rig.clock.setMs(next);
            if (rig.engine.run().paused) rig.engine.continueAfterPause();
            else rig.engine.timerTick();
        }
        return rig.engine.running() ? -1 : rig.clock.nowMs();
    }
};

// Every kind of wait against the acquisition-time limit (1 s) and against a
// stop: the run ends at the moment the loop's rules give, because the plan
// brings a tick then. A silent instrument holds RCV for its default time-out.
TEST(TickPlan, EveryWaitEndsTheRunOnTimeAtTheLimitAndAtAStop) {
    struct Case {
        const char* what;
        QStringList script;
        double endAtLimitMs;  // when the run ends with the limit (next EEE after the limit)
        double pressMs;       // "次へ" from then on (-1: no PAU)
        bool sendStuck = false;  // the line never takes a sent byte: SND waits its whole time-out
    };
    const Case cases[] = {
        {"RCV gives up a tick after the limit", {"ECD:%0D", "SSS", "SND:M?%0D", "RCV", "EEE"}, 1010, -1},
        {"WTM ends by its time", {"SSS", "WTM:3", "EEE"}, 3000, -1},
        {"BRK ends by its time", {"SSS", "BRK:3", "EEE"}, 3000, -1},
        {"SND waits for its time-out", {"STM:3", "SSS", "SND:A", "EEE"}, 3000, -1, true},
        {"cycle wait ends on the grid", {"ITM:3", "SSS", "BZ0", "EEE"}, 3000, -1},
        // 次へ at 5 s closes the cycle; the next one (a paced tick on) pauses
        // again, and its EEE ends the run.
        {"PAU holds until 次へ", {"SSS", "PAU", "EEE"}, 5010, 5000},
    };
    for (const Case& c : cases) {
        for (const bool stop : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (stop ? ", stopped at 700 ms" : ", limit"));
            EngineRig rig;
            rig.useScript(c.script);
            rig.engine.settings().acquisitionLimitMs = Fixed4::fromInt(1000);
            ASSERT_TRUE(rig.start());
            rig.port.pendingOutput = c.sendStuck ? 1 : 0;
            PlanFollower follower{c.pressMs, stop ? 700.0 : -1};
            const double endedAt = follower.run(rig, 20'000'000);
            EXPECT_NEAR(endedAt, stop ? 700 : c.endAtLimitMs, 0.01);
            const QString end = stop ? QStringLiteral("強制終了しました！ 「戻る」ボタンを押して下さい")
                                     : QStringLiteral("終了しました！ 「戻る」ボタンを押して下さい");
            EXPECT_EQ(rig.engine.monitor().labelMess, end);
        }
    }
}

// A silent instrument holds RCV (no RTM: 9,999 s): the no-reply alarm comes
// after silence.cycles cycle intervals (a second each without ITM), at a
// tick the plan brings then; the next reply clears it.
TEST(TickPlan, AReceiveHeldWithoutAReplyRaisesTheNoReplyAlarmOnTime) {
    struct Case {
        const char* interval;  // the ITM line, or none
        int cycles;
        double alarmAtMs;  // -1: none
    };
    const Case cases[] = {
        {"ITM:0.5", 3, 1500},
        {"ITM:0", 3, 3000},
        {"ITM:0.5", 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.interval) + " x" + std::to_string(c.cycles));
        EngineRig rig;
        ExtensionSettings ext;
        ext.silenceCycles = c.cycles;
        saveExtensionSettings(rig.tmp.folder.extensionIni(), ext);
        std::vector<std::pair<double, QString>> alarms;
        rig.engine.lineHooks().alarmLine = [&](const QString& line) { alarms.emplace_back(rig.clock.nowMs(), line); };
        rig.useScript({"ECD:%0D", c.interval, "SSS", "SND:M?%0D", "RCV", "EEE"});
        ASSERT_TRUE(rig.start());
        PlanFollower follower;
        EXPECT_EQ(follower.run(rig, 4000), -1);
        const QString raised = silenceText(c.cycles);
        auto at = [&](const QString& text) {
            for (const auto& [ms, line] : alarms)
                if (line.endsWith(text)) return ms;
            return -1.0;
        };
        EXPECT_NEAR(at(raised), c.alarmAtMs, 0.01);
        rig.port.receive("1\r");
        rig.engine.timerTick();
        EXPECT_EQ(at(replyBackText()) >= 0, c.alarmAtMs >= 0) << "the reply clears it";
        EXPECT_EQ(rig.engine.monitor().recordCount(), 0) << "the cycle was held, not closed";
    }
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
