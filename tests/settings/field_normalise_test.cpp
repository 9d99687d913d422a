#include "settings/field_normalise.h"

#include <gtest/gtest.h>

#include <limits>

namespace vel {
namespace {

TEST(FieldNormalise, NumberFields) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    struct Case { QString text; int32_t minutes; int32_t row; int32_t number; };
    const Case cases[] = {
        {"-5", 0, 1, -5},
        {"45000", 30000, 45000, 45000},
        {"12.5", 12, 12, 12},
        {"13.5", 14, 14, 14},
        {"abc", 0, 1, 0},
        {"", 0, 1, 0},
        {"0", 0, 1, 0},
        {"70000", 30000, 65000, 70000},
        {" 7 ", 7, 7, 7},
        {"8x", 8, 8, 8},
        {"1e300", 30000, 65000, kMax},
        {"-3e10", 0, 1, kMin},
        {"2147483647.5", 30000, 65000, kMax},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acquisitionMinutes(c.text), c.minutes) << c.text.toStdString();
        EXPECT_EQ(startRow(c.text), c.row) << c.text.toStdString();
        EXPECT_EQ(acquisitionNumberOf(c.text), c.number) << c.text.toStdString();
    }
}

TEST(FieldNormalise, MailIntervals) {
    struct Case { QString text; QString shown; int16_t stored; };
    const Case cases[] = {
        {"0", "1", 1},
        {"abc", "1", 1},
        {"", "1", 1},
        {"12000", "9999", 9999},
        {"2.5", "2.5", 2},
        {"3.5", "3.5", 4},
        {"9998.6", "9998.6", 9999},
        {"9999.4", "9999", 9999},
        {"9999.5", "9999", 9999},
        {"0.9", "1", 1},
        {"1e9", "9999", 9999},
        {"70000", "9999", 9999},   // beyond 16 bits: still a usable interval
        {"-70000", "1", 1},
        {" 15", " 15", 15},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mailInterval(c.text), c.shown) << c.text.toStdString();
        EXPECT_EQ(mailMinutes(c.text), c.stored) << c.text.toStdString();
    }
}

TEST(FieldNormalise, TypedStartColumn) {
    struct Case { QString typed; QString column; };
    const Case cases[] = {
        {"b", "B"}, {"ab", "AB"}, {"A1", "AA"}, {"IZ", "IA"}, {"abc", "AB"}, {"", "A"},
        {"z", "Z"}, {" c ", "C"}, {"1", "A"}, {"[", "Z"}, {"AA", "AA"}, {"HZ", "HZ"},
        {"IA", "IA"}, {"ZZ", "IA"}, {"j", "J"},
        {"B1", "BA"}, {"C$", "CA"}, {"I5", "IA"}, {"H[", "HZ"},  // a digit or sign never stays in the letters
    };
    for (const Case& c : cases) EXPECT_EQ(startColumn(c.typed), c.column) << c.typed.toStdString();
}

TEST(FieldNormalise, StoredStartColumn) {
    struct Case { QString stored; QString shown; };
    const Case cases[] = {
        {"IB", "A"}, {"a", "A"}, {"ABC", "AB"}, {"IA", "IA"}, {"", "A"}, {"IV", "A"}, {"AB", "AB"},
        {"B", "B"},
        {"Z", "Z"}, {"Q", "Q"},  // single letters after I are columns all the same
        {"A1", "A"}, {"B$", "A"},
    };
    for (const Case& c : cases) EXPECT_EQ(storedStartColumn(c.stored), c.shown) << c.stored.toStdString();
}

TEST(FieldNormalise, WorkbookNameEnablesOpen) {
    struct Case { QString name; bool openable; };
    const Case cases[] = {
        {"book.xls", true}, {" /home/u/B.XLS ", true}, {"b.Xls", true}, {"b.xlsx", true}, {"b.ODS", true}, {" b.ods ", true}, {"b.odt", false},
        {"", false}, {"xls", true}, {"book.csv", false},
    };
    for (const Case& c : cases) EXPECT_EQ(workbookNameOpenable(c.name), c.openable) << c.name.toStdString();
}

}  // namespace
}  // namespace vel
