// The run monitor's trend tab during a whole run against the simulated
// instrument: lines, limit lines and alarm points from the first record, at
// most about ten redraws a second, the item switches, zoom and follow, and
// the picture. And the chart's lines broken at text values.
#include <QChartView>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "sim_rig.h"
#include "ui/form_exe.h"
#include "ui/trend_chart.h"
#include "ui/trend_view.h"

namespace vel {
namespace {

const QStringList kLimitsAndAlarms = {
    "NAM:D1=Volt", "NAM:D2=Temp", "MAX:D1=20", "MIN:D1=-20", "ALM:D1>15", "ALM:D2>=80",
    "ITM:0.05",    "SSS",         "SND:MEAS?%0D", "RCV",     "SET",       "EEE",
};

TEST(TrendTab, WholeRunShowsLinesLimitLinesAndAlarmPoints) {
    test::SimRig rig;
    ASSERT_TRUE(rig.startSim({"--alarm-every", "3"}));
    rig.openWindow(kLimitsAndAlarms);
    rig.window->commandStart();
    ASSERT_NE(rig.exe(), nullptr) << rig.box.shown.join(" / ").toStdString();
    auto* tabs = rig.exeChild<QTabWidget>("SSTab1");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), "データモニター");
    EXPECT_EQ(tabs->tabText(1), "通信ログ");
    EXPECT_EQ(tabs->tabText(2), "アラームログ");
    EXPECT_EQ(tabs->tabText(3), "トレンド");
    rig.exeChild<QCheckBox>("CheckLog")->setChecked(true);
    tabs->setCurrentIndex(3);
    ui::TrendView* trend = rig.exe()->trendView();

    ASSERT_TRUE(test::spinUntil([&] { return rig.engine.monitor().recordCount() >= 6; }, 20000));
    // About 20 records a second; the chart is redrawn at most every 100 ms.
    const int drawsBefore = trend->drawCount();
    const int recordsBefore = rig.engine.monitor().recordCount();
    test::spinUntil([] { return false; }, 1000);
    EXPECT_LE(trend->drawCount() - drawsBefore, 11);
    // Drawn again when records came, not more often than they came.
    const int records = rig.engine.monitor().recordCount() - recordsBefore;
    EXPECT_GE(trend->drawCount() - drawsBefore, std::min(records, 1));
    EXPECT_LE(trend->drawCount() - drawsBefore, records + 1);

    ASSERT_TRUE(test::spinUntil([&] { return trend->chart().alarmPoints() > 0; }, 10000));
    auto* list = rig.exeChild<QListWidget>("ListTrendItems");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Volt");
    EXPECT_EQ(list->item(2)->text(), "D003");
    for (int n = 0; n < 3; ++n) EXPECT_EQ(list->item(n)->checkState(), Qt::Checked);
    trend->redraw();
    EXPECT_GE(trend->chart().linePoints(), 3 * 6);
    EXPECT_EQ(trend->chart().limitLines(), 4);  // Volt: MAX, MIN, >15; Temp: >=80

    // Volt off: its line, limits and alarms go.
    list->item(0)->setCheckState(Qt::Unchecked);
    trend->redraw();
    EXPECT_EQ(trend->chart().limitLines(), 1);

    // The wheel zooms and stops following; a double click follows again.
    trend->zoomAt(0.5, rig.engine.monitor().recordCount() > 0 ? QDateTime::currentMSecsSinceEpoch() : 0);
    EXPECT_FALSE(trend->window().following);
    trend->followNewest();
    EXPECT_TRUE(trend->window().following);
    EXPECT_EQ(trend->window().spanMs, 600'000);
    rig.exeChild<QPushButton>("CommandSpan4")->click();
    EXPECT_EQ(trend->window().spanMs, 0);

    // The picture goes where the dialog says, ".png" added.
    const QString picture = rig.home.path("trend");
    trend->chooser = [&](QWidget*, const ui::FileRequest& request) {
        EXPECT_TRUE(request.fileName.endsWith(".png"));
        return picture;
    };
    rig.exeChild<QPushButton>("CommandSavePicture")->click();
    QImage saved(picture + ".png");
    EXPECT_FALSE(saved.isNull());
    EXPECT_TRUE(rig.box.shown.isEmpty()) << rig.box.shown.join(" / ").toStdString();

    rig.box.answers = {true};
    rig.exe()->commandRsEnd();
}

TEST(TrendTab, LineBreaksAtTextValues) {
    constexpr double kText = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<double> values;
        std::vector<int> runLengths;
        double lo, hi;
    };
    const Case cases[] = {
        {"numbers only", {1, 2, 3}, {3}, 1, 3},
        {"a text in the middle", {1, 2, kText, 5, 4}, {2, 2}, 1, 5},
        {"texts at both ends", {kText, 7, kText}, {1}, 7, 7},
        {"only texts", {kText, kText}, {}, INFINITY, -INFINITY},
    };
    for (const Case& c : cases) {
        trend::Series s;
        for (std::size_t i = 0; i < c.values.size(); ++i) s.add(static_cast<qint64>(i) * 100, c.values[i], false);
        double lo = INFINITY;
        double hi = -INFINITY;
        const auto runs = ui::trendRuns(s, 0, 1000, lo, hi, nullptr);
        std::vector<int> lengths;
        for (const auto& r : runs) lengths.push_back(static_cast<int>(r.size()));
        EXPECT_EQ(lengths, c.runLengths) << c.name;
        EXPECT_EQ(lo, c.lo) << c.name;
        EXPECT_EQ(hi, c.hi) << c.name;
    }
}

TEST(TrendTab, AlarmMarkersAreThinnedToSlotsOfTheStretch) {
    struct Case {
        const char* name;
        int values;         // one every 100 ms
        int alarmEvery;     // every n-th value in alarm
        qint64 toMs;        // the stretch [0, toMs]
        int most, least;    // markers drawn
    };
    const Case cases[] = {
        {"few alarms: every one", 100, 10, 10'000, 10, 10},
        {"an alarm every value over a minute", 600, 1, 60'000, ui::kDrawnAlarms, ui::kDrawnAlarms / 2},
        {"no alarm", 600, 0, 60'000, 0, 0},
    };
    for (const Case& c : cases) {
        trend::Series s;
        for (int i = 0; i < c.values; ++i) s.add(i * 100, i % 7, c.alarmEvery > 0 && i % c.alarmEvery == 0);
        double lo = INFINITY;
        double hi = -INFINITY;
        QList<QPointF> alarms;
        ui::trendRuns(s, 0, c.toMs, lo, hi, &alarms);
        EXPECT_LE(alarms.size(), c.most) << c.name;
        EXPECT_GE(alarms.size(), c.least) << c.name;
    }
}

}  // namespace
}  // namespace vel
