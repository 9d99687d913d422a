// velloran-cli run when its files cannot be written: the CSV's disk is full,
// the CSV hits a file-size limit half-way, the logs cannot be opened. The run
// goes on to its end; the CSV message comes once; the log failures are silent.
#include <gtest/gtest.h>

#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

const QString kCsvFailed = QStringLiteral("CSVファイルに書き込みできません！");
const QString kEndLine = QStringLiteral("データ取得終了");

TEST(FaultOutput, CsvOnAFullDisk) {
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.03));
    if (!QFile::link("/dev/full", f.csvPath())) GTEST_SKIP() << "no /dev/full link";
    ASSERT_TRUE(f.startSim({}));
    const CliResult r = f.cli(15000);
    ASSERT_TRUE(r.finished) << "still running after " << r.elapsedMs << " ms";
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(occurrences(r.err, kCsvFailed), 1) << r.err.toStdString();
    EXPECT_GT(repliesWithValues(r), 5) << "the run goes on without its CSV";
    EXPECT_EQ(occurrences(r.out, kEndLine), 1);
}

TEST(FaultOutput, CsvFullHalfWayKeepsTheRowsBefore) {
    // A file-size limit on the process is a disk that fills up while the
    // run writes: every byte up to the limit is in the file, the rows before
    // the failing one complete and in order.
    constexpr rlim_t kLimit = 400;
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.05, {"rsLog=0", "alarmLog=0"}));
    ASSERT_TRUE(f.startSim({}));
    const CliResult r = f.cli(15000, {}, [] {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
        const rlimit limit{kLimit, kLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_TRUE(r.finished) << "still running after " << r.elapsedMs << " ms";
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(occurrences(r.err, kCsvFailed), 1) << r.err.toStdString();
    EXPECT_EQ(occurrences(r.out, kEndLine), 1);

    const QByteArray csv = f.csvBytes();
    EXPECT_EQ(csv.size(), static_cast<qsizetype>(kLimit)) << "nothing written before the failure is lost";
    const CsvRows rows = csvRows(csv);
    ASSERT_GE(rows.lines.size(), 10);
    EXPECT_EQ(rows.lines[0], QStringLiteral("\"No\",\"D001\",\"D002\",\"D003\""));
    for (int i = 1; i < rows.lines.size(); ++i) {
        const QStringList fields = rows.lines[i].split(',');
        EXPECT_EQ(fields.size(), 4) << rows.lines[i].toStdString();
        EXPECT_EQ(fields.value(0), QString::number(i));
    }
    EXPECT_GT(repliesWithValues(r), rows.lines.size()) << "replies after the failure wrote no rows";
}

TEST(FaultOutput, LogsThatCannotBeOpened) {
    // A folder where each log file should be: no log line can be written,
    // nothing is shown for it, and the run and its CSV are untouched.
    struct Case {
        const char* what;
        QStringList blocked;
    };
    const Case cases[] = {
        {"communication log", {"Log/RsLog.log"}},
        {"both logs", {"Log/RsLog.log", "Log/AlarmLog.log"}},
    };
    for (const Case& c : cases) {
        FaultRun f;
        ASSERT_TRUE(f.prepare(kThreeValueScript, 0.02));
        for (const QString& name : c.blocked) ASSERT_TRUE(QDir().mkpath(f.path(name + "/x"))) << c.what;
        ASSERT_TRUE(f.startSim({}));
        const CliResult r = f.cli(15000);
        ASSERT_TRUE(r.finished) << c.what;
        EXPECT_FALSE(r.crashed) << c.what;
        EXPECT_EQ(r.exitCode, 0) << c.what;
        EXPECT_EQ(r.err.trimmed(), QStringLiteral("スクリプトの処理を終了しました")) << c.what << ": " << r.err.toStdString();
        EXPECT_GT(repliesWithValues(r), 3) << c.what;
        const QString rows = checkRowsMatchReplies(f.csvBytes(), r);
        EXPECT_TRUE(rows.isEmpty()) << c.what << ": " << rows.toStdString();
        for (const QString& name : c.blocked) EXPECT_TRUE(QFileInfo(f.path(name)).isDir()) << c.what;
    }
}

TEST(FaultOutput, ReadOnlyLogFiles) {
    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.02));
    const QString rsLog = f.write("Log/RsLog.log", "old\r\n");
    ASSERT_TRUE(QFile::setPermissions(rsLog, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    // Root writes read-only files: the run then goes to an ordinary user.
    if (::geteuid() == 0) {
        if (!FaultRun::othersCanRunThePrograms())
            GTEST_SKIP() << "the build lies in a folder closed to other users: the run cannot go to one";
        ASSERT_TRUE(f.runAsNobody());
    }
    ASSERT_TRUE(f.startSim({}));
    const CliResult r = f.cli(15000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("スクリプトの処理を終了しました")) << r.err.toStdString();
    EXPECT_EQ(f.read("Log/RsLog.log"), QByteArray("old\r\n"));
    const QString rows = checkRowsMatchReplies(f.csvBytes(), r);
    EXPECT_TRUE(rows.isEmpty()) << rows.toStdString();
}

}  // namespace
}  // namespace vel::test
