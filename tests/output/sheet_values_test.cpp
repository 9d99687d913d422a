#include "output/sheet_values.h"

#include <gtest/gtest.h>

#include "support/qstring_printer.h"

namespace vel {
namespace {

TEST(CellNumber, NumbersOnlyForNumericTexts) {
    struct Case {
        const char* text;
        std::optional<double> want;
    };
    const Case cases[] = {
        {"12.35", 12.35},  {" -5 ", -5.0},     {"1e3", 1000.0},  {"+3.", 3.0},       {"0", 0.0},
        {"E-ERR-1", {}},   {"=1+1", {}},       {"2024/05/01", {}}, {"12:00:00", {}}, {"", {}},
        {"12a", {}},       {"1,000", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(cellNumber(QString::fromUtf8(c.text)), c.want) << c.text;
}

TEST(DateTimeSerial, CountsDaysFromTheZeroDate) {
    struct Case {
        QDateTime when;
        double want;
        bool timeOfDay;
    };
    const Case cases[] = {
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0, true},
        {QDateTime(QDate(1899, 12, 30), QTime(6, 0)), 0.25, true},
        {QDateTime(QDate(1899, 12, 30), QTime(23, 59, 59)), 86399.0 / 86400.0, true},
        {QDateTime(QDate(1900, 1, 1), QTime(0, 0)), 2.0, false},
        {QDateTime(QDate(2024, 5, 1), QTime(12, 0)), 45413.5, false},
        {QDateTime(QDate(2024, 2, 29), QTime(18, 0)), 45351.75, false},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(dateTimeSerial(c.when), c.want) << c.when.toString().toStdString();
        EXPECT_EQ(isTimeOfDay(c.when), c.timeOfDay) << c.when.toString().toStdString();
    }
}

TEST(ColourOfIndex, AlarmRedAndTheRangeOfTheTable) {
    const std::pair<int, std::optional<uint32_t>> cases[] = {
        {3, 0xFF0000}, {1, 0x000000}, {5, 0x0000FF}, {8, 0x00FFFF}, {0, {}}, {9, {}}, {-1, {}},
    };
    for (const auto& [index, want] : cases) EXPECT_EQ(colourOfIndex(index), want) << index;
}

TEST(AbsoluteCellAddress, ColumnLettersAndRow) {
    const std::tuple<int32_t, int32_t, const char*> cases[] = {
        {3, 2, "$B$3"}, {10, 28, "$AB$10"}, {5, 256, "$IV$5"}, {1048576, 1, "$A$1048576"}, {0, 1, ""}, {1, 0, ""},
    };
    for (const auto& [row, column, want] : cases) EXPECT_EQ(absoluteCellAddress(row, column), QString(want)) << want;
}

}  // namespace
}  // namespace vel
