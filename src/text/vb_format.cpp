// Writing numbers: fixed decimals, the general number format, "000".
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
    if (decimals < 0 || !isNumeric(numericText)) return numericText;
    return formatDigits(*detail::parseWhole(numericText), decimals);
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
    // "d.dddddddddddddde+XX".
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string sci(buf, result.ptr);
    const bool negative = sci[0] == '-';
    const size_t start = negative ? 1 : 0;
    const size_t ePos = sci.find('e');
    std::string digits = sci.substr(start, 1) + sci.substr(start + 2, ePos - start - 2);
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -15) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(std::abs(exponent));
    } else if (exponent >= 0) {
        const size_t intLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out += digits + std::string(intLen - digits.size(), '0');
        } else {
            out += digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    } else {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString threeDigits(int value) {
    const long long magnitude = std::llabs(static_cast<long long>(value));
    QString digits = QString::number(magnitude);
    if (digits.size() < 3) digits.prepend(QString(3 - digits.size(), QLatin1Char('0')));
    return value < 0 ? "-" + digits : digits;
}

}  // namespace vel::vb
