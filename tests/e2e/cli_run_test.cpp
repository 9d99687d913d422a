// velloran-cli run against velloran-sim on a pseudo-terminal: a whole
// acquisition as a user would leave it running, and a stop by signal.
#include <gtest/gtest.h>

#include <csignal>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

const char kMeasureScript[] = "ITM:0.5\r\nSSS\r\nSND:MEAS?%CR\r\nRCV\r\nSET\r\nEEE\r\n";

TEST(CliRun, AThreeSecondAcquisitionWritesItsRowsAndLogs) {
    FaultRun run;
    ASSERT_TRUE(run.prepare(kMeasureScript, 0.05));  // 3 s
    ASSERT_TRUE(run.startSim({}));
    const CliResult r = run.cli(15000);
    ASSERT_TRUE(r.finished) << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_GE(r.elapsedMs, 3000);

    // Cycles at 0, 0.5 .. 3.0 s: the one that starts after the 3 s ends the run.
    const CsvRows rows = csvRows(run.csvBytes());
    ASSERT_GE(rows.lines.size(), 7);
    EXPECT_LE(rows.lines.size(), 9);
    EXPECT_EQ(rows.lines[0], QStringLiteral("\"No\",\"D001\",\"D002\",\"D003\""));
    EXPECT_EQ(rows.lines[1], QStringLiteral("1,12.345,67.890,1013"));  // the simulator's first reading
    EXPECT_TRUE(rows.partial.isEmpty());
    EXPECT_TRUE(checkRowsMatchReplies(run.csvBytes(), r).isEmpty()) << checkRowsMatchReplies(run.csvBytes(), r).toStdString();

    const QString rsLog = cp932::decode(run.read("Log/RsLog.log"));
    EXPECT_EQ(occurrences(rsLog, QStringLiteral("● MEAS?\r\n")), rows.lines.size() - 1);
    EXPECT_TRUE(rsLog.contains(QStringLiteral("○ 12.345,67.890,1013\r\n")));
    const QStringList alarmLog = cp932::decode(run.read("Log/AlarmLog.log")).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(alarmLog.size(), 2);
    EXPECT_TRUE(alarmLog[0].endsWith(QStringLiteral(", データ取得開始")));
    EXPECT_TRUE(alarmLog[1].endsWith(QStringLiteral(", データ取得終了")));

    EXPECT_TRUE(r.err.contains(QStringLiteral("スクリプトの処理を終了しました")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("message: 終了しました！ 「戻る」ボタンを押して下さい")));
    EXPECT_FALSE(QFile::exists(run.path("Log/DataLog.log")));  // only a stop writes the data log
    // The acquisition number goes on from where the run left it.
    QProcess show;
    show.start(kCli, {"--home", run.root(), "setup"});
    ASSERT_TRUE(show.waitForFinished(10000));
    EXPECT_TRUE(QString::fromUtf8(show.readAllStandardOutput())
                    .contains(QStringLiteral("acquisitionNumber=%1").arg(rows.lines.size())));
}

TEST(CliRun, SigtermStopsTheRunAsTheStopButtonDoes) {
    FaultRun run;
    ASSERT_TRUE(run.prepare(kMeasureScript, 0));  // continuous
    ASSERT_TRUE(run.startSim({}));
    bool sent = false;
    const CliResult r = run.cli(15000, [&](qint64 elapsed) {
        if (!sent && elapsed > 1200 && run.cliPid() > 0) {
            ::kill(static_cast<pid_t>(run.cliPid()), SIGTERM);
            sent = true;
        }
    });
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_LT(r.elapsedMs, 5000);
    EXPECT_TRUE(r.out.contains(QStringLiteral("message: 強制終了しました！ 「戻る」ボタンを押して下さい")));

    const QStringList dataLog = cp932::decode(run.read("Log/DataLog.log")).split("\r\n");
    ASSERT_GE(dataLog.size(), 4);
    EXPECT_TRUE(dataLog[0].startsWith(QStringLiteral("\"取得時間\",\""))) << dataLog[0].toStdString();
    EXPECT_TRUE(dataLog[1].startsWith(QStringLiteral("\"項目No\",\"名前\""))) << dataLog[1].toStdString();
    EXPECT_TRUE(checkRowsMatchReplies(run.csvBytes(), r).isEmpty());
    EXPECT_FALSE(cp932::decode(run.read("Log/AlarmLog.log")).contains(QStringLiteral("データ取得終了")));
}

TEST(CliRun, LineSettingsThePtyRefusesArePrintedAndTheRunGoesOn) {
    struct Case {
        const char* settings;
        QString refusedLine;  // empty: none printed
    };
    const QString lead = QStringLiteral("error: 通信ポートが次の通信条件を受け付けませんでした: ");
    const Case cases[] = {
        {"9600,n,8,1", {}},
        {"9600,e,8,1", lead + QStringLiteral("ﾊﾟﾘﾃｨ(Even)")},  // a pseudo-terminal has no parity
    };
    for (const Case& c : cases) {
        FaultRun run;
        ASSERT_TRUE(run.prepare(kMeasureScript, 0.02, {QStringLiteral("lineSettings=") + c.settings}));
        ASSERT_TRUE(run.startSim({}));
        const CliResult r = run.cli(15000);
        ASSERT_TRUE(r.finished) << c.settings << r.err.toStdString();
        EXPECT_EQ(r.exitCode, 0) << c.settings;
        const QStringList refused = linesStarting(r.out, lead);
        if (c.refusedLine.isEmpty()) {
            EXPECT_TRUE(refused.isEmpty()) << c.settings << r.out.toStdString();
        } else {
            EXPECT_EQ(refused, QStringList{c.refusedLine}) << r.out.toStdString();
        }
        EXPECT_GE(repliesWithValues(r), 1) << c.settings << r.out.toStdString();  // the run still reads
    }
}

TEST(CliRun, ARunThatCannotStartExitsOne) {
    FaultRun run;
    ASSERT_TRUE(run.prepare(kMeasureScript, 0.05));  // no simulator: the port does not open
    const CliResult r = run.cli(10000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("通信ポートがオープンできません！")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("通信CH%1が使用できません！").arg(kFaultCom)));
}

}  // namespace
}  // namespace vel::test

namespace vel::test {
namespace {

// velloran-cli setup shows and changes the keys of velloran.ini beside those
// of setup.dat; setup.dat stays as the setup.dat keys left it.
TEST(CliSetup, ExtensionKeysGoToTheirOwnFile) {
    TempProgramFolder home;
    auto setup = [&](const QStringList& args) {
        QProcess p;
        p.start(kCli, QStringList{"--home", home.folder.root, "setup"} + args);
        EXPECT_TRUE(p.waitForFinished(10000));
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()));
    };
    ASSERT_EQ(setup({"csvOn=1"}).first, 0);
    const QByteArray setupDat = home.read("setup.dat");
    EXPECT_EQ(setup({"uplink.url=mqtt://127.0.0.1:1883", "uplink.station=槽1", "silence.cycles=5"}).first, 0);
    EXPECT_EQ(home.read("setup.dat"), setupDat) << "an extension key leaves setup.dat alone";
    const QString shown = setup({}).second;
    for (const char* line : {"csvOn=1", "uplink.url=mqtt://127.0.0.1:1883", "silence.cycles=5", "reconnect.intervalSeconds=2"})
        EXPECT_TRUE(shown.contains(QString::fromLatin1(line))) << line << "\n" << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("uplink.station=槽1")));
    EXPECT_EQ(setup({"silence.cycles=many"}).first, 2);
    EXPECT_EQ(setup({"uplink.nothing=1"}).first, 2);
}

}  // namespace
}  // namespace vel::test
