#pragma once
// Fixed4: a signed 64-bit count of ten-thousandths. Every time value of a run
// (milliseconds) and every millisecond operand of a script is held in it, so
// sums and differences of times are exact.
#include <cmath>
#include <compare>
#include <cstdint>

namespace vel {

struct Fixed4 {
    int64_t raw = 0;  // value * 10000

    static constexpr int64_t kScale = 10000;

    static constexpr Fixed4 fromRaw(int64_t r) { return Fixed4{r}; }
    static constexpr Fixed4 fromInt(int64_t whole) { return Fixed4{whole * kScale}; }
    // Rounds to the nearest ten-thousandth (halves away from zero).
    static Fixed4 fromDouble(double v) { return Fixed4{static_cast<int64_t>(std::llround(v * kScale))}; }

    constexpr double toDouble() const { return static_cast<double>(raw) / kScale; }

    constexpr Fixed4 operator+(Fixed4 o) const { return Fixed4{raw + o.raw}; }
    constexpr Fixed4 operator-(Fixed4 o) const { return Fixed4{raw - o.raw}; }
    constexpr Fixed4& operator+=(Fixed4 o) { raw += o.raw; return *this; }
    constexpr Fixed4& operator-=(Fixed4 o) { raw -= o.raw; return *this; }
    constexpr auto operator<=>(const Fixed4&) const = default;
    constexpr bool operator==(const Fixed4&) const = default;

    // Comparison with a plain number compares the represented values.
    constexpr bool operator<(int64_t v) const { return raw < v * kScale; }
    constexpr bool operator>(int64_t v) const { return raw > v * kScale; }
    constexpr bool operator<=(int64_t v) const { return raw <= v * kScale; }
    constexpr bool operator>=(int64_t v) const { return raw >= v * kScale; }
    constexpr bool operator==(int64_t v) const { return raw == v * kScale; }
    constexpr bool operator!=(int64_t v) const { return raw != v * kScale; }
};

}  // namespace vel
