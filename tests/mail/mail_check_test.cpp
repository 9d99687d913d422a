#include <gtest/gtest.h>

#include <QStringList>

#include <chrono>

#include "mail/mail_check.h"
#include "mail/mail_compose.h"
#include "mail/mail_outbox.h"
#include "support/fake_mailer.h"
#include "support/manual_clock.h"
#include "support/qstring_printer.h"

namespace vel {
namespace {

class RecordingLog : public LogSink {
public:
    void rsLogLine(const QString& text) override { rs.append(text); }
    void alarmLogLine(const QString& text) override { alarm.append(text); }
    QStringList rs, alarm;
};

constexpr double kMinute = 60'000;

// A run started at 10:00:00 with three data items, both kinds of mail on.
class MailCheckTest : public ::testing::Test {
protected:
    MailCheckTest() : clock(QDateTime(QDate(2001, 6, 1), QTime(10, 0, 0))), timer(clock) {
        timer.timerInit();
        folder.root = QStringLiteral("/opt/vel");
        settings.normalMailOn = true;
        settings.alarmMailOn = true;
        settings.normalMailMinutes = 10;
        settings.alarmMailMinutes = 5;
        resetMailRecords(records);
        for (int k = 0; k < 2; ++k) {
            records[k].server = QStringLiteral("smtp") + QString::number(k);
            records[k].recipients = QStringLiteral("to") + QString::number(k);
            records[k].sender = QStringLiteral("from") + QString::number(k);
            records[k].subject = k == 0 ? QStringLiteral("定時") : QStringLiteral("警報");
        }
        auto& items = tables.dataItems;
        items[kRecordNumberItem].name = QStringLiteral("No.");
        items[kTimeStampItem].name = QStringLiteral("時間");
        const char* names[] = {"Temp", "Press", "Flow"};
        for (int i = 0; i < 3; ++i) {
            items[i].name = QString::fromLatin1(names[i]);
            items[i].valueText = QString::number(10 + i);
        }
        run.valueCount = 3;
        monitor.records = 1;
    }

    void start() { startMailRun(state, settings, timer.timerNowMs()); }
    void at(double minutes) { clock.setMs(minutes * kMinute); }
    void check() { mailCheck(ctx, true); }
    void cycleAt(double minutes) {
        at(minutes);
        check();
    }
    void raise(int i) {
        tables.dataItems[i].alarm = true;
        tables.dataItems[i].alarmOnTime = clock.localNow();
        pending.raised = true;
    }
    void clear(int i) {
        tables.dataItems[i].alarm = false;
        tables.dataItems[i].alarmOffTime = clock.localNow();
        pending.cleared = true;
    }
    QStringList subjects() const {
        QStringList s;
        for (const auto& m : mailer.sent) s.append(m.subject);
        return s;
    }

    test::ManualClock clock;
    Timer timer;
    ProgramFolder folder;
    SettingsRecord settings;
    RunState run;
    ScriptTables tables;
    RunMonitorModel monitor;
    AlarmMailPending pending;
    MailState state;
    MailRecords records;
    test::FakeMailer mailer;
    DirectMailSender sender{mailer};
    RecordingLog log;
    MailContext ctx{settings, run, tables, monitor, pending, state, records, timer, sender, log, folder};
};

TEST_F(MailCheckTest, NormalMailKeepsItsGridFromTheRunStart) {
    settings.alarmMailOn = false;
    start();
    for (int m = 0; m < 35; ++m) cycleAt(m + 0.5);
    EXPECT_EQ(subjects(), QStringList({"1 定時", "2 定時", "3 定時"}));
    // The slots stay on the grid (10, 20, 30 min) however late the cycles came.
    EXPECT_EQ(state.lastNormalMailMs.raw, Fixed4::fromInt(30 * 60'000).raw);
    EXPECT_EQ(state.normalMailCount, 3);
}

TEST_F(MailCheckTest, AfterALongPauseEveryCycleSendsUntilTheGridCatchesUp) {
    settings.alarmMailOn = false;
    start();
    cycleAt(1);
    cycleAt(35);  // slots 10, 20, 30 are overdue
    cycleAt(36);
    cycleAt(37);
    cycleAt(38);
    EXPECT_EQ(subjects(), QStringList({"1 定時", "2 定時", "3 定時"}));
}

TEST_F(MailCheckTest, NothingIsSentWithoutValuesOrBeforeTheFirstRecord) {
    struct Case {
        int valueCount;
        int recordCounter;
    };
    for (const Case c : {Case{0, 5}, Case{3, 0}}) {
        mailer.sent.clear();
        clock.setMs(0);
        start();
        raise(0);
        run.valueCount = static_cast<int16_t>(c.valueCount);
        monitor.records = c.recordCounter;
        cycleAt(11);
        EXPECT_TRUE(mailer.sent.empty()) << c.valueCount << " " << c.recordCounter;
        EXPECT_TRUE(pending.raised);  // not looked at
    }
}

TEST_F(MailCheckTest, NormalMailBodyLinesUpUnmarkedLinesWithMarkedOnes) {
    settings.alarmMailOn = false;
    settings.numberColumnOn = true;
    settings.timeStampMode = 1;
    records[0].bodyHead = QStringLiteral("head\r\n");
    records[0].bodyTail = QStringLiteral("tail\r\n");
    tables.dataItems[kRecordNumberItem].valueText = QStringLiteral("15");
    tables.dataItems[kTimeStampItem].valueText = QStringLiteral("2001/06/01 10:00:00");
    tables.dataItems[1].alarm = true;
    start();
    cycleAt(10.5);
    ASSERT_EQ(mailer.sent.size(), 1u);
    const test::SentMail& m = mailer.sent[0];
    EXPECT_EQ(m.body, QStringLiteral("head\r\n"
                                     "  [001] No.= 15\r\n"
                                     "  [002] 時間= 01/06/01 10:00:00\r\n"
                                     "  [003] Temp= 10\r\n"
                                     "※[004] Press= 11\r\n"
                                     "  [005] Flow= 12\r\n"
                                     "tail\r\n"));
    EXPECT_EQ(records[0].body, m.body);
    EXPECT_EQ(m.logFile, QStringLiteral("/opt/vel/Log/MailLog.log"));
    EXPECT_EQ(m.server, "smtp0");
    EXPECT_EQ(m.destinations, "to0");
    EXPECT_EQ(m.sender, "from0");
    EXPECT_TRUE(m.last.isEmpty());
}

TEST_F(MailCheckTest, TimeOfDayStampIsShownAsTime) {
    settings.alarmMailOn = false;
    settings.timeStampMode = 2;
    tables.dataItems[kTimeStampItem].valueText = QStringLiteral("10:10:30");
    run.valueCount = 1;
    start();
    cycleAt(10.5);
    ASSERT_EQ(mailer.sent.size(), 1u);
    EXPECT_EQ(mailer.sent[0].body, QStringLiteral("  [001] 時間= 10:10:30\r\n  [002] Temp= 10\r\n"));
}

TEST_F(MailCheckTest, AnItemHasTheSameNumberInBothMails) {
    struct Case {
        bool numberColumn;
        int16_t mode;
        const char* first;
    };
    for (const Case c : {Case{false, 0, "[001]"}, Case{true, 0, "[002]"}, Case{false, 1, "[002]"},
                         Case{false, 2, "[002]"}, Case{true, 1, "[003]"}}) {
        mailer.sent.clear();
        state.lastAlarmMailDate = QDateTime();
        settings.numberColumnOn = c.numberColumn;
        settings.timeStampMode = c.mode;
        clock.setMs(0);
        start();
        at(1);
        raise(0);
        cycleAt(10.5);
        ASSERT_EQ(mailer.sent.size(), 2u);
        const QString normalLine = mailer.sent[0].body.split("\r\n").filter("Temp").value(0);
        const QString alarmLine = mailer.sent[1].body.split("\r\n").value(0);
        EXPECT_TRUE(normalLine.startsWith(QStringLiteral("※") + c.first)) << normalLine.toStdString();
        EXPECT_TRUE(alarmLine.startsWith(QStringLiteral("※") + c.first)) << alarmLine.toStdString();
        tables.dataItems[0].alarm = false;
    }
}

TEST(MailIndent, IsAsWideAsTheMarkInCodePageBytes) {
    struct Case {
        QString mark;
        int spaces;
    };
    for (const Case& c : {Case{QStringLiteral("※"), 2}, Case{"*", 1}, Case{QStringLiteral("ｱ"), 1},
                          Case{QStringLiteral("★!"), 3}, Case{"", 0}, Case{QStringLiteral("①㎜"), 4}})
        EXPECT_EQ(mailIndent(c.mark), QString(c.spaces, ' ')) << c.mark.toStdString();
}

TEST_F(MailCheckTest, AlarmIsReportedAfterTheGapWithTheTimeItWasRaised) {
    settings.normalMailOn = false;
    tables.dataItems[0].valueText = QStringLiteral("105.2");
    start();
    at(5.0 / 60);  // 10:00:05
    raise(0);
    for (int m = 0; m <= 5; ++m) cycleAt(m + 5.0 / 60);  // 10:00:05 ... 10:05:05
    ASSERT_EQ(mailer.sent.size(), 1u);
    EXPECT_EQ(mailer.sent[0].subject, QStringLiteral("[1] 警報"));
    EXPECT_EQ(mailer.sent[0].body, QStringLiteral("※[001] Temp= 105.2     10:00:05\r\n"));
    EXPECT_EQ(mailer.sent[0].server, "smtp1");
    EXPECT_FALSE(pending.raised);
    EXPECT_EQ(state.lastAlarmMailDate, QDateTime(QDate(2001, 6, 1), QTime(10, 5, 5)));
}

TEST_F(MailCheckTest, ValuePaddingBeforeTheTime) {
    struct Case {
        const char* value;
        int spaces;
    };
    settings.normalMailOn = false;
    for (const Case c : {Case{"1", 9}, Case{"123456789", 1}, Case{"1234567890", 1}, Case{"123456789012", 1}}) {
        mailer.sent.clear();
        state.lastAlarmMailDate = QDateTime();
        clock.setMs(0);
        start();
        tables.dataItems[0].valueText = QString::fromLatin1(c.value);
        raise(0);
        cycleAt(6);
        ASSERT_EQ(mailer.sent.size(), 1u);
        EXPECT_EQ(mailer.sent[0].body,
                  QStringLiteral("※[001] Temp= ") + c.value + QString(c.spaces, ' ') + QStringLiteral("10:00:00\r\n"));
    }
}

TEST_F(MailCheckTest, ClearedAlarmWithoutRecoveryMailOnlyClearsTheFlags) {
    settings.normalMailOn = false;
    start();
    at(1);
    raise(0);
    at(2);
    clear(0);
    cycleAt(6);
    EXPECT_TRUE(mailer.sent.empty());
    EXPECT_FALSE(pending.raised);
    EXPECT_FALSE(pending.cleared);
    EXPECT_EQ(state.lastAlarmMailMs.raw, Fixed4{}.raw);  // nothing sent: the gap does not restart
    // A new alarm is therefore sent at the very next check.
    at(6.5);
    raise(1);
    cycleAt(6.6);
    ASSERT_EQ(mailer.sent.size(), 1u);
    EXPECT_EQ(mailer.sent[0].body, QStringLiteral("※[002] Press= 11        10:06:30\r\n"));
}

TEST_F(MailCheckTest, RecoveryLineShowsBothTimesIndented) {
    settings.normalMailOn = false;
    settings.mailOnRecovery = true;
    records[1].bodyHead = QStringLiteral("警報発生\r\n");
    start();
    at(1);
    raise(0);
    at(2);
    clear(0);
    at(3);
    raise(2);
    cycleAt(6);
    ASSERT_EQ(mailer.sent.size(), 1u);
    EXPECT_EQ(mailer.sent[0].body, QStringLiteral("警報発生\r\n"
                                                  "  [001] Temp= 10        10:01:00-10:02:00\r\n"
                                                  "※[003] Flow= 12        10:03:00\r\n"));
}

TEST_F(MailCheckTest, AlarmsAlreadyReportedAreNotRepeatedAndTheGapFollowsEachMail) {
    settings.normalMailOn = false;
    start();
    at(1);
    raise(0);
    cycleAt(6);  // first alarm mail at 10:06
    at(7);
    raise(1);  // item 0 still in alarm
    cycleAt(8);
    cycleAt(11);  // exactly one gap after the mail: not later yet
    EXPECT_EQ(mailer.sent.size(), 1u);
    cycleAt(11.01);
    ASSERT_EQ(mailer.sent.size(), 2u);
    EXPECT_EQ(mailer.sent[1].subject, QStringLiteral("[2] 警報"));
    EXPECT_EQ(mailer.sent[1].body, QStringLiteral("※[002] Press= 11        10:07:00\r\n"));
    EXPECT_EQ(state.lastAlarmMailMs.raw, timer.timerNowMs().raw);
}

TEST_F(MailCheckTest, RefusedMailIsLoggedAndTheScheduleGoesOn) {
    settings.mailOnRecovery = false;
    start();
    at(1);
    raise(0);
    mailer.results = {QStringLiteral("接続できません"), QStringLiteral("宛先エラー")};
    cycleAt(10.5);
    ASSERT_EQ(mailer.sent.size(), 2u);
    EXPECT_EQ(log.alarm, QStringList({"2001/06/01 10:10:30, 通常メールパラメータエラー：接続できません",
                                      "2001/06/01 10:10:30, アラームメールパラメータエラー：宛先エラー"}));
    EXPECT_EQ(state.normalMailCount, 1);
    EXPECT_EQ(state.alarmMailCount, 1);
    EXPECT_EQ(state.lastNormalMailMs.raw, Fixed4::fromInt(10 * 60'000).raw);
    cycleAt(20.5);  // next slot: no retry in between, the alarm is not repeated
    EXPECT_EQ(subjects(), QStringList({"1 定時", "[1] 警報", "2 定時"}));
    EXPECT_EQ(log.alarm.size(), 2);
}

// Through the outbox the check goes on before the library has answered; a
// refusal is logged when it comes back, with the time it came back.
TEST_F(MailCheckTest, RefusalThroughTheOutboxIsLoggedWhenItArrives) {
    settings.mailOnRecovery = false;
    MailOutbox outbox(mailer);
    MailContext queued{settings, run, tables, monitor, pending, state, records, timer, outbox, log, folder};
    start();
    at(1);
    raise(0);
    mailer.results = {QStringLiteral("接続できません"), QStringLiteral("宛先エラー")};
    at(10.5);
    mailCheck(queued, true);
    EXPECT_TRUE(log.alarm.isEmpty());
    EXPECT_EQ(state.normalMailCount, 1);
    EXPECT_EQ(state.alarmMailCount, 1);
    EXPECT_EQ(state.lastNormalMailMs.raw, Fixed4::fromInt(10 * 60'000).raw);
    at(10.75);
    ASSERT_TRUE(outbox.finish(std::chrono::seconds(5)));
    EXPECT_EQ(subjects(), QStringList({"1 定時", "[1] 警報"}));
    EXPECT_EQ(log.alarm, QStringList({"2001/06/01 10:10:45, 通常メールパラメータエラー：接続できません",
                                      "2001/06/01 10:10:45, アラームメールパラメータエラー：宛先エラー"}));
}

TEST_F(MailCheckTest, EndOfRunNoticeGoesWithTheAlarmRecordWhenChosen) {
    struct Case {
        bool alarmOn, autoEnd;
        size_t mails;
    };
    for (const Case c : {Case{true, true, 1}, Case{true, false, 0}, Case{false, true, 0}}) {
        mailer.sent.clear();
        log.alarm.clear();
        settings.alarmMailOn = c.alarmOn;
        settings.mailOnAutoEnd = c.autoEnd;
        records[1].bodyHead = QStringLiteral("H\r\n");
        clock.setMs(0);
        start();
        state.alarmMailCount = 2;
        mailer.results = {QStringLiteral("refused")};
        clock.setMs((34 * 60 + 56) * 1000.0);
        run.valueCount = 0;  // the end-of-run notice needs no values
        mailCheck(ctx, false);
        ASSERT_EQ(mailer.sent.size(), c.mails);
        if (c.mails == 0) continue;
        EXPECT_EQ(mailer.sent[0].subject, QStringLiteral("[3] 警報"));
        EXPECT_EQ(mailer.sent[0].body, QStringLiteral("H\r\n06/01 10:34:56 自動終了しました！\r\n"));
        EXPECT_TRUE(log.alarm.isEmpty());  // its result is not looked at
        EXPECT_EQ(state.lastAlarmMailMs.raw, Fixed4{}.raw);
        EXPECT_FALSE(state.lastAlarmMailDate.isValid());
        mailer.results.clear();
    }
}

TEST(StartMailRun, IntervalsAreHeldToTheRangeOfThePanel) {
    struct Case {
        int16_t minutes;
        int64_t expectedMinutes;
    };
    for (const Case c : {Case{10, 10}, Case{0, 1}, Case{-5, 1}, Case{12000, 9999}, Case{9999, 9999}}) {
        SettingsRecord s;
        s.normalMailMinutes = c.minutes;
        s.alarmMailMinutes = c.minutes;
        MailState st;
        st.normalMailCount = 4;
        st.lastAlarmMailDate = QDateTime(QDate(2001, 1, 1), QTime(0, 0));
        startMailRun(st, s, Fixed4::fromInt(500));
        EXPECT_EQ(st.normalMailIntervalMs.raw, Fixed4::fromInt(c.expectedMinutes * 60'000).raw) << c.minutes;
        EXPECT_EQ(st.alarmMailIntervalMs.raw, Fixed4::fromInt(c.expectedMinutes * 60'000).raw);
        EXPECT_EQ(st.lastNormalMailMs.raw, Fixed4::fromInt(500).raw);
        EXPECT_EQ(st.lastAlarmMailMs.raw, Fixed4::fromInt(500).raw);
        EXPECT_EQ(st.normalMailCount, 0);
        EXPECT_TRUE(st.lastAlarmMailDate.isValid());  // carries over between runs
    }
}

}  // namespace
}  // namespace vel
