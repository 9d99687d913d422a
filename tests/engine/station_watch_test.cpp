// An unattended station on the manual clock: the instrument's port vanishes
// and comes back during a run, cycles go by without replies; each change is
// an alarm-log line and news for the alarm mail.
#include <gtest/gtest.h>

#include "engine/station_watch.h"
#include "support/engine_rig.h"

namespace vel::test {
namespace {

// Asks every half second and waits 0.2 s for the reply.
const QStringList kAskingScript{"ECD:%0D", "RTM:0.2", "ITM:0.5", "SSS", "SND:M?%0D", "RCV", "EEE"};

struct StationRig : EngineRig {
    QStringList alarmLines;
    bool instrumentAnswers = true;
    qsizetype answered = 0;

    explicit StationRig(const ExtensionSettings& ext) {
        saveExtensionSettings(tmp.folder.extensionIni(), ext);
        engine.lineHooks().alarmLine = [this](const QString& line) { alarmLines << line; };
        useScript(kAskingScript);
    }

    // Ticks for `ms`; the instrument answers each question while it is there.
    void run(double ms) {
        const double end = clock.nowMs() + ms;
        while (clock.nowMs() < end && engine.running()) {
            tick(10);
            if (port.writes.size() > answered) {
                answered = port.writes.size();
                if (instrumentAnswers && port.isOpen()) port.receive("1\r");
            }
        }
    }

    int linesWith(const QString& text) const { return alarmLines.filter(text).size(); }
};

ExtensionSettings station(int reconnectSeconds, int silenceCycles) {
    ExtensionSettings ext;
    ext.reconnectSeconds = reconnectSeconds;
    ext.silenceCycles = silenceCycles;
    return ext;
}

TEST(StationWatch, AVanishedPortIsOpenedAgainOnItsIntervalAndTheRunGoesOn) {
    struct Case {
        int reconnectSeconds;
        double goneMs;        // how long the device stays away
        int triesWhileGone;   // opens that failed
        bool back;
    };
    const Case cases[] = {
        {2, 5000, 2, true},   // tries at +2 s and +4 s fail, +6 s succeeds
        {1, 2500, 2, true},
        {0, 5000, 0, false},  // never tried again
    };
    for (const Case& c : cases) {
        StationRig rig(station(c.reconnectSeconds, 0));
        ASSERT_TRUE(rig.start());
        rig.run(1000);
        const int opensBefore = rig.port.opens;
        const int preparesBefore = rig.port.prepares;
        rig.port.vanish();
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_EQ(rig.linesWith(portLostText()), 1) << c.reconnectSeconds;
        rig.run(c.goneMs);
        EXPECT_EQ(rig.port.opens - opensBefore, c.triesWhileGone) << c.reconnectSeconds;
        EXPECT_TRUE(rig.engine.running()) << "the run goes on without its port";
        rig.port.comeBack();
        const size_t cyclesBefore = rig.cycleStarts().size();
        rig.run(2 * 1000 + 600);
        EXPECT_EQ(rig.port.isOpen(), c.back) << c.reconnectSeconds;
        EXPECT_EQ(rig.linesWith(portBackText()), c.back ? 1 : 0) << c.reconnectSeconds;
        EXPECT_EQ(rig.engine.monitor().labelErrorMess.endsWith(portBackText()), c.back) << "the error line says so";
        EXPECT_EQ(rig.port.prepares - preparesBefore, c.back ? 1 : 0) << "prepared as at a run start";
        EXPECT_EQ(rig.linesWith(portLostText()), 1) << "one loss, one line";
        EXPECT_GE(rig.cycleStarts().size(), cyclesBefore + 4) << "cycles went on";
    }
}

TEST(StationWatch, TheNextTryIsADeadlineOfTheRunDriver) {
    StationRig rig(station(2, 0));
    rig.useScript({"ECD:%0D", "ITM:60", "SSS", "EEE"});  // nothing else is due for a minute
    ASSERT_TRUE(rig.start());
    rig.run(100);
    rig.port.vanish();
    const double lostAt = rig.clock.nowMs();
    const TickPlan plan = rig.engine.nextTick();
    ASSERT_EQ(plan.when, TickPlan::When::At);
    EXPECT_NEAR(plan.atMs.toDouble(), lostAt + 2000, 1);
    // A failed try sets the next one an interval later.
    rig.clock.advanceMs(2000);
    rig.engine.timerTick();
    EXPECT_NEAR(rig.engine.nextTick().atMs.toDouble(), lostAt + 4000, 1);
}

TEST(StationWatch, RepliesAfterTheReturnCarryValues) {
    StationRig rig(station(2, 0));
    ASSERT_TRUE(rig.start());
    rig.run(1000);
    rig.port.vanish();
    rig.run(3000);
    const qsizetype repliesWhileGone = rig.rsLines.filter(QStringLiteral("○")).size();
    rig.port.comeBack();
    rig.run(3000);
    // Back after at most 2 s: the cycles of the last second and more carry replies.
    EXPECT_GE(rig.rsLines.filter(QStringLiteral("○")).size(), repliesWhileGone + 2);
}

// Both changes reach the operator in the alarm mail, even while no record
// carries values.
TEST(StationWatch, PortLossAndReturnGoOutInTheAlarmMail) {
    StationRig rig(station(2, 0));
    rig.engine.settings().alarmMailOn = true;
    rig.engine.settings().alarmMailMinutes = 1;
    rig.engine.settings().alarmMailFile =
        rig.tmp.write("alarm.txt", cp932::encode(QStringLiteral("01.127.0.0.1:25\r\n02.op@example.jp\r\n"
                                                                "05.vel@example.jp\r\n11.警報\r\n")));
    ASSERT_TRUE(rig.start());
    rig.run(1000);
    rig.port.vanish();
    rig.run(4000);
    rig.port.comeBack();
    rig.run(60 * 1000);
    ASSERT_EQ(rig.mailer.sent.size(), 1u);
    const QString body = rig.mailer.sent[0].body;
    EXPECT_TRUE(body.contains(portLostText())) << body.toStdString();
    EXPECT_TRUE(body.contains(portBackText())) << body.toStdString();
    EXPECT_LT(body.indexOf(portLostText()), body.indexOf(portBackText()));
    rig.run(70 * 1000);
    EXPECT_EQ(rig.mailer.sent.size(), 1u) << "each change is mailed once";
}

TEST(StationWatch, SilentCyclesRaiseTheNoReplyAlarmAndTheNextReplyClearsIt) {
    struct Case {
        int limit;
        int silentCycles;
        bool raised;
    };
    const Case cases[] = {
        {0, 6, false},  // off
        {3, 2, false},  // not enough in a row
        {3, 6, true},
        {1, 1, true},
    };
    for (const Case& c : cases) {
        StationRig rig(station(2, c.limit));
        ASSERT_TRUE(rig.start());
        rig.run(1000);  // two answered cycles
        rig.instrumentAnswers = false;
        rig.run(c.silentCycles * 500);
        EXPECT_EQ(rig.linesWith(silenceText(c.limit)), c.raised ? 1 : 0) << c.limit << "/" << c.silentCycles;
        rig.instrumentAnswers = true;
        rig.run(1000);
        EXPECT_EQ(rig.linesWith(replyBackText()), c.raised ? 1 : 0) << c.limit << "/" << c.silentCycles;
        EXPECT_EQ(rig.linesWith(silenceText(c.limit)), c.raised ? 1 : 0) << "raised once per silence";
    }
}

TEST(StationWatch, SilenceCountsCyclesInARow) {
    SilenceWatch w{3};
    const struct {
        bool reply;
        bool raises;
        bool clears;
    } steps[] = {
        {false, false, false}, {false, false, false}, {true, false, false},  // a reply starts the count again
        {false, false, false}, {false, false, false}, {false, true, false},
        {false, false, false},                                              // raised once
        {true, false, true},
    };
    int i = 0;
    for (const auto& s : steps) {
        const bool cleared = s.reply && replyArrived(w);
        EXPECT_EQ(cleared, s.clears) << "step " << i;
        EXPECT_EQ(cycleClosed(w), s.raises) << "step " << i;
        ++i;
    }
}

// Where a script talks to several channels, a cycle that never waits for a
// channel's reply neither counts as silent nor breaks a silent run, and a
// held cycle runs out only once it asked.
TEST(StationWatch, OnlyCyclesThatAskCountForAChannel) {
    SilenceWatch w{2, /*onlyAskedCycles=*/true};
    const Fixed4 second = Fixed4::fromInt(1000);
    const struct {
        bool asked;
        bool reply;
        bool raises;
    } steps[] = {
        {false, false, false}, {false, false, false}, {false, false, false},  // never asked
        {true, false, false},  {false, false, false}, {true, false, true},    // two asked in a row
        {true, true, false},
    };
    int i = 0;
    for (const auto& s : steps) {
        cycleStarted(w, Fixed4::fromInt(10'000 * i));
        if (s.asked) replyAsked(w);
        EXPECT_EQ(silenceDeadlineMs(w, second).raw != 0, s.asked && !w.alarm) << "step " << i;
        if (s.reply) replyArrived(w);
        EXPECT_EQ(cycleClosed(w), s.raises) << "step " << i;
        ++i;
    }
}

// The port goes while the cycle waits for its first reply and is back before
// the cycle's second question: that cycle is closed with what it had (here
// nothing) and asks no more, so the TEMP reply never lands in D1.
TEST(StationWatch, ACycleALossInterruptedNeverStoresAValueUnderAnotherItem) {
    StationRig rig(station(1, 0));
    rig.useScript({"ECD:%0D", "DCD:%2C", "RTM:0.2", "ITM:2", "SSS", "SND:MEAS?%0D", "RCV", "WTM:1.5",
                   "SND:TEMP?%0D", "RCV", "EEE"});
    rig.engine.settings().csvOn = true;
    rig.engine.settings().csvPath = rig.tmp.path("out.csv");
    ASSERT_TRUE(rig.start());
    bool lost = false;
    const double end = 8000;
    while (rig.clock.nowMs() < end && rig.engine.running()) {
        rig.tick(10);
        // Each character is a write of its own: a question is whole at its CR.
        if (rig.port.writes.size() <= rig.answered || rig.port.writes.last() != "\r") continue;
        rig.answered = rig.port.writes.size();
        const QString sent = rig.sentBytes();
        const QString asked = sent.mid(sent.lastIndexOf('?', -1) - 4);
        if (!lost && rig.clock.nowMs() > 2000 && asked.startsWith("MEAS")) {
            rig.port.vanish();  // the second cycle's first question goes unanswered
            rig.port.comeBack();
            lost = true;
        } else if (rig.port.isOpen()) {
            rig.port.receive(asked.startsWith("MEAS") ? "1,2,3\r" : "-40.5\r");
        }
    }
    ASSERT_TRUE(lost);
    EXPECT_EQ(rig.linesWith(portBackText()), 1);
    const QList<QByteArray> rows = rig.tmp.read("out.csv").split('\n');
    ASSERT_GE(rows.size(), 4);
    for (qsizetype i = 1; i + 1 < rows.size(); ++i) EXPECT_EQ(rows[i], "1,2,3,-40.5\r") << i;
    EXPECT_EQ(rows.size() - 2, 3) << "cycles at 0, 4 and 6 s; the one at 2 s had no value";
}

TEST(StationWatch, LateTicksDoNotBunchTheTries) {
    ReconnectSchedule s{Fixed4::fromInt(2000)};
    markPortLost(s, Fixed4::fromInt(1000));
    EXPECT_FALSE(reconnectDue(s, Fixed4::fromInt(2999)));
    EXPECT_TRUE(reconnectDue(s, Fixed4::fromInt(3000)));
    reconnectFailed(s, Fixed4::fromInt(9000));  // the tick came six seconds late
    EXPECT_EQ(nextReconnectMs(s), Fixed4::fromInt(11000));
    reconnectFailed(s, Fixed4::fromInt(11000));
    EXPECT_EQ(nextReconnectMs(s), Fixed4::fromInt(13000));
}

}  // namespace
}  // namespace vel::test

namespace vel::test {
namespace {

// A port that comes and goes faster than the alarm mail may go keeps the
// latest changes waiting for it, never a list that grows without end.
TEST(StationWatch, WaitingMailLinesStayBounded) {
    StationRig rig(station(1, 0));
    rig.engine.settings().alarmMailOn = true;
    rig.engine.settings().alarmMailMinutes = 1;
    rig.engine.settings().alarmMailFile =
        rig.tmp.write("alarm.txt", cp932::encode(QStringLiteral("01.127.0.0.1:25\r\n02.op@example.jp\r\n"
                                                                "05.vel@example.jp\r\n11.警報\r\n")));
    ASSERT_TRUE(rig.start());
    for (int i = 0; i < 55; ++i) {  // 110 changes within the first minute
        rig.port.vanish();
        rig.port.comeBack();
        rig.run(1010);
    }
    EXPECT_EQ(rig.linesWith(portBackText()), 55) << "every change is in the alarm log";
    ASSERT_TRUE(rig.mailer.sent.empty());
    rig.run(6000);
    ASSERT_EQ(rig.mailer.sent.size(), 1u);
    const QStringList lines = rig.mailer.sent[0].body.split(QStringLiteral("\r\n"));
    const qsizetype changes = lines.filter(portLostText()).size() + lines.filter(portBackText()).size();
    EXPECT_EQ(changes, 50);
    EXPECT_EQ(lines.filter(portBackText()).size(), 25) << "the latest ones";
}

}  // namespace
}  // namespace vel::test
