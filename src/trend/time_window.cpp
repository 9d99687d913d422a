#include "trend/time_window.h"

#include <algorithm>
#include <cmath>

namespace vel::trend {
namespace {

constexpr qint64 kLeastShownMs = 1000;

}  // namespace

std::pair<qint64, qint64> shownRange(const TimeWindow& w, qint64 firstMs, qint64 lastMs) {
    if (!w.following) return {w.fromMs, w.toMs};
    if (w.spanMs == 0) return {firstMs, std::max(lastMs, firstMs + kLeastShownMs)};
    return {lastMs - w.spanMs, lastMs};
}

void zoom(TimeWindow& w, qint64 firstMs, qint64 lastMs, double factor, qint64 anchorMs) {
    const auto [from, to] = shownRange(w, firstMs, lastMs);
    const double width = std::max(static_cast<double>(kLeastShownMs), (to - from) * factor);
    const double share = to > from ? static_cast<double>(anchorMs - from) / static_cast<double>(to - from) : 1.0;
    w.fromMs = anchorMs - std::llround(width * share);
    w.toMs = w.fromMs + std::llround(width);
    w.following = false;
}

void pan(TimeWindow& w, qint64 firstMs, qint64 lastMs, qint64 deltaMs) {
    const auto [from, to] = shownRange(w, firstMs, lastMs);
    w.fromMs = from + deltaMs;
    w.toMs = to + deltaMs;
    w.following = false;
}

void follow(TimeWindow& w, qint64 spanMs) {
    w.spanMs = spanMs;
    w.following = true;
}

std::optional<std::pair<double, double>> fittedRange(double lo, double hi) {
    if (!(lo <= hi)) return std::nullopt;
    if (lo == hi) {
        const double unit = std::max(1.0, std::abs(lo) * 0.05);
        return std::pair{lo - unit, hi + unit};
    }
    const double margin = (hi - lo) / 20;
    return std::pair{lo - margin, hi + margin};
}

}  // namespace vel::trend
