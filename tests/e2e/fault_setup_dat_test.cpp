// setup.dat cut short at every byte offset, as a crash or a full disk during
// a copy leaves it: `velloran-cli setup` and `velloran-cli run` read it, say
// once that it could not be read, and neither crashes nor hangs.
#include <gtest/gtest.h>

#include <QFile>
#include <csignal>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

const QString kLoadFailed = QStringLiteral("設定条件の読込に失敗しました");

QByteArray fullRecord(FaultRun& f) {
    // Every string field holds something, double-byte characters included,
    // so that cuts fall inside counts, texts and characters.
    EXPECT_TRUE(f.setup({"port=" + QString::number(kFaultCom), "lineSettings=19200,e,7,2", "handshaking=2",
                         "script=スクリプト.txt", "csvOn=1", "csv=データ.csv", "minutes=0.02", "timeStampMode=1",
                         "numberColumnOn=1", "acquisitionNumber=123456", "workbook=帳票.ods", "startColumn=AB",
                         "startRow=77", "normalMailFile=通常.txt", "alarmMailFile=警報.txt", "alarmMailMinutes=9",
                         "normalMailMinutes=31"}));
    return f.read("setup.dat");
}

TEST(FaultSetupDat, CutAtEveryOffset) {
    FaultRun f;
    const QByteArray full = fullRecord(f);
    ASSERT_GT(full.size(), 150);

    // The whole record reads without a message.
    const CliResult whole = f.cli(10000, {}, {}, {"setup"});
    ASSERT_TRUE(whole.finished);
    EXPECT_EQ(whole.exitCode, 0);
    EXPECT_FALSE(whole.err.contains(kLoadFailed));
    EXPECT_TRUE(whole.out.contains("acquisitionNumber=123456")) << whole.out.toStdString();

    for (qsizetype cut = 0; cut < full.size(); ++cut) {
        QFile::remove(f.path("setup.dat"));
        f.write("setup.dat", full.left(cut));
        const CliResult r = f.cli(10000, {}, {}, {"setup"});
        ASSERT_TRUE(r.finished) << "cut at " << cut;
        ASSERT_FALSE(r.crashed) << "cut at " << cut;
        EXPECT_EQ(r.exitCode, 0) << "cut at " << cut;
        EXPECT_EQ(occurrences(r.err, kLoadFailed), 1) << "cut at " << cut << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith("port=")) << "cut at " << cut;
    }
}

TEST(FaultSetupDat, RunFromACutRecord) {
    // The links of the stored port and of Com1 (where a record cut before
    // its port number leads) go nowhere, so no run reaches a device: each
    // run stops at its checks. A run that did start is stopped as the run
    // monitor's stop would.
    FaultRun f;
    const QByteArray full = fullRecord(f);
    ASSERT_TRUE(QDir().mkpath(f.path("dev")));
    for (int com : {1, kFaultCom})
        ASSERT_TRUE(QFile::link(f.path("no-such-device"), f.path("dev/com" + QString::number(com))));
    for (qsizetype cut = 0; cut < full.size(); cut += 5) {
        QFile::remove(f.path("setup.dat"));
        f.write("setup.dat", full.left(cut));
        bool stopped = false;
        const CliResult r = f.cli(10000, [&](qint64 ms) {
            if (!stopped && ms > 3000 && f.cliPid() > 0) {
                ::kill(static_cast<pid_t>(f.cliPid()), SIGTERM);
                stopped = true;
            }
        });
        ASSERT_TRUE(r.finished) << "cut at " << cut << ": still running";
        ASSERT_FALSE(r.crashed) << "cut at " << cut;
        EXPECT_EQ(r.exitCode, 1) << "cut at " << cut << ": " << r.out.toStdString();
        EXPECT_EQ(occurrences(r.err, kLoadFailed), 1) << "cut at " << cut << ": " << r.err.toStdString();
    }
}

}  // namespace
}  // namespace vel::test
