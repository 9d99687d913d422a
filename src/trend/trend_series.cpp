#include "trend/trend_series.h"

#include <algorithm>
#include <cmath>

namespace vel::trend {
namespace {

qint64 bucketStart(qint64 ms, qint64 bucketMs) {
    if (bucketMs == 0) return ms;
    const qint64 q = ms / bucketMs;
    return (ms % bucketMs < 0 ? q - 1 : q) * bucketMs;
}

void merge(Bucket& b, double value, bool alarm) {
    if (std::isnan(value)) return;  // a text value leaves the bucket's numbers as they are
    if (b.gap()) {
        b.min = value;
        b.max = value;
    } else {
        b.min = std::min(b.min, value);
        b.max = std::max(b.max, value);
    }
    if (alarm) {
        b.alarm = static_cast<float>(value);
        ++b.alarms;
    }
}

auto firstTouching(const std::deque<Bucket>& level, qint64 fromMs) {
    return std::lower_bound(level.begin(), level.end(), fromMs,
                            [](const Bucket& b, qint64 ms) { return b.ms < ms; });
}

}  // namespace

void Series::add(qint64 ms, double value, bool alarm) {
    if (empty()) firstMs_ = ms;
    lastMs_ = std::max(lastMs_, ms);
    const bool text = std::isnan(value);
    for (std::size_t r = 0; r < kResolutionCount; ++r) {
        std::deque<Bucket>& level = levels_[r];
        const qint64 start = bucketStart(ms, kResolutions[r].bucketMs);
        // A text value is a gap of its own, so that the line breaks even
        // inside a bucket that already holds numbers; two gaps in a row are one.
        const bool sameBucket = !level.empty() && level.back().ms >= start && kResolutions[r].bucketMs != 0 &&
                                !text && !level.back().gap();
        if (text && !level.empty() && level.back().gap()) continue;
        if (!sameBucket) {
            Bucket fresh;  // a gap until a number comes
            fresh.ms = std::max(start, level.empty() ? start : level.back().ms);
            level.push_back(fresh);
            if (level.size() > kResolutions[r].capacity) level.pop_front();
        }
        merge(level.back(), value, alarm);
    }
}

std::size_t Series::resolutionFor(qint64 fromMs, qint64 toMs) const {
    for (std::size_t r = 0; r < kResolutionCount; ++r) {
        const std::deque<Bucket>& level = levels_[r];
        if (level.empty()) return r;
        const bool reachesBack = level.front().ms <= std::max(fromMs, firstMs_) || level.size() < kResolutions[r].capacity;
        if (!reachesBack) continue;
        const auto from = firstTouching(level, fromMs);
        const auto to = firstTouching(level, toMs + 1);
        if (static_cast<std::size_t>(to - from) <= kMaxEntriesPerSpan) return r;
    }
    return kResolutionCount - 1;
}

std::vector<Bucket> Series::entries(std::size_t resolution, qint64 fromMs, qint64 toMs) const {
    const std::deque<Bucket>& level = levels_[resolution];
    auto from = firstTouching(level, fromMs);
    auto to = firstTouching(level, toMs + 1);
    if (from != level.begin()) --from;
    if (to != level.end()) ++to;
    return {from, to};
}

std::vector<Bucket> merged(const std::vector<Bucket>& entries, std::size_t maxEntries) {
    if (maxEntries == 0 || entries.size() <= maxEntries) return entries;
    const std::size_t group = (entries.size() + maxEntries - 1) / maxEntries;
    std::vector<Bucket> out;
    out.reserve(maxEntries + 16);
    std::size_t inGroup = 0;
    for (const Bucket& b : entries) {
        if (b.gap()) {
            if (out.empty() || !out.back().gap()) out.push_back(b);
            inGroup = 0;
            continue;
        }
        if (inGroup == 0 || out.empty() || out.back().gap()) {
            out.push_back(b);
            inGroup = 1;
        } else {
            Bucket& m = out.back();
            m.min = std::min(m.min, b.min);
            m.max = std::max(m.max, b.max);
            if (b.hasAlarm()) m.alarm = b.alarm;
            m.alarms += b.alarms;
            ++inGroup;
        }
        if (inGroup == group) inGroup = 0;
    }
    return out;
}

std::size_t Series::bytes() const {
    std::size_t total = sizeof(*this);
    for (const auto& level : levels_) total += level.size() * sizeof(Bucket);
    return total;
}

}  // namespace vel::trend
