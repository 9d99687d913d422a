// velloran-cli run as a station's service runs it: a hang-up (the session or
// terminal gone) stops the run as the stop signals do, and the program says
// which device its Com number reached, or the system's reason why not.
#include <gtest/gtest.h>

#include <csignal>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

TEST(CliStation, EveryStopSignalEndsTheRunWithItsDataLog) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        FaultRun f;
        ASSERT_TRUE(f.prepare(kThreeValueScript, 1));
        ASSERT_TRUE(f.startSim({}));
        bool sent = false;
        const CliResult r = f.cli(10000, [&](qint64 ms) {
            if (!sent && ms > 1500 && f.cliPid() > 0) {
                ::kill(static_cast<pid_t>(f.cliPid()), signal);
                sent = true;
            }
        });
        ASSERT_TRUE(r.finished) << signal;
        EXPECT_FALSE(r.crashed) << signal;
        EXPECT_EQ(r.exitCode, 0) << signal << r.err.toStdString();
        EXPECT_LT(r.elapsedMs, 5000) << signal;
        const QString rows = checkRowsMatchReplies(f.csvBytes(), r);
        EXPECT_TRUE(rows.isEmpty()) << signal << rows.toStdString();
        EXPECT_TRUE(QFileInfo::exists(f.path("Log/DataLog.log"))) << signal << ": a stop writes the data log";
    }
}

TEST(CliStation, TellsWhichDeviceTheComNumberReached) {
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.01));
    ASSERT_TRUE(f.startSim({}));
    const QString device = QFileInfo(f.path("dev/com" + QString::number(kFaultCom))).symLinkTarget();
    ASSERT_TRUE(device.startsWith("/dev/pts/"));
    const CliResult up = f.cli(10000);
    ASSERT_TRUE(up.finished);
    EXPECT_EQ(up.exitCode, 0) << up.err.toStdString();
    const QString expected = QStringLiteral("port: Com%1 → %2").arg(kFaultCom).arg(device);
    EXPECT_EQ(linesStarting(up.out, "port: "), QStringList{expected}) << up.out.left(500).toStdString();

    // The instrument gone, its link left behind: the system's reason beside the program's message.
    f.killSim();
    const CliResult gone = f.cli(10000);
    ASSERT_TRUE(gone.finished);
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_TRUE(gone.err.contains(QStringLiteral("通信ポートがオープンできません！"))) << gone.err.toStdString();
    EXPECT_TRUE(gone.err.contains(QStringLiteral("Com%1 → %2: ").arg(kFaultCom).arg(device))) << gone.err.toStdString();
    EXPECT_TRUE(gone.err.contains(QStringLiteral("No such file or directory"))) << gone.err.toStdString();
    EXPECT_TRUE(linesStarting(gone.out, "port: ").isEmpty());
}

// The same run against the simulated instrument, as a terminal shows it and
// as a service's journal gets it: the terminal gets several lines per record,
// the service a fixed few (the device, start, end) however many records.
TEST(CliStation, ServiceOutputDoesNotGrowWithTheRecords) {
    struct Case {
        QStringList args;
        bool service;
    } cases[] = {{{"run"}, false}, {{"run", "--service"}, true}};
    for (const Case& c : cases) {
        FaultRun f;
        ASSERT_TRUE(f.prepare(kThreeValueScript, 0.02));
        ASSERT_TRUE(f.startSim({}));
        const CliResult r = f.cli(15000, {}, {}, c.args);
        ASSERT_TRUE(r.finished) << c.service;
        ASSERT_EQ(r.exitCode, 0) << c.service << r.err.toStdString();
        const qsizetype records = csvRows(f.csvBytes()).lines.size();
        ASSERT_GE(records, 5) << c.service;
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(linesStarting(r.out, "port: ").size(), 1) << c.service;
        if (!c.service) {
            EXPECT_GE(lines.size(), 4 * records) << r.out.left(800).toStdString();
            continue;
        }
        EXPECT_TRUE(linesStarting(r.out, "rs: ").isEmpty()) << r.out.left(800).toStdString();
        EXPECT_LE(lines.size(), 5) << r.out.toStdString();
        const QStringList alarms = linesStarting(r.out, "alarm: ");
        ASSERT_EQ(alarms.size(), 2) << r.out.toStdString();
        EXPECT_TRUE(alarms[0].endsWith(QStringLiteral("データ取得開始")));
        EXPECT_TRUE(alarms[1].endsWith(QStringLiteral("データ取得終了")));
        EXPECT_EQ(lines.last(), QStringLiteral("message: 終了しました！ 「戻る」ボタンを押して下さい"));
    }
}

}  // namespace
}  // namespace vel::test
