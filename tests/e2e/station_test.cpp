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

}  // namespace
}  // namespace vel::test
