#pragma once
// Which stretch of time the trend shows: the chosen span up to the newest
// value while it follows the run, or the stretch the user zoomed or panned
// to. No widgets here.
#include <QtGlobal>
#include <array>
#include <optional>
#include <utility>

namespace vel::trend {

// The span buttons: 1 min, 10 min, 1 h, 8 h, and 0 for the whole run.
inline constexpr std::array<qint64, 5> kSpansMs{60'000, 600'000, 3'600'000, 8 * 3'600'000, 0};

struct TimeWindow {
    qint64 spanMs = kSpansMs[1];
    bool following = true;  // the newest value at the right edge
    qint64 fromMs = 0;      // the stretch once the user zoomed or panned
    qint64 toMs = 0;
};

// The stretch shown for a run that has values from firstMs to lastMs.
std::pair<qint64, qint64> shownRange(const TimeWindow& w, qint64 firstMs, qint64 lastMs);

// Zooms by `factor` (< 1 in, > 1 out) about anchorMs, keeping at least one
// second on the screen; the trend stops following.
void zoom(TimeWindow& w, qint64 firstMs, qint64 lastMs, double factor, qint64 anchorMs);
// Moves the stretch by deltaMs (later when positive); stops following.
void pan(TimeWindow& w, qint64 firstMs, qint64 lastMs, qint64 deltaMs);
// A span button: that span up to the newest value.
void follow(TimeWindow& w, qint64 spanMs);

// The axis range for values from lo to hi: a margin of a twentieth above
// and below, and a unit around a flat line; nullopt when there are none.
std::optional<std::pair<double, double>> fittedRange(double lo, double hi);

}  // namespace vel::trend
