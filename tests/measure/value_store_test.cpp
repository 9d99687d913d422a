#include "measure/value_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/measure_bench.h"

namespace vel {
namespace {

struct Limits {
    int16_t decimals = -1;
    bool maxSet = false;
    double maxLimit = 0;
    bool minSet = false;
    double minLimit = 0;
};

DataItem itemWith(const Limits& l) {
    DataItem item;
    item.decimals = l.decimals;
    item.maxSet = l.maxSet;
    item.maxLimit = l.maxLimit;
    item.minSet = l.minSet;
    item.minLimit = l.minLimit;
    return item;
}

TEST(StoreValue, RoundsToTheDecimalsAndClampsToTheLimits) {
    struct Case {
        const char* what;
        Limits limits;
        QString text;
        QString stored;
        double value;  // what the statistics see
    };
    const Case cases[] = {
        {"DEC 2", {2}, "12.345", "12.35", 12.35},
        {"no DEC keeps the text", {}, "12.345", "12.345", 12.345},
        {"no DEC keeps blanks and sign", {}, " +12.5 ", " +12.5 ", 12.5},
        {"decimal, not binary, rounding", {2}, "1.005", "1.01", 1.01},
        {"DEC 0 at a half", {0}, "2.5", "3", 3},
        {"DEC pads", {3}, "7", "7.000", 7},
        {"exponent form", {1}, "1.25E2", "125.0", 125},
        {"rounds to zero without a sign", {2}, "-0.004", "0.00", 0},
        {"MAX in general format", {1, true, 100}, "150.0", "100", 100},
        {"MAX with decimals of its own", {0, true, 99.5}, "120", "99.5", 99.5},
        {"at MAX is not clamped", {1, true, 100}, "100", "100.0", 100},
        {"MIN", {1, false, 0, true, 0}, "-5", "0", 0},
        {"at MIN is not clamped", {1, false, 0, true, 5}, "5", "5.0", 5},
        {"MAX tested after rounding", {0, true, 100}, "100.4", "100", 100},
        {"MAX and MIN both set", {-1, true, 10, true, -10}, "-20", "-10", -10},
        {"DEC beyond 9 uses 9", {12}, "1.23456789012", "1.234567890", 1.23456789},
    };
    for (const Case& c : cases) {
        DataItem item = itemWith(c.limits);
        storeValue(item, c.text);
        EXPECT_EQ(item.valueText, c.stored) << c.what;
        EXPECT_EQ(item.count, 1) << c.what;
        EXPECT_DOUBLE_EQ(item.minimum, c.value) << c.what;
        EXPECT_DOUBLE_EQ(item.maximum, c.value) << c.what;
        EXPECT_DOUBLE_EQ(item.sum, c.value) << c.what;
    }
}

TEST(StoreValue, ANumberBeyondTheDoubleRangeIsKeptAsText) {
    // Spelling it out with two decimals would take a billion digits.
    DataItem item = itemWith({2});
    storeValue(item, "1e999999999");
    EXPECT_EQ(item.valueText, "1e999999999");
    EXPECT_EQ(item.count, 0);
}

TEST(StoreValue, ASumBeyondTheDoubleRangeKeepsAnInfiniteAverage) {
    DataItem item = itemWith({});
    storeValue(item, "1e308");
    storeValue(item, "1.7e308");
    EXPECT_EQ(item.count, 2);
    EXPECT_TRUE(std::isinf(item.average));
    EXPECT_DOUBLE_EQ(item.maximum, 1.7e308);
}

TEST(StoreValue, StatisticsAccumulateOverTheRun) {
    struct Case {
        const char* what;
        Limits limits;
        std::vector<QString> texts;
        int count;
        double minimum, maximum, average;
    };
    const Case cases[] = {
        {"first value, average rounded to 3", {}, {"12.3456"}, 1, 12.3456, 12.3456, 12.346},
        {"average of 1, 2, 2", {}, {"1", "2", "2"}, 3, 1, 2, 1.667},
        {"average kept to the item's decimals", {1}, {"1.04", "1.06"}, 2, 1.0, 1.1, 1.1},
        {"DEC 0 average", {0}, {"1", "2"}, 2, 1, 2, 2},
        {"negatives", {}, {"-3", "-1", "-2"}, 3, -3, -1, -2},
        {"text never enters the statistics", {}, {"5", "ERR", "7", ""}, 2, 5, 7, 6},
        {"clamped values are what count", {-1, true, 10}, {"5", "50"}, 2, 5, 10, 7.5},
        {"the first number after texts starts min and max", {}, {"OK", "-4"}, 1, -4, -4, -4},
    };
    for (const Case& c : cases) {
        DataItem item = itemWith(c.limits);
        for (const QString& t : c.texts) storeValue(item, t);
        EXPECT_EQ(item.count, c.count) << c.what;
        EXPECT_DOUBLE_EQ(item.minimum, c.minimum) << c.what;
        EXPECT_DOUBLE_EQ(item.maximum, c.maximum) << c.what;
        EXPECT_DOUBLE_EQ(item.average, c.average) << c.what;
    }
}

TEST(StoreValue, ComparisonSlotsUseTheStoredValue) {
    struct Case {
        const char* what;
        Limits limits;
        int16_t op0;
        double value0;
        int16_t op1;
        double value1;
        QString text;
        bool alarm;
    };
    const Case cases[] = {
        {"<  at the limit", {}, AlarmLess, 10, AlarmNone, 0, "10", false},
        {"<  below", {}, AlarmLess, 10, AlarmNone, 0, "9.99", true},
        {"<= at the limit", {}, AlarmLessEqual, 10, AlarmNone, 0, "10", true},
        {"=  equal", {}, AlarmEqual, 10, AlarmNone, 0, "10.0", true},
        {"=  not equal", {}, AlarmEqual, 10, AlarmNone, 0, "10.01", false},
        {">= at the limit", {}, AlarmGreaterEqual, 10, AlarmNone, 0, "10", true},
        {">  at the limit", {}, AlarmGreater, 10, AlarmNone, 0, "10", false},
        {"<> different", {}, AlarmNotEqual, 10, AlarmNone, 0, "11", true},
        {"<> equal", {}, AlarmNotEqual, 10, AlarmNone, 0, "10", false},
        {"second slot alone", {}, AlarmNone, 0, AlarmLess, 0, "-5", true},
        {"either slot", {}, AlarmGreater, 100, AlarmLess, 0, "-5", true},
        {"neither slot", {}, AlarmGreater, 100, AlarmLess, 0, "50", false},
        {"rounded value is tested", {0}, AlarmGreaterEqual, 10, AlarmNone, 0, "9.6", true},
        {"clamped value is tested", {-1, true, 100}, AlarmGreater, 100, AlarmNone, 0, "150", false},
        {"text match is not tested on numbers", {}, AlarmContains, 0, AlarmNone, 0, "12", false},
    };
    for (const Case& c : cases) {
        DataItem item = itemWith(c.limits);
        item.alarmOp = {c.op0, c.op1};
        item.alarmValue = {c.value0, c.value1};
        if (c.op0 == AlarmContains) item.matchText[0] = "1";
        storeValue(item, c.text);
        EXPECT_EQ(item.alarm, c.alarm) << c.what;
        EXPECT_EQ(item.alarmCount, c.alarm ? 1 : 0) << c.what;
    }
}

TEST(StoreValue, AlarmStateFollowsEachValue) {
    struct Step {
        QString text;
        bool alarm;
        bool prevAlarm;
    };
    struct Case {
        const char* what;
        std::array<int16_t, 2> ops;
        std::array<double, 2> values;
        std::array<QString, 2> match;
        std::vector<Step> steps;
        int alarmCount;
    };
    const Case cases[] = {
        {"two numeric conditions",
         {AlarmGreater, AlarmLess},
         {100, 0},
         {},
         {{"150", true, false}, {"-5", true, true}, {"50", false, true}, {"150", true, false}, {"160", true, true}},
         4},
        {"text match",
         {AlarmContains, AlarmNone},
         {},
         {"ERR", ""},
         {{"E-ERR-1", true, false}, {"OK", false, true}, {"E-ERR-2", true, false}, {"12", false, true}},
         2},
        {"second match text",
         {AlarmContains, AlarmContains},
         {},
         {"ERR", "NG"},
         {{"NG", true, false}, {"ng", false, true}, {"xERRx", true, false}},
         2},
        {"second match text alone is never tested",
         {AlarmNone, AlarmContains},
         {},
         {"", "NG"},
         {{"NG", false, false}},
         0},
        {"numeric alarm is cleared by a text",
         {AlarmGreater, AlarmNone},
         {100, 0},
         {},
         {{"150", true, false}, {"ERR", false, true}},
         1},
    };
    for (const Case& c : cases) {
        DataItem item;
        item.alarmOp = c.ops;
        item.alarmValue = c.values;
        item.matchText = c.match;
        for (const Step& s : c.steps) {
            storeValue(item, s.text);
            EXPECT_EQ(item.alarm, s.alarm) << c.what << " " << s.text.toStdString();
            EXPECT_EQ(item.prevAlarm, s.prevAlarm) << c.what << " " << s.text.toStdString();
            EXPECT_EQ(item.valueText, s.text) << c.what;
        }
        EXPECT_EQ(item.alarmCount, c.alarmCount) << c.what;
    }
}

TEST(StoreValue, IndexSelectsTheItemAndOutOfRangeIsIgnored) {
    test::MeasureBench b;
    storeValue(b.ctx, 2, "4.5");
    storeValue(b.ctx, -1, "1");
    storeValue(b.ctx, kDataItemCount, "1");
    EXPECT_EQ(b.item(2).valueText, "4.5");
    EXPECT_EQ(b.item(0).count, 0);
}

TEST(StampRecord, FillsNumberAndTimeOnlyBeforeTheFirstValue) {
    struct Case {
        bool numberOn;
        int16_t mode;
        int16_t valueCount;
        QString number, stamp;
    };
    const Case cases[] = {
        {true, 1, 0, "42", "2024/05/01 12:00:03"},
        {false, 2, 0, "", "12:00:03"},
        {true, 0, 0, "42", ""},
        {true, 3, 0, "42", ""},
        {true, 1, 1, "", ""},  // the record already has a value
    };
    for (const Case& c : cases) {
        test::MeasureBench b;
        b.clock.advanceMs(3000);
        b.settings.numberColumnOn = c.numberOn;
        b.settings.timeStampMode = c.mode;
        b.settings.acquisitionNumber = 42;
        b.run.valueCount = c.valueCount;
        stampRecord(b.ctx);
        EXPECT_EQ(b.item(kRecordNumberItem).valueText, c.number) << c.numberOn << c.mode << c.valueCount;
        EXPECT_EQ(b.item(kTimeStampItem).valueText, c.stamp) << c.numberOn << c.mode << c.valueCount;
    }
}

}  // namespace
}  // namespace vel
