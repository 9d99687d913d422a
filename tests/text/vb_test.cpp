#include "text/vb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vel::vb {
namespace {

std::string str(const QString& s) { return s.toStdString(); }

TEST(VbNumbers, IsNumericAcceptsOnlyWholeNumberTexts) {
    struct Case { const char* text; bool numeric; };
    const Case cases[] = {
        {"0", true}, {"12", true}, {" 12.5 ", true}, {"\t-3\t", true}, {"-.5", true}, {"+3.", true},
        {"1e3", true}, {"1E+3", true}, {"2.5e-3", true}, {"007", true}, {"1e400", false},
        {"1e-400", true},  // underflows to zero, still a number
        {"", false}, {" ", false}, {".", false}, {"+", false}, {"-", false}, {"e5", false},
        {"12a", false}, {"1e", false}, {"1e+", false}, {"1.2.3", false}, {"- 5", false},
        {"1 2", false}, {"--1", false}, {"0x10", false}, {"1,000", false}, {"１２", false},
        {"12\r", false}, {"E-ERR-1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isNumeric(QString::fromUtf8(c.text)), c.numeric) << c.text;
}

TEST(VbNumbers, ToDoubleAndLeadingValue) {
    struct Case { const char* text; double whole; double leading; };
    const Case cases[] = {
        {"12.5", 12.5, 12.5},
        {" -0.25 ", -0.25, -0.25},
        {"1e3", 1000, 1000},
        {"12.5abc", 0, 12.5},
        {"1 2", 0, 12},
        {" 1 . 5 ", 0, 1.5},
        {"- 5", 0, -5},
        {"+7", 7, 7},
        {"1.2.3", 0, 1.2},
        {"1e", 0, 1},
        {"1e+x", 0, 1},
        {"2E-2kg", 0, 0.02},
        {"abc", 0, 0},
        {"", 0, 0},
        {"-", 0, 0},
        {".5", 0.5, 0.5},
        {"\t9\t9", 0, 99},
        {"1e-400", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(toDouble(QString::fromUtf8(c.text)), c.whole) << c.text;
        EXPECT_DOUBLE_EQ(leadingValue(QString::fromUtf8(c.text)), c.leading) << c.text;
    }
    EXPECT_FALSE(std::signbit(toDouble("-0")));
    EXPECT_EQ(toDouble("1e400"), 0.0);
    EXPECT_TRUE(std::isinf(leadingValue("1e400")));
    // Long digit strings are read correctly, not through a truncated copy.
    EXPECT_DOUBLE_EQ(toDouble("0.1000000000000000000000000000000000000001"), 0.1);
}

TEST(VbNumbers, RoundHalfEven) {
    struct Case { double v; double rounded; };
    const Case cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {2.4999999, 2}, {2.5000001, 3}, {-2.6, -3}, {12, 12}, {4503599627370495.5, 4503599627370496},
    };
    for (const Case& c : cases) EXPECT_EQ(roundHalfEven(c.v), c.rounded) << c.v;
}

TEST(VbNumbers, RoundToIntegersRespectsTheirRanges) {
    struct Case16 { double v; std::optional<int16_t> r; };
    const Case16 c16[] = {
        {32767, 32767}, {32767.4, 32767}, {32767.5, std::nullopt}, {32768, std::nullopt},
        {-32768, -32768}, {-32768.5, -32768}, {-32769, std::nullopt}, {13.5, 14}, {12.5, 12},
        {std::nan(""), std::nullopt}, {std::numeric_limits<double>::infinity(), std::nullopt},
    };
    for (const Case16& c : c16) EXPECT_EQ(roundToInt16(c.v), c.r) << c.v;

    struct Case32 { double v; std::optional<int32_t> r; };
    const Case32 c32[] = {
        {2147483647.0, 2147483647}, {2147483647.5, std::nullopt}, {-2147483648.0, INT32_MIN},
        {-2147483648.5, INT32_MIN}, {-2147483649.0, std::nullopt}, {-0.5, 0}, {65000.5, 65000},
    };
    for (const Case32& c : c32) EXPECT_EQ(roundToInt32(c.v), c.r) << c.v;

    EXPECT_EQ(leadingInt16("12.5"), 12);
    EXPECT_EQ(leadingInt16("13.5 mm"), 14);
    EXPECT_EQ(leadingInt16("abc"), 0);
    EXPECT_EQ(leadingInt16("40000"), std::nullopt);
    EXPECT_EQ(leadingInt32("-5"), -5);
    EXPECT_EQ(leadingInt32("1e400"), std::nullopt);
}

TEST(VbNumbers, FormatDecimalsRoundsTheWrittenDigits) {
    struct Case { const char* text; int decimals; const char* out; };
    const Case cases[] = {
        {"1.005", 2, "1.01"},      // a double would hold 1.00499999...
        {"12.345", 2, "12.35"},
        {"12.344", 2, "12.34"},
        {"2.5", 0, "3"},
        {"0.5", 0, "1"},
        {"-2.5", 0, "-3"},
        {"-1.005", 2, "-1.01"},
        {"9.999", 2, "10.00"},
        {"99.5", 0, "100"},
        {"-0.0004", 3, "0.000"},
        {"-0.0005", 3, "-0.001"},
        {"-0", 2, "0.00"},
        {"0.4", 0, "0"},
        {".5", 1, "0.5"},
        {"007.10", 1, "7.1"},
        {"12", 3, "12.000"},
        {" 3 ", 1, "3.0"},
        {"+4.25", 1, "4.3"},
        {"1.5E-3", 3, "0.002"},
        {"1.5E-3", 2, "0.00"},
        {"1.25e2", 0, "125"},
        {"1e3", 1, "1000.0"},
        {"6.5e-10", 9, "0.000000001"},
        {"0.1234567895", 9, "0.123456790"},
        {"123456789012345678901234567890", 0, "123456789012345678901234567890"},
        {"1e-400", 2, "0.00"},
        {"5e-1000000000000000000", 0, "0"},
        {"abc", 2, "abc"},
        {"", 2, ""},
        {"12.345", -1, "12.345"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(str(formatDecimals(QString::fromUtf8(c.text), c.decimals)), c.out) << c.text << " " << c.decimals;

    EXPECT_EQ(str(formatDecimals(1.005, 2)), "1.01");
    EXPECT_EQ(str(formatDecimals(0.1 + 0.2, 3)), "0.300");
    EXPECT_EQ(str(formatDecimals(5.0 / 3.0, 3)), "1.667");
    EXPECT_EQ(str(formatDecimals(1e-5, 4)), "0.0000");
    EXPECT_EQ(str(formatDecimals(-1e21, 0)), "-1000000000000000000000");
}

TEST(VbNumbers, GeneralNumber) {
    struct Case { double v; const char* out; };
    const Case cases[] = {
        {0, "0"}, {-0.0, "0"}, {100, "100"}, {12.35, "12.35"}, {-0.5, "-0.5"}, {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"}, {2.0 / 3.0, "0.666666666666667"}, {1e-5, "0.00001"},
        {123456789012345.0, "123456789012345"}, {999999999999999.0, "999999999999999"},
        {999999999999999.9, "1E+15"}, {1e15, "1E+15"}, {1e16, "1E+16"}, {-2.5e20, "-2.5E+20"},
        {1e-15, "0.000000000000001"}, {1e-16, "1E-16"}, {1.5e-300, "1.5E-300"}, {1e100, "1E+100"},
        {-12345.678, "-12345.678"}, {941.188, "941.188"}, {6729987260416.0, "6729987260416"},
        {-2.5e-100, "-2.5E-100"}, {5e-324, "4.94065645841247E-324"},
    };
    for (const Case& c : cases) EXPECT_EQ(str(generalNumber(c.v)), c.out) << c.v;
}

TEST(VbNumbers, ThreeDigits) {
    EXPECT_EQ(str(threeDigits(0)), "000");
    EXPECT_EQ(str(threeDigits(3)), "003");
    EXPECT_EQ(str(threeDigits(259)), "259");
    EXPECT_EQ(str(threeDigits(1234)), "1234");
    EXPECT_EQ(str(threeDigits(-5)), "-005");
}

TEST(VbDates, FixedFormats) {
    const QDateTime t(QDate(2001, 6, 1), QTime(9, 5, 7));
    EXPECT_EQ(str(formatDate(t, DateFormat::LongDateTime)), "2001/06/01 09:05:07");
    EXPECT_EQ(str(formatDate(t, DateFormat::ShortDateTime)), "01/06/01 09:05:07");
    EXPECT_EQ(str(formatDate(t, DateFormat::TimeOnly)), "09:05:07");
    EXPECT_EQ(str(formatDate(t, DateFormat::MonthDayTime)), "06/01 09:05:07");
    const QDateTime late(QDate(1999, 12, 31), QTime(23, 59, 59, 999));
    EXPECT_EQ(str(formatDate(late, DateFormat::LongDateTime)), "1999/12/31 23:59:59");
    EXPECT_EQ(str(formatDate(QDateTime(), DateFormat::LongDateTime)), "1899/12/30 00:00:00");
}

TEST(VbDates, ParseDateTime) {
    struct Case { const char* text; std::optional<QDateTime> when; };
    const Case cases[] = {
        {"2024/05/01 12:00:00", QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0))},
        {"24/05/01 12:00:00", QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0))},
        {"99/12/31 23:59:59", QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59))},
        {"29/01/01 00:00:00", QDateTime(QDate(2029, 1, 1), QTime(0, 0, 0))},
        {"30/01/01 00:00:00", QDateTime(QDate(1930, 1, 1), QTime(0, 0, 0))},
        {"2024/5/1 9:05:00", QDateTime(QDate(2024, 5, 1), QTime(9, 5, 0))},
        {"12:34:56", QDateTime(QDate(1899, 12, 30), QTime(12, 34, 56))},
        {" 08:00:00 ", QDateTime(QDate(1899, 12, 30), QTime(8, 0, 0))},
        {"2023/02/29 00:00:00", std::nullopt},
        {"2024/13/01 00:00:00", std::nullopt},
        {"25:00:00", std::nullopt},
        {"12:60:00", std::nullopt},
        {"2024-05-01 12:00:00", std::nullopt},
        {"2024/05/01", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(parseDateTime(QString::fromUtf8(c.text)), c.when) << c.text;

    // What the formats write reads back to the same second.
    const QDateTime t(QDate(2024, 5, 1), QTime(12, 3, 4));
    EXPECT_EQ(parseDateTime(formatDate(t, DateFormat::LongDateTime)), t);
    EXPECT_EQ(parseDateTime(formatDate(t, DateFormat::ShortDateTime)), t);
}

}  // namespace
}  // namespace vel::vb

namespace vel::vb {
namespace {

TEST(VbTrim, RemovesSpacesOnlyAtBothEnds) {
    const std::pair<QString, QString> cases[] = {
        {"  D001  ", "D001"}, {"No. ", "No."}, {"\tA \t", "\tA \t"}, {"    ", ""}, {"", ""}, {"　全角　", "　全角　"},
        {" a b ", "a b"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(trim(in), out) << in.toStdString();
}

}  // namespace
}  // namespace vel::vb
