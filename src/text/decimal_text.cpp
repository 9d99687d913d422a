#include "text/decimal_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace vel::vb::detail {
namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Exponents this large are far outside the double range either way; capping
// them keeps the arithmetic in 64 bits.
constexpr int64_t kExponentCap = 1'000'000'000'000;

// Reads sign, mantissa and exponent from text[pos]; pos ends after the last
// character that belongs to the number. An "E" not followed by digits (with
// an optional sign) is left unread.
bool scanNumber(QStringView text, qsizetype& pos, DecimalText& out) {
    const qsizetype n = text.size();
    qsizetype i = pos;
    out = DecimalText{};
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        out.negative = text[i] == u'-';
        ++i;
    }
    bool anyDigit = false;
    bool seenNonZero = false;
    int64_t intDigits = 0;     // significant digits before the point
    int64_t leadingFracZeros = 0;  // zeros after the point before the first significant digit
    for (; i < n && isDigit(text[i]); ++i) {
        anyDigit = true;
        if (text[i] == u'0' && !seenNonZero) continue;
        seenNonZero = true;
        out.digits.push_back(static_cast<char>(text[i].unicode()));
        ++intDigits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        for (; i < n && isDigit(text[i]); ++i) {
            anyDigit = true;
            if (text[i] == u'0' && !seenNonZero) {
                ++leadingFracZeros;
                continue;
            }
            seenNonZero = true;
            out.digits.push_back(static_cast<char>(text[i].unicode()));
        }
    }
    if (!anyDigit) return false;

    int64_t exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            expNegative = text[j] == u'-';
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            for (; j < n && isDigit(text[j]); ++j) {
                if (exponent < kExponentCap) exponent = exponent * 10 + (text[j].unicode() - u'0');
            }
            if (expNegative) exponent = -exponent;
            i = j;
        }
    }
    pos = i;

    while (!out.digits.empty() && out.digits.back() == '0') out.digits.pop_back();
    if (out.digits.empty()) {
        out.pointPos = 0;
        return true;
    }
    out.pointPos = (intDigits > 0 ? intDigits : -leadingFracZeros) + exponent;
    return true;
}

}  // namespace

std::optional<DecimalText> parseWhole(QStringView text) {
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n && isBlank(text[pos])) ++pos;
    DecimalText number;
    if (!scanNumber(text, pos, number)) return std::nullopt;
    while (pos < n && isBlank(text[pos])) ++pos;
    if (pos != n) return std::nullopt;
    return number;
}

std::optional<DecimalText> parseLeading(QStringView text) {
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c)) compact.append(c);
    qsizetype pos = 0;
    DecimalText number;
    if (!scanNumber(compact, pos, number)) return std::nullopt;
    return number;
}

double toDouble(const DecimalText& number) {
    if (number.digits.empty()) return 0.0;
    const double inf = std::numeric_limits<double>::infinity();
    // 0.d x 10^400 is above the largest double, 0.d x 10^-400 below the smallest.
    if (number.pointPos > 400) return number.negative ? -inf : inf;
    if (number.pointPos < -400) return 0.0;

    std::string text = "0." + number.digits + "e" + std::to_string(number.pointPos);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (number.pointPos <= 0) return 0.0;
        value = inf;
    }
    if (value == 0.0) return 0.0;
    return number.negative ? -value : value;
}

}  // namespace vel::vb::detail
