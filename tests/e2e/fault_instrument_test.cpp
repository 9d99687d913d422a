// velloran-cli run against an instrument that misbehaves: it disappears
// mid-run, floods the line without an end code, or streams a reply every
// millisecond. Each run is a few seconds; none may crash, outlive its bound,
// lose a complete row or repeat its message.
#include <gtest/gtest.h>

#include <csignal>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

const QString kEndLine = QStringLiteral("データ取得終了");
const QString kDeviceGone = QStringLiteral("DCB 取得時にｴﾗｰが発生しました。");

TEST(FaultInstrument, GoneMidRun) {
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.05));  // 3 s
    ASSERT_TRUE(f.startSim({}));
    bool killed = false;
    const CliResult r = f.cli(15000, [&](qint64 ms) {
        if (!killed && ms > 1000) {
            f.killSim();
            killed = true;
        }
    });
    ASSERT_TRUE(r.finished) << "still running after " << r.elapsedMs << " ms";
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_LT(r.elapsedMs, 8000) << "the run ends at its time limit";
    EXPECT_EQ(occurrences(r.out, kDeviceGone), 1) << r.out.toStdString();
    EXPECT_EQ(occurrences(r.out, kEndLine), 1);
    EXPECT_GT(repliesWithValues(r), 2) << "replies came before the instrument went";
    const QString rows = checkRowsMatchReplies(f.csvBytes(), r);
    EXPECT_TRUE(rows.isEmpty()) << rows.toStdString();
}

TEST(FaultInstrument, GoneBeforeTheRunAndBackAgain) {
    // A link left behind by an instrument that is gone: the run cannot start.
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.02));
    ASSERT_TRUE(f.startSim({}));
    f.killSim();
    const CliResult gone = f.cli(10000);
    ASSERT_TRUE(gone.finished);
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(occurrences(gone.err, QStringLiteral("通信ポートがオープンできません！")), 1) << gone.err.toStdString();
    EXPECT_TRUE(f.csvBytes().isEmpty());

    // The instrument back on the same number: the next run works.
    ASSERT_TRUE(f.startSim({}));
    const CliResult back = f.cli(10000);
    ASSERT_TRUE(back.finished);
    EXPECT_EQ(back.exitCode, 0) << back.err.toStdString();
    EXPECT_GT(repliesWithValues(back), 0);
    const QString rows = checkRowsMatchReplies(f.csvBytes(), back);
    EXPECT_TRUE(rows.isEmpty()) << rows.toStdString();
}

TEST(FaultInstrument, FloodWithoutEndCode) {
    // Readings without an end code never make a reply: no row, no message,
    // and the run still ends on time however much arrives.
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.04));
    ASSERT_TRUE(f.startSim({"--flood"}));
    const CliResult r = f.cli(15000);
    ASSERT_TRUE(r.finished) << "still running after " << r.elapsedMs << " ms";
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_LT(r.elapsedMs, 8000);
    EXPECT_EQ(repliesWithValues(r), 0);
    EXPECT_TRUE(f.csvBytes().isEmpty()) << "no values, no header";
    EXPECT_TRUE(linesStarting(r.out, "error: ").isEmpty()) << r.out.toStdString();
    EXPECT_EQ(occurrences(r.out, kEndLine), 1);
}

// Replies whose first value (the sim's answer number) does not follow the
// previous row's: each gap is a reply lost between two rows.
int gapsInNumbering(const QByteArray& csv) {
    const CsvRows rows = csvRows(csv);
    int gaps = 0;
    long previous = -1;
    for (int i = 1; i < rows.lines.size(); ++i) {
        const long n = rows.lines[i].section(',', 1, 1).toLong();
        if (previous >= 0 && n != previous + 1) ++gaps;
        previous = n;
    }
    return gaps;
}

TEST(FaultInstrument, ReplyEveryMillisecond) {
    // A reply about every millisecond without being asked: the loop works
    // off what the receive buffer holds without waiting for its usual tick,
    // so every reply between the first and the last row is one row.
    FaultRun f;
    ASSERT_TRUE(f.prepare(kListenScript, 0.05));
    ASSERT_TRUE(f.startSim({"--stream", "1", "--reply", "MEAS?={n},{v1},{v2}\\r"}));
    const CliResult r = f.cli(15000);
    ASSERT_TRUE(r.finished) << "still running after " << r.elapsedMs << " ms";
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_LT(r.elapsedMs, 8000);
    EXPECT_GT(repliesWithValues(r), 1000) << "three seconds at up to 1,000 replies a second";
    const QString rows = checkRowsMatchReplies(f.csvBytes(), r);
    EXPECT_TRUE(rows.isEmpty()) << rows.toStdString();
    EXPECT_EQ(gapsInNumbering(f.csvBytes()), 0);
    EXPECT_EQ(occurrences(r.out, kEndLine), 1);
}

TEST(FaultInstrument, StopSignalMidRunKeepsEveryRow) {
    // SIGTERM acts as the run monitor's stop: rows so far are all in the file.
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 1));
    ASSERT_TRUE(f.startSim({}));
    bool sent = false;
    const CliResult r = f.cli(10000, [&](qint64 ms) {
        if (!sent && ms > 1500 && f.cliPid() > 0) {
            ::kill(static_cast<pid_t>(f.cliPid()), SIGTERM);
            sent = true;
        }
    });
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_LT(r.elapsedMs, 5000);
    const QString rows = checkRowsMatchReplies(f.csvBytes(), r);
    EXPECT_TRUE(rows.isEmpty()) << rows.toStdString();
    EXPECT_TRUE(QFileInfo::exists(f.path("Log/DataLog.log"))) << "a stop writes the data log";
}

}  // namespace
}  // namespace vel::test
