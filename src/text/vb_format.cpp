// Writing numbers: fixed decimals, the general number format, "000".
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "text/decimal_text.h"
#include "text/vb.h"

namespace vel::vb {
namespace {

// Adds one to a string of decimal digits; "" counts as 0.
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

QString formatDigits(const detail::DecimalText& number, int decimals) {
    const std::string& d = number.digits;
    const int64_t size = static_cast<int64_t>(d.size());
    // The result is the integer `kept` x 10^-decimals: the digits of the
    // value down to the last decimal, rounded half away from zero on the
    // first digit that is dropped.
    const int64_t cut = number.pointPos + decimals;
    std::string kept;
    if (cut > 0) {
        kept = d.substr(0, static_cast<size_t>(std::min(cut, size)));
        if (cut > size) kept.append(static_cast<size_t>(cut - size), '0');
    }
    if (cut >= 0 && cut < size && d[static_cast<size_t>(cut)] >= '5') incrementDigits(kept);

    const size_t firstNonZero = kept.find_first_not_of('0');
    const bool zero = firstNonZero == std::string::npos;
    kept.erase(0, zero ? kept.size() : firstNonZero);
    const size_t width = static_cast<size_t>(decimals) + 1;  // at least one integer digit
    if (kept.size() < width) kept.insert(0, width - kept.size(), '0');

    std::string out;
    if (number.negative && !zero) out.push_back('-');
    out.append(kept, 0, kept.size() - static_cast<size_t>(decimals));
    if (decimals > 0) {
        out.push_back('.');
        out.append(kept, kept.size() - static_cast<size_t>(decimals), std::string::npos);
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

}  // namespace

QString formatDecimals(const QString& numericText, int decimals) {
    if (decimals < 0) return numericText;
    // Read once: numeric as isNumeric() says, then rounded from those digits.
    const auto number = detail::parseWhole(numericText);
    if (!number || !std::isfinite(detail::toDouble(*number))) return numericText;
    return formatDigits(*number, decimals);
}

QString formatDecimals(double value, int decimals) {
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);  // shortest round trip
    return formatDecimals(QString::fromLatin1(buf, result.ptr - buf), decimals);
}

QString generalNumber(double value) {
    if (std::isnan(value)) return QStringLiteral("NaN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
    if (value == 0.0) return QStringLiteral("0");

    // Fifteen significant digits, rounded from the exact binary value:
    // "d.dddddddddddddde+XX". Built in fixed buffers: the run monitor grid
    // shows three of these per value and record.
    char sci[64];
    const char* sciEnd = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14).ptr;
    const bool negative = sci[0] == '-';
    const char* mantissa = sci + (negative ? 1 : 0);
    const char* e = std::find(mantissa, sciEnd, 'e');
    int exponent = 0;  // "e+XX" or "e-XX", not terminated
    std::from_chars(e + 2, sciEnd, exponent);
    if (e[1] == '-') exponent = -exponent;
    char digits[20];
    size_t n = 0;
    digits[n++] = mantissa[0];
    for (const char* p = mantissa + 2; p < e; ++p) digits[n++] = *p;
    while (n > 1 && digits[n - 1] == '0') --n;

    char out[48];
    size_t len = 0;
    auto put = [&](char c) { out[len++] = c; };
    if (negative) put('-');
    if (exponent >= 15 || exponent < -15) {
        put(digits[0]);
        if (n > 1) {
            put('.');
            for (size_t i = 1; i < n; ++i) put(digits[i]);
        }
        put('E');
        put(exponent < 0 ? '-' : '+');
        len = static_cast<size_t>(std::to_chars(out + len, out + sizeof out, std::abs(exponent)).ptr - out);
    } else if (exponent >= 0) {
        const size_t intLen = static_cast<size_t>(exponent) + 1;
        for (size_t i = 0; i < intLen; ++i) put(i < n ? digits[i] : '0');
        if (n > intLen) {
            put('.');
            for (size_t i = intLen; i < n; ++i) put(digits[i]);
        }
    } else {
        put('0');
        put('.');
        for (int i = 0; i < -exponent - 1; ++i) put('0');
        for (size_t i = 0; i < n; ++i) put(digits[i]);
    }
    return QString::fromLatin1(out, static_cast<qsizetype>(len));
}

QString threeDigits(int value) {
    const long long magnitude = std::llabs(static_cast<long long>(value));
    QString digits = QString::number(magnitude);
    if (digits.size() < 3) digits.prepend(QString(3 - digits.size(), QLatin1Char('0')));
    return value < 0 ? "-" + digits : digits;
}

}  // namespace vel::vb
