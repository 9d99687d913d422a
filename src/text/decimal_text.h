#pragma once
// A number text taken apart into its decimal digits, so that rounding and
// formatting work on the digits as written rather than on a binary double.
// Internal to the number helpers of vb.h.
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <string>

namespace vel::vb::detail {

struct DecimalText {
    bool negative = false;
    std::string digits;    // significant digits '0'..'9', no leading zeros; empty for zero
    int64_t pointPos = 0;  // the value is 0.<digits> x 10^pointPos
};

// The whole text, with optional surrounding blanks, is one number: sign,
// digits with an optional point (at least one digit), optional exponent.
std::optional<DecimalText> parseWhole(QStringView text);

// The number at the start of the text; blanks anywhere are skipped first.
// nullopt when the text does not start with a number.
std::optional<DecimalText> parseLeading(QStringView text);

// The nearest double; beyond the double range gives +-infinity, below it 0.
double toDouble(const DecimalText& number);

}  // namespace vel::vb::detail
