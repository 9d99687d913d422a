// The decimated history of one item: every bucket keeps the least and the
// greatest value that fell into it, each resolution stays within its bounds
// however long the run, a span is drawn from the resolution that fits it,
// and text values break the line.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "trend/trend_series.h"

namespace vel::trend {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct MinMax {
    double min = INFINITY;
    double max = -INFINITY;
};

TEST(TrendSeries, EveryBucketKeepsTheLeastAndGreatestOfItsValues) {
    struct Case {
        const char* name;
        int count;
        qint64 stepMs;
        std::function<double(int)> value;
    };
    const Case cases[] = {
        {"rising at 10/s", 20'000, 100, [](int i) { return i * 0.5; }},
        {"sine at 7/s", 30'000, 143, [](int i) { return std::sin(i / 50.0) * 100; }},
        {"lone spikes every 997 values", 25'000, 100, [](int i) { return i % 997 == 0 ? 1e6 : -(i % 13); }},
        {"one value in 3 s", 5'000, 3'000, [](int i) { return (i * 7919) % 101 - 50.0; }},
    };
    for (const Case& c : cases) {
        Series s;
        std::array<std::map<qint64, MinMax>, kResolutionCount> expected;
        const qint64 t0 = 1'700'000'000'123;
        for (int i = 0; i < c.count; ++i) {
            const qint64 ms = t0 + i * c.stepMs;
            const double v = c.value(i);
            s.add(ms, v, false);
            for (std::size_t r = 1; r < kResolutionCount; ++r) {
                MinMax& m = expected[r][ms / kResolutions[r].bucketMs * kResolutions[r].bucketMs];
                m.min = std::min(m.min, v);
                m.max = std::max(m.max, v);
            }
        }
        for (std::size_t r = 1; r < kResolutionCount; ++r) {
            ASSERT_FALSE(s.level(r).empty()) << c.name;
            // Each resolution is fed every value, so every kept bucket is whole.
            for (const Bucket& b : s.level(r)) {
                const auto it = expected[r].find(b.ms);
                ASSERT_NE(it, expected[r].end()) << c.name << " resolution " << r << " bucket " << b.ms;
                EXPECT_EQ(b.min, it->second.min) << c.name << " resolution " << r << " at " << b.ms;
                EXPECT_EQ(b.max, it->second.max) << c.name << " resolution " << r << " at " << b.ms;
            }
            // The newest buckets are all there, none skipped.
            const std::size_t kept = std::min(expected[r].size(), kResolutions[r].capacity);
            EXPECT_EQ(s.level(r).size(), kept) << c.name << " resolution " << r;
        }
    }
}

TEST(TrendSeries, StaysBoundedOverAWeekAtTenValuesASecond) {
    Series s;
    const qint64 week = 7LL * 24 * 3600 * 1000;
    for (qint64 ms = 0; ms < week; ms += 100) s.add(ms, static_cast<double>(ms % 7919), (ms / 100) % 5000 == 0);
    for (std::size_t r = 0; r + 1 < kResolutionCount; ++r)
        EXPECT_EQ(s.level(r).size(), kResolutions[r].capacity) << "resolution " << r;
    EXPECT_EQ(s.level(kResolutionCount - 1).size(), 7u * 24 * 6);
    EXPECT_LT(s.bytes(), 1'200'000u);
    // The whole week is still there at 10 min buckets, alarms included.
    EXPECT_EQ(s.level(kResolutionCount - 1).front().ms, 0);
    EXPECT_TRUE(s.level(kResolutionCount - 1).front().hasAlarm());
}

TEST(TrendSeries, SpanIsDrawnFromTheFinestResolutionThatHoldsIt) {
    // Nine hours at 10 values/s.
    Series s;
    const qint64 t0 = 1'000'000'000'000;
    const qint64 end = t0 + 9LL * 3600 * 1000;
    for (qint64 ms = t0; ms < end; ms += 100) s.add(ms, 1.0, false);
    const qint64 last = s.lastMs();
    constexpr qint64 kMin = 60'000;
    struct Case {
        const char* name;
        qint64 from, to;
        std::size_t resolution;
    };
    const Case cases[] = {
        {"the last minute: as they came", last - kMin, last, 0},
        {"the last 3 minutes: as they came", last - 3 * kMin, last, 0},
        {"the last 10 minutes: 1 s", last - 10 * kMin, last, 1},
        {"the last hour: 10 s", last - 60 * kMin, last, 2},
        {"the last 8 hours: 1 min", last - 480 * kMin, last, 3},
        {"the whole run: 1 min", t0, last, 3},
        {"a minute 2 hours ago, before the 1 s buckets: 10 s", last - 120 * kMin, last - 119 * kMin, 2},
        {"a minute 5 minutes ago: as they came", last - 5 * kMin, last - 4 * kMin, 0},
    };
    for (const Case& c : cases) {
        const std::size_t r = s.resolutionFor(c.from, c.to);
        EXPECT_EQ(r, c.resolution) << c.name;
        const std::vector<Bucket> drawn = s.entries(r, c.from, c.to);
        EXPECT_LE(drawn.size(), kMaxEntriesPerSpan + 2) << c.name;
        ASSERT_FALSE(drawn.empty()) << c.name;
        EXPECT_LE(drawn.front().ms, std::max(c.from, t0)) << c.name;
        EXPECT_GE(drawn.back().ms + std::max<qint64>(kResolutions[r].bucketMs, 1) - 1, std::min(c.to, last)) << c.name;
    }
}

TEST(TrendSeries, TextValuesBreakTheLineAtEveryResolution) {
    struct Case {
        const char* name;
        std::vector<double> values;  // one every 400 ms
        std::vector<std::vector<double>> raw;  // per entry {min, max}; {} for a gap
        std::vector<std::vector<double>> seconds;
    };
    const Case cases[] = {
        {"text between numbers", {1, 2, kNaN, kNaN, 3}, {{1, 1}, {2, 2}, {}, {3, 3}}, {{1, 2}, {}, {3, 3}}},
        {"text first", {kNaN, 5, 4}, {{}, {5, 5}, {4, 4}}, {{}, {4, 5}}},
        {"text last", {7, 8, 9, kNaN}, {{7, 7}, {8, 8}, {9, 9}, {}}, {{7, 9}, {}}},
        {"numbers only", {3, 1, 2}, {{3, 3}, {1, 1}, {2, 2}}, {{1, 3}}},
    };
    auto same = [](const std::deque<Bucket>& got, const std::vector<std::vector<double>>& want) {
        if (got.size() != want.size()) return false;
        for (std::size_t i = 0; i < want.size(); ++i) {
            if (want[i].empty() != got[i].gap()) return false;
            if (!want[i].empty() && (got[i].min != want[i][0] || got[i].max != want[i][1])) return false;
        }
        return true;
    };
    for (const Case& c : cases) {
        Series s;
        for (std::size_t i = 0; i < c.values.size(); ++i) s.add(static_cast<qint64>(i) * 400, c.values[i], false);
        EXPECT_TRUE(same(s.level(0), c.raw)) << c.name << " as they came";
        EXPECT_TRUE(same(s.level(1), c.seconds)) << c.name << " in 1 s buckets";
        // Entries never go back in time, gaps included.
        for (std::size_t r = 0; r < kResolutionCount; ++r)
            for (std::size_t i = 1; i < s.level(r).size(); ++i)
                EXPECT_LE(s.level(r)[i - 1].ms, s.level(r)[i].ms) << c.name;
    }
}

TEST(TrendSeries, BucketKeepsItsLastValueInAlarm) {
    Series s;
    s.add(0, 10, false);
    s.add(100, 95, true);
    s.add(200, 97, true);
    s.add(1100, 20, false);
    EXPECT_EQ(s.level(0)[1].alarm, 95);
    EXPECT_FALSE(s.level(0)[0].hasAlarm());
    EXPECT_EQ(s.level(1)[0].alarm, 97);
    EXPECT_FALSE(s.level(1)[1].hasAlarm());
}

}  // namespace
}  // namespace vel::trend
