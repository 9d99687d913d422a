// velloran-cli run with several program folders: each runs as a station of
// one process against its own simulated instrument. Each station's lines
// carry its name, its rows go to its own CSV, a stop signal stops them all,
// and a station that cannot start does not stop the others.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csignal>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

QString stationName(const FaultRun& f) { return QFileInfo(f.root()).fileName(); }

// One station's share of a run of several: its stdout lines without their
// lead, so the single-station checks apply to it.
CliResult stationPart(const CliResult& all, const FaultRun& f) {
    CliResult part = all;
    const QString lead = stationName(f) + QStringLiteral(": ");
    part.out.clear();
    for (const QString& line : linesStarting(all.out, lead)) part.out += line.mid(lead.size()) + '\n';
    return part;
}

TEST(CliStations, TwoFoldersRunAsTwoStationsOfOneProcess) {
    struct Case {
        const char* what;
        bool secondHasInstrument;  // false: the second station's port cannot be opened
        double firstMinutes;       // 0: runs until the stop signal
        int exitCode;
    } cases[] = {
        {"both stopped by SIGTERM", true, 0, 0},
        {"the second cannot open its port", false, 0.04, 1},
    };
    for (const Case& c : cases) {
        FaultRun a, b;
        ASSERT_TRUE(a.prepare(kThreeValueScript, c.firstMinutes)) << c.what;
        ASSERT_TRUE(b.prepare(kThreeValueScript, 0)) << c.what;
        b.write("velloran.ini", "[reconnect]\nbogus=1\n");
        ASSERT_TRUE(a.startSim({})) << c.what;
        if (c.secondHasInstrument) {
            ASSERT_TRUE(b.startSim({})) << c.what;
        }
        bool sent = false;
        const CliResult r = a.cli(15000, [&](qint64 ms) {
            if (c.firstMinutes == 0 && !sent && ms > 2500 && a.cliPid() > 0) {
                ::kill(static_cast<pid_t>(a.cliPid()), SIGTERM);
                sent = true;
            }
        }, {}, {"--home", b.root(), "run"});
        ASSERT_TRUE(r.finished) << c.what;
        EXPECT_FALSE(r.crashed) << c.what;
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << r.err.toStdString();

        // Every line whole and led by the station that printed it.
        for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(line.startsWith(stationName(a) + ": ") || line.startsWith(stationName(b) + ": "))
                << c.what << ": " << line.toStdString();
        // A note on the second's velloran.ini says whose it is.
        EXPECT_TRUE(r.err.contains(QStringLiteral("velloran-cli: %1: velloran.ini の reconnect.bogus").arg(stationName(b))))
            << c.what << r.err.toStdString();
        const CliResult ra = stationPart(r, a);
        const CliResult rb = stationPart(r, b);
        EXPECT_GE(repliesWithValues(ra), 15) << c.what;
        const QString rowsA = checkRowsMatchReplies(a.csvBytes(), ra);
        EXPECT_TRUE(rowsA.isEmpty()) << c.what << ": " << rowsA.toStdString();

        if (c.secondHasInstrument) {
            EXPECT_GE(repliesWithValues(rb), 15) << c.what;
            const QString rowsB = checkRowsMatchReplies(b.csvBytes(), rb);
            EXPECT_TRUE(rowsB.isEmpty()) << c.what << ": " << rowsB.toStdString();
            EXPECT_TRUE(QFileInfo::exists(a.path("Log/DataLog.log"))) << c.what;
            EXPECT_TRUE(QFileInfo::exists(b.path("Log/DataLog.log"))) << c.what;
            continue;
        }
        // The first ran to its own end (2.4 s) after the second had given up.
        EXPECT_GE(r.elapsedMs, 2400) << c.what;
        EXPECT_TRUE(ra.out.contains(QStringLiteral("message: 終了しました！ 「戻る」ボタンを押して下さい"))) << c.what;
        EXPECT_TRUE(r.err.contains(stationName(b) + QStringLiteral(": 通信ポートがオープンできません！")))
            << c.what << r.err.toStdString();
        EXPECT_EQ(repliesWithValues(rb), 0) << c.what;
    }
}

// Two stations on one folder would write one CSV, one set of logs and one
// setup.dat; two folders of one name would be one station on the record
// stream. Refused before anything runs.
TEST(CliStations, FoldersThatWouldClashAreRefused) {
    FaultRun a;
    ASSERT_TRUE(a.prepare(kThreeValueScript, 0));
    ASSERT_TRUE(a.startSim({}));
    QTemporaryDir other;
    const QString twin = other.path() + "/" + stationName(a);
    ASSERT_TRUE(QDir().mkpath(twin));
    struct Case {
        QString second;
        QString message;
    } cases[] = {
        {a.root(), QStringLiteral("同じプログラムフォルダが二度指定されています: ")},
        {a.root() + "/../" + stationName(a) + "/.", QStringLiteral("同じプログラムフォルダが二度指定されています: ")},
        {twin, QStringLiteral("名前が同じプログラムフォルダは一緒に動かせません: ")},
    };
    for (const Case& c : cases) {
        const CliResult r = a.cli(10000, {}, {}, {"--home", c.second, "run"});
        ASSERT_TRUE(r.finished) << c.second.toStdString();
        EXPECT_EQ(r.exitCode, 2) << c.second.toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("velloran-cli run: ") + c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_FALSE(QFileInfo::exists(a.csvPath())) << c.second.toStdString();
    }
}

}  // namespace
}  // namespace vel::test
