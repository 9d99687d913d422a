#pragma once
// The number, rounding and date behaviour the program's files and displays
// rely on, in one place. Nothing else re-implements these rules.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace vel::vb {

// Numeric text: optional surrounding blanks, optional sign, digits with an
// optional decimal point (at least one digit), optional exponent (E/e, sign,
// digits). "1e3", " 12.5 ", "-.5", "+3." are numeric; "12a", "", "." are not.
// Blanks are spaces and tabs. A number beyond the double range ("1e400") is
// not numeric: it could not be held as a value.
// Trim: the text without the spaces (U+0020 only, not tabs) at either end.
QString trim(const QString& text);

bool isNumeric(const QString& text);

// The value of a numeric text (0 when it is not numeric).
double toDouble(const QString& text);

// The leading number of a text: blanks (spaces, tabs) anywhere inside it are
// skipped, a sign, digits with at most one point and an exponent are read
// until the first other character; no number gives 0. "12.5abc" gives 12.5,
// "1 2" gives 12, "abc" gives 0. A number beyond the double range gives
// +-infinity, which the range checks below reject.
double leadingValue(const QString& text);

// Round half to even to a whole number; nullopt when out of range.
std::optional<int16_t> roundToInt16(double v);
std::optional<int32_t> roundToInt32(double v);
double roundHalfEven(double v);

// The leading number of a text (leadingValue) rounded half to even, as the
// number fields read their text: "12.5" gives 12, "abc" 0; nullopt when out
// of range.
std::optional<int16_t> leadingInt16(const QString& text);
std::optional<int32_t> leadingInt32(const QString& text);

// A number in the "#0.000" style: at least one integer digit, exactly
// `decimals` decimals (0..9), rounded on the decimal digits of the text (not
// of a binary double), halves away from zero: ("1.005", 2) gives "1.01",
// ("2.5", 0) gives "3". A result that rounds to zero is written without a
// sign ("-0.0004", 3 gives "0.000"). Non-numeric text, and any text with
// negative `decimals`, is returned unchanged.
// The double overload formats the value's shortest round-trip decimal text.
QString formatDecimals(const QString& numericText, int decimals);
QString formatDecimals(double value, int decimals);

// General number format: the shortest plain decimal with at most 15
// significant digits, no thousands separators, no trailing zeros
// (100, 12.35, -0.5 written as "-0.5"). Values of 1e15 and above or below
// 1e-15 in magnitude use the exponent form "1E+16", "1E-16".
QString generalNumber(double value);

// The "000" pattern: at least three digits with leading zeros.
QString threeDigits(int value);

enum class DateFormat {
    LongDateTime,   // yyyy/mm/dd hh:mm:ss
    ShortDateTime,  // yy/mm/dd hh:mm:ss
    TimeOnly,       // hh:mm:ss
    MonthDayTime,   // mm/dd hh:mm:ss
};
// An invalid date-time is written as the zero date 1899/12/30 00:00:00.
QString formatDate(const QDateTime& when, DateFormat format);

// Reads a date-time text back: "yyyy/mm/dd hh:mm:ss", "yy/mm/dd hh:mm:ss"
// or "hh:mm:ss" (a time of day alone gets the date 1899/12/30, the zero date
// of the spreadsheet). Two-digit years 00..29 are 2000..2029, 30..99 are
// 1930..1999; the fields after the year may have one digit; surrounding blanks are
// allowed. nullopt when it is none of these or not a real date or time.
std::optional<QDateTime> parseDateTime(const QString& text);

}  // namespace vel::vb
