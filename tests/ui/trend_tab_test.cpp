// The run monitor's trend tab during a whole run against the simulated
// instrument: lines, limit lines and alarm points from the first record, at
// most about ten redraws a second, the item switches, zoom and follow, and
// the picture. And the chart's lines broken at text values.
#include <QChart>
#include <QChartView>
#include <QRegularExpression>
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

TEST(TrendTab, EveryValueInAlarmIsAMarkerOrCountedInOne) {
    struct Case {
        const char* name;
        int values;       // one every 100 ms
        int alarmEvery;   // every n-th value in alarm
        qint64 toMs;      // the stretch [0, toMs]
        int alarms;       // values in alarm in the stretch
        bool oneEach;     // each its own marker
    };
    const Case cases[] = {
        {"few alarms: one marker each", 100, 10, 10'000, 10, true},
        {"34 in a minute: one marker each", 600, 17, 60'000, 36, true},
        {"every value over a minute: merged, all counted", 600, 1, 60'000, 600, false},
        {"a week at 1 s buckets: all counted", 60'000, 7, 6'000'000, 8572, false},
        {"no alarm", 600, 0, 60'000, 0, true},
    };
    for (const Case& c : cases) {
        trend::Series s;
        for (int i = 0; i < c.values; ++i) s.add(i * 100, i % 7, c.alarmEvery > 0 && i % c.alarmEvery == 0);
        double lo = INFINITY;
        double hi = -INFINITY;
        std::vector<ui::AlarmMark> marks;
        ui::trendRuns(s, 0, c.toMs, lo, hi, &marks);
        int counted = 0;
        for (const ui::AlarmMark& m : marks) counted += m.count;
        EXPECT_EQ(counted, c.alarms) << c.name;
        EXPECT_LE(static_cast<int>(marks.size()), ui::kAlarmSlots) << c.name;
        if (c.oneEach) {
            EXPECT_EQ(static_cast<int>(marks.size()), c.alarms) << c.name;
        }
    }
}

// Items of one unit share an axis, each unit has its own; a line is named at
// its end and a merged marker says how many alarms it stands for.
TEST(TrendTab, OneValueAxisPerUnitAndNamedLines) {
    test::ensureUiApplication();
    trend::Store store;
    struct Item {
        const char* name;
        const char* unit;
        double base;
    };
    const Item items[] = {{"DC Volt", "V", 12.3}, {"Temp", "℃", 68}, {"AC Volt", "V", 11}, {"Count", "", 4000}};
    for (int n = 0; n < 4; ++n) {
        store.setUnit(n, QString::fromUtf8(items[n].unit));
        for (int i = 0; i < 50; ++i)
            store.add(n, n + 1, QString::fromUtf8(items[n].name), i * 100, items[n].base + (i % 5) * 0.1, n == 1 && i > 20);
    }
    store.setLimits(1, trend::Limits{{{80, "ALM>80", true}, {90, "MAX", false}}});
    QChartView view;
    auto* qchart = new QChart;
    ui::TrendChart chart(qchart);
    view.setChart(qchart);
    view.resize(600, 420);
    view.show();

    struct Case {
        const char* name;
        std::vector<bool> shown;
        QStringList units;
    };
    const Case cases[] = {
        {"all: three units", {true, true, true, true}, {"V", "℃", ""}},
        {"the volts alone share one axis", {true, false, true, false}, {"V"}},
        {"none", {false, false, false, false}, {}},
    };
    for (const Case& c : cases) {
        chart.draw(store, c.shown, 0, 5000, false);
        EXPECT_EQ(chart.axisUnits(), c.units) << c.name;
    }
    chart.draw(store, {true, true, true, true}, 0, 5000, false);
    // Each unit's axis fits its own values: the volts are not flattened by the degrees.
    const auto [vLo, vHi] = chart.yRange("V");
    EXPECT_GE(vLo, 10);
    EXPECT_LE(vHi, 13);
    const auto [tLo, tHi] = chart.yRange("℃");
    EXPECT_LE(tLo, 68);
    EXPECT_GE(tHi, 80);  // takes in the alarm threshold
    // 29 values in alarm in 5 s: slots of ~83 ms hold one value each.
    EXPECT_EQ(chart.alarmsShown(), 29);
    EXPECT_TRUE(chart.labels().contains("ALM>80"));
    EXPECT_TRUE(chart.labels().contains("MAX"));
    // Over a longer stretch the same alarms merge, and the markers say so.
    chart.draw(store, {true, true, true, true}, 0, 600'000, false);
    EXPECT_EQ(chart.alarmsShown(), 29);
    EXPECT_LT(chart.alarmPoints(), 29);
    EXPECT_TRUE(chart.labels().filter(QRegularExpression("^×\\d+$")).size() > 0) << chart.labels().join(" ").toStdString();
}

}  // namespace
}  // namespace vel
