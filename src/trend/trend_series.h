#pragma once
// One item's history at several resolutions: the newest values as they came,
// then buckets of 1 s, 10 s, 1 min and 10 min holding the least and greatest
// value of their time. Each resolution keeps a bounded number of entries, so
// a run of any length costs the same memory, and a span of any length can be
// drawn from the finest resolution that still reaches back to its start.
#include <QtGlobal>
#include <array>
#include <cstddef>
#include <deque>
#include <limits>
#include <vector>

namespace vel::trend {

// The least and greatest value in a bucket starting at `ms` (a single value:
// both the same). A bucket with no number in it (only text values) is a gap:
// both NaN. `alarm` is the last value in alarm that fell into it, NaN when
// none did, and `alarms` how many values in alarm did. The marker's place
// needs no more than a float, so a bucket stays 32 bytes.
struct Bucket {
    qint64 ms = 0;
    double min = std::numeric_limits<double>::quiet_NaN();
    double max = std::numeric_limits<double>::quiet_NaN();
    float alarm = std::numeric_limits<float>::quiet_NaN();
    quint32 alarms = 0;

    bool gap() const { return min != min; }
    bool hasAlarm() const { return alarm == alarm; }
};
static_assert(sizeof(Bucket) == 32);

struct Resolution {
    qint64 bucketMs;  // 0: every value is its own entry
    std::size_t capacity;
};

// Newest 10 minutes at 10 values/s as they came, 1 s buckets for an hour,
// 10 s buckets for a day, 1 min buckets for a week, 10 min buckets for 30 days.
inline constexpr std::size_t kResolutionCount = 5;
inline constexpr std::array<Resolution, kResolutionCount> kResolutions{{
    {0, 6000}, {1000, 3600}, {10'000, 8640}, {60'000, 10'080}, {600'000, 4320},
}};

// A span is drawn from at most this many entries (each bucket gives the
// chart two points, its least and its greatest value).
inline constexpr std::size_t kMaxEntriesPerSpan = 2000;

// At most about `maxEntries` entries for the chart: runs of neighbouring
// buckets merged into one (least of the least, greatest of the greatest, the
// last alarm and the sum of the alarms), a gap never merged away. A span drawn on a few hundred pixels
// needs no more.
std::vector<Bucket> merged(const std::vector<Bucket>& entries, std::size_t maxEntries);

class Series {
public:
    // A number (not NaN) or, for a text value, NaN: the line breaks there.
    void add(qint64 ms, double value, bool alarm);

    // The finest resolution that holds [fromMs, toMs] from its start, in at
    // most kMaxEntriesPerSpan entries; the coarsest when none does.
    std::size_t resolutionFor(qint64 fromMs, qint64 toMs) const;
    // The entries of a resolution that touch [fromMs, toMs], with one entry
    // either side so that the line runs on to the edges.
    std::vector<Bucket> entries(std::size_t resolution, qint64 fromMs, qint64 toMs) const;
    const std::deque<Bucket>& level(std::size_t resolution) const { return levels_[resolution]; }

    bool empty() const { return levels_[0].empty(); }
    qint64 firstMs() const { return firstMs_; }
    qint64 lastMs() const { return lastMs_; }
    std::size_t bytes() const;

private:
    std::array<std::deque<Bucket>, kResolutionCount> levels_;
    qint64 firstMs_ = 0;
    qint64 lastMs_ = 0;
};

}  // namespace vel::trend
