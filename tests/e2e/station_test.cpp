// velloran-cli run at an unattended station: the instrument's simulator is
// killed mid-run and a new one starts behind the same Com link. The run
// picks the new device up, rows resume, and the operator gets both changes
// in the alarm log and in the alarm mail (to the local SMTP sink).
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/fault_run.h"
#include "mail/mail_servers.h"

namespace vel::test {
namespace {

const QString kLost = QStringLiteral("通信ポートが切断されました。再接続を待っています");
const QString kBack = QStringLiteral("通信ポートに再接続しました");

// Replies in the part of the output that follows `marker`.
int repliesAfter(const CliResult& r, const QString& marker) {
    const qsizetype at = r.out.indexOf(marker);
    if (at < 0) return 0;
    CliResult tail = r;
    tail.out = r.out.mid(at);
    return repliesWithValues(tail);
}

TEST(Station, InstrumentUnpluggedAndBackIsPickedUpAgainAndMailed) {
    if (!haveAiosmtpd()) GTEST_SKIP() << "python3-aiosmtpd is not installed";
    QTemporaryDir inbox;
    PythonServer sink(QStringLiteral("smtp_sink.py"), {inbox.path()});
    ASSERT_GT(sink.port(), 0);

    FaultRun f;
    f.write("velloran.ini", "[reconnect]\nintervalSeconds=1\n");
    const QString mail = f.write(
        "mail_alarm.txt", cp932::encode(QStringLiteral("01.127.0.0.1:%1\r\n02.operator@example.jp\r\n"
                                                       "05.velloran@example.jp\r\n11.計測器\r\n")
                                            .arg(sink.port())));
    // The first alarm mail may go a minute after the start.
    ASSERT_TRUE(f.prepare(kThreeValueScript, 1.1, {"alarmMailOn=1", "alarmMailFile=" + mail, "alarmMailMinutes=1"}));
    ASSERT_TRUE(f.startSim({}));
    bool killed = false, restarted = false;
    const CliResult r = f.cli(100000, [&](qint64 ms) {
        if (!killed && ms > 2000) {
            f.killSim();
            killed = true;
        } else if (killed && !restarted && ms > 5000) {
            restarted = f.startSim({});
        }
    });
    ASSERT_TRUE(r.finished) << "still running after " << r.elapsedMs << " ms";
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(restarted);

    const QStringList alarms = linesStarting(r.out, "alarm: ");
    EXPECT_EQ(alarms.filter(kLost).size(), 1) << r.out.right(3000).toStdString();
    EXPECT_EQ(alarms.filter(kBack).size(), 1);
    EXPECT_EQ(linesStarting(r.out, "error: ").filter(kBack).size(), 1) << "the error line tells it too";
    EXPECT_LT(r.out.indexOf(kLost), r.out.indexOf(kBack));
    EXPECT_GT(repliesAfter(r, kBack), 100) << "rows resume after the return";
    // One whole row per reply; the cycles of the gap used their numbers as
    // cycles without a reply always do.
    const CsvRows rows = csvRows(f.csvBytes());
    EXPECT_TRUE(rows.partial.isEmpty());
    ASSERT_GT(rows.lines.size(), 1);
    int previous = 0;
    for (qsizetype i = 1; i < rows.lines.size(); ++i) {
        const QStringList fields = rows.lines[i].split(',');
        ASSERT_EQ(fields.size(), 4) << rows.lines[i].toStdString();
        EXPECT_GT(fields[0].toInt(), previous) << rows.lines[i].toStdString();
        previous = fields[0].toInt();
    }
    EXPECT_NEAR(rows.lines.size() - 1, repliesWithValues(r), 1);

    const QStringList mails = QDir(inbox.path()).entryList({"*.json"});
    ASSERT_EQ(mails.size(), 1);
    QFile file(inbox.filePath(mails[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString body = QJsonDocument::fromJson(file.readAll()).object().value("body").toString();
    EXPECT_TRUE(body.contains(kLost)) << body.toStdString();
    EXPECT_TRUE(body.contains(kBack)) << body.toStdString();
}

// Clock time of an alarm-log line "yyyy/MM/dd hh:mm:ss, text".
QDateTime stampOf(const QString& alarmLine) {
    return QDateTime::fromString(alarmLine.mid(QStringLiteral("alarm: ").size(), 19), "yyyy/MM/dd hh:mm:ss");
}

// Two questions a cycle. The simulator exits (and takes its Com link with it)
// and comes back a few seconds later on a new pseudo-terminal: the run opens
// nothing in between, reports the return only once the new instrument is
// there, and never stores the TEMP reply under a MEAS item; the cycle the
// loss interrupted keeps only what it had. The tries come at the loss's
// phase of the cycle, which lies mostly between the first reply's time-out
// and the second question.
TEST(Station, AnInstrumentThatLeavesWithItsLinkIsOpenedOnlyWhenItIsBack) {
    FaultRun f;
    f.write("velloran.ini", "[reconnect]\nintervalSeconds=1\n");
    const char script[] = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.3\r\nSTM:0.5\r\nITM:1\r\n"
                          "SSS\r\nSND:MEAS?%0D\r\nRCV\r\nWTM:0.65\r\nSND:TEMP?%0D\r\nRCV\r\nEEE\r\n";
    ASSERT_TRUE(f.prepare(script, 0.2));
    const QStringList temp{"--reply", "TEMP?=-40.5\\r"};
    ASSERT_TRUE(f.startSim(temp));
    bool stopped = false, restarted = false;
    const CliResult r = f.cli(60000, [&](qint64 ms) {
        if (!stopped && ms > 2500) {
            f.stopSim();  // a clean exit: the simulator removes its link
            stopped = !QFileInfo(f.path("dev/com" + QString::number(kFaultCom))).isSymLink();
        } else if (stopped && !restarted && ms > 6500) {
            restarted = f.startSim(temp);
        }
    });
    ASSERT_TRUE(r.finished) << "still running after " << r.elapsedMs << " ms";
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(stopped);
    ASSERT_TRUE(restarted);

    const QStringList alarms = linesStarting(r.out, "alarm: ");
    ASSERT_EQ(alarms.filter(kLost).size(), 1) << r.out.right(3000).toStdString();
    ASSERT_EQ(alarms.filter(kBack).size(), 1) << r.out.right(3000).toStdString();
    EXPECT_GE(stampOf(alarms.filter(kLost)[0]).secsTo(stampOf(alarms.filter(kBack)[0])), 3)
        << "not back before the instrument is";
    EXPECT_GT(repliesAfter(r, kBack), 4) << "values again after the return";

    const CsvRows rows = csvRows(f.csvBytes());
    ASSERT_GT(rows.lines.size(), 5);
    for (qsizetype i = 1; i < rows.lines.size(); ++i) {
        const QStringList fields = rows.lines[i].split(',');
        const QStringList values = fields.mid(1);
        EXPECT_FALSE(values.mid(0, 3).contains("-40.5")) << "TEMP under a MEAS item: " << rows.lines[i].toStdString();
        if (values.size() == 4) EXPECT_EQ(values[3], "-40.5") << rows.lines[i].toStdString();
        else EXPECT_EQ(values.size(), 3) << "a cycle the loss cut short: " << rows.lines[i].toStdString();
    }
}

}  // namespace
}  // namespace vel::test
