// Stations side by side in one process, each on its own thread against its
// own simulated instrument: the window held by one station's notice, and a
// station stopped mid-run, hold none of the others; every station
// ends with a row for every reply it took.
#include <gtest/gtest.h>

#include <QMutex>
#include <QThread>

#include <array>
#include <memory>

#include "fault_run.h"
#include "station/station.h"
#include "support/event_spin.h"
#include "support/qstring_printer.h"

namespace vel::test {
namespace {

// One station with what it reported, the lines taken on its own thread.
struct Watched {
    FaultRun run;
    std::unique_ptr<Station> station;
    QMutex mutex;
    QString out;  // its lines as velloran-cli prints them
    QStringList notices;
    bool over = false;

    int rows() const { return static_cast<int>(csvRows(run.csvBytes()).lines.size()) - 1; }
    CliResult result() {
        QMutexLocker lock(&mutex);
        CliResult r;
        r.out = out;
        return r;
    }
};

TEST(Stations, SideBySideNeitherANoticeNorAStopHoldsTheOthers) {
    ensureCoreApplication();
    // a runs 4 s; b ends after 1.2 s and its end notice holds the window's
    // thread for 1.5 s; c is stopped after that while a runs on.
    const std::array<double, 3> seconds = {4, 1.2, 20};
    std::array<Watched, 3> s;
    int boxOpenRowsOfA = -1, boxClosedRowsOfA = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        Watched& w = s[i];
        ASSERT_TRUE(w.run.prepare(kThreeValueScript, seconds[i] / 60));
        ASSERT_TRUE(w.run.startSim({}));
        StationView view;
        view.runOver = [&w] { w.over = true; };
        view.notice = [&w, &s, i, &boxOpenRowsOfA, &boxClosedRowsOfA](const QString& text, bool) {
            w.notices << text;
            if (i != 1) return;
            // The window held for 1.5 s (a box, a slow redraw): its thread
            // does nothing else meanwhile.
            boxOpenRowsOfA = s[0].rows();
            QThread::msleep(1500);
            boxClosedRowsOfA = s[0].rows();
        };
        StationLines lines;
        lines.rsLine = [&w](const QString& line) {
            QMutexLocker lock(&w.mutex);
            w.out += "rs: " + line + "\n";
        };
        w.station = std::make_unique<Station>(ProgramFolder{w.run.root()}, StationOptions{}, std::move(view),
                                              std::move(lines));
        ASSERT_TRUE(w.station->startUp());
    }
    for (Watched& w : s) w.station->startUnattended();

    ASSERT_TRUE(spinUntil([&] { return s[2].station->status().records >= 5; }, 5000));
    ASSERT_TRUE(spinUntil([&] { return boxClosedRowsOfA >= 0; }, 8000)) << "b's end notice never came";
    EXPECT_GE(boxClosedRowsOfA - boxOpenRowsOfA, 8) << "a took no records while b's box was open";
    EXPECT_FALSE(s[2].over);
    const int cBeforeStop = s[2].rows();
    s[2].station->stop();
    ASSERT_TRUE(spinUntil([&] { return s[2].over; }, 5000)) << "c did not stop";
    const int aAtStop = s[0].rows();
    EXPECT_GE(s[2].rows(), cBeforeStop);
    ASSERT_TRUE(spinUntil([&] { return s[0].over; }, 8000)) << "a did not end at its time";
    EXPECT_GT(s[0].rows(), aAtStop) << "a took no records after c stopped";
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_FALSE(s[i].station->busy()) << i;
        const QString rows = checkRowsMatchReplies(s[i].run.csvBytes(), s[i].result());
        EXPECT_TRUE(rows.isEmpty()) << "station " << i << ": " << rows.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(s[2].run.path("Log/DataLog.log"))) << "the stop writes the data log";
    EXPECT_EQ(s[1].notices, QStringList{"スクリプトの処理を終了しました"});
    EXPECT_TRUE(s[2].notices.isEmpty()) << "a confirmed stop asks nothing more";
}

}  // namespace
}  // namespace vel::test
