// What stretch the trend shows: following the newest value with a span or
// the whole run, zoomed about the mouse, panned; and the value axis range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "trend/time_window.h"
#include "trend/trend_series.h"

namespace vel::trend {
namespace {

TEST(TimeWindow, FollowZoomAndPan) {
    const qint64 first = 1'000'000;
    const qint64 last = first + 7'200'000;  // two hours of values
    struct Case {
        const char* name;
        std::function<void(TimeWindow&)> act;
        qint64 from, to;
        bool following;
    };
    const Case cases[] = {
        {"10 min up to the newest", [](TimeWindow&) {}, last - 600'000, last, true},
        {"1 min", [](TimeWindow& w) { follow(w, 60'000); }, last - 60'000, last, true},
        {"whole run", [](TimeWindow& w) { follow(w, 0); }, first, last, true},
        {"zoom in about the right edge", [&](TimeWindow& w) { zoom(w, first, last, 0.5, last); },
         last - 300'000, last, false},
        {"zoom out about the middle", [&](TimeWindow& w) { zoom(w, first, last, 2, last - 300'000); },
         last - 900'000, last + 300'000, false},
        {"zoom in stops at a second", [&](TimeWindow& w) { zoom(w, first, last, 1e-9, last - 300'000); },
         last - 300'500, last - 299'500, false},
        {"pan back a minute", [&](TimeWindow& w) { pan(w, first, last, -60'000); },
         last - 660'000, last - 60'000, false},
        {"pan, then a span button follows again",
         [&](TimeWindow& w) {
             pan(w, first, last, -60'000);
             follow(w, 3'600'000);
         },
         last - 3'600'000, last, true},
    };
    for (const Case& c : cases) {
        TimeWindow w;
        c.act(w);
        const auto [from, to] = shownRange(w, first, last);
        EXPECT_EQ(from, c.from) << c.name;
        EXPECT_EQ(to, c.to) << c.name;
        EXPECT_EQ(w.following, c.following) << c.name;
    }
}

TEST(TimeWindow, ValueAxisFitsTheValuesWithAMargin) {
    struct Case {
        double lo, hi;
        bool some;
        double from, to;
    };
    const Case cases[] = {
        {0, 100, true, -5, 105},
        {68.2, 68.2, true, 68.2 - 3.41, 68.2 + 3.41},
        {0, 0, true, -1, 1},
        {INFINITY, -INFINITY, false, 0, 0},  // nothing drawn
    };
    for (const Case& c : cases) {
        const auto r = fittedRange(c.lo, c.hi);
        ASSERT_EQ(r.has_value(), c.some) << c.lo;
        if (!r) continue;
        EXPECT_NEAR(r->first, c.from, 1e-9) << c.lo;
        EXPECT_NEAR(r->second, c.to, 1e-9) << c.lo;
    }
}

TEST(TrendMerge, NeighboursMergeKeepingExtremesAlarmsAndGaps) {
    const double gap = std::nan("");
    struct Case {
        const char* name;
        std::vector<double> values;  // one bucket each; NaN a gap
        std::size_t maxEntries;
        std::vector<std::pair<double, double>> want;  // {NaN, NaN} a gap
    };
    const Case cases[] = {
        {"few enough: as they are", {1, 2, 3}, 5, {{1, 1}, {2, 2}, {3, 3}}},
        {"pairs", {1, 5, 3, 2, 9, 0}, 3, {{1, 5}, {2, 3}, {0, 9}}},
        {"threes with a rest", {1, 5, 3, 2, 9, 0, 4}, 3, {{1, 5}, {0, 9}, {4, 4}}},
        {"a gap is kept and starts a new group", {1, 5, gap, 3, 2, 9}, 3, {{1, 5}, {gap, gap}, {2, 3}, {9, 9}}},
    };
    for (const Case& c : cases) {
        std::vector<Bucket> in;
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            Bucket b;
            b.ms = static_cast<qint64>(i) * 1000;
            b.min = b.max = c.values[i];
            if (c.values[i] == 9) {
                b.alarm = 9;
                b.alarms = 2;
            }
            in.push_back(b);
        }
        const std::vector<Bucket> out = merged(in, c.maxEntries);
        quint32 alarms = 0;
        for (const Bucket& b : out) alarms += b.alarms;
        EXPECT_EQ(alarms, std::count(c.values.begin(), c.values.end(), 9.0) * 2u) << c.name;  // none lost
        ASSERT_EQ(out.size(), c.want.size()) << c.name;
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (std::isnan(c.want[i].first)) {
                EXPECT_TRUE(out[i].gap()) << c.name << " " << i;
                continue;
            }
            EXPECT_EQ(out[i].min, c.want[i].first) << c.name << " " << i;
            EXPECT_EQ(out[i].max, c.want[i].second) << c.name << " " << i;
            EXPECT_EQ(out[i].hasAlarm(), out[i].max == 9 || out[i].min == 9) << c.name << " " << i;
        }
    }
}

}  // namespace
}  // namespace vel::trend
