// Reading numbers out of texts and rounding them to whole numbers.
#include <cmath>

#include "text/decimal_text.h"
#include "text/vb.h"

namespace vel::vb {

bool isNumeric(const QString& text) {
    const auto number = detail::parseWhole(text);
    // A number beyond the double range cannot be held, so it does not count
    // as one: no infinity ever reaches the statistics or the outputs.
    return number && std::isfinite(detail::toDouble(*number));
}

double toDouble(const QString& text) {
    const auto number = detail::parseWhole(text);
    if (!number) return 0.0;
    const double v = detail::toDouble(*number);
    return std::isfinite(v) ? v : 0.0;
}

double leadingValue(const QString& text) {
    const auto number = detail::parseLeading(text);
    return number ? detail::toDouble(*number) : 0.0;
}

double roundHalfEven(double v) {
    if (!std::isfinite(v)) return v;
    const double below = std::floor(v);
    const double fraction = v - below;  // exact for every double
    if (fraction > 0.5) return below + 1.0;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::optional<int16_t> roundToInt16(double v) {
    const double r = roundHalfEven(v);
    if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;  // also rejects NaN
    return static_cast<int16_t>(r);
}

std::optional<int32_t> roundToInt32(double v) {
    const double r = roundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::nullopt;
    return static_cast<int32_t>(r);
}

std::optional<int16_t> leadingInt16(const QString& text) { return roundToInt16(leadingValue(text)); }

std::optional<int32_t> leadingInt32(const QString& text) { return roundToInt32(leadingValue(text)); }

QString trim(const QString& text) {
    qsizetype from = 0, to = text.size();
    while (from < to && text[from] == QLatin1Char(' ')) ++from;
    while (to > from && text[to - 1] == QLatin1Char(' ')) --to;
    return text.mid(from, to - from);
}

}  // namespace vel::vb
