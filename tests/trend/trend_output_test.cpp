// The trend store fed from the record stream: numbers, text values as gaps,
// alarms, and the lines an item's definition draws.
#include <gtest/gtest.h>

#include "trend/trend_output.h"

namespace vel::trend {
namespace {

TEST(TrendOutput, LevelsAreMaxMinAndTheNumericAlarmComparisonsByName) {
    struct Case {
        const char* name;
        bool maxSet, minSet;
        std::array<int16_t, 2> ops;
        Limits want;
    };
    const Case cases[] = {
        {"nothing", false, false, {AlarmNone, AlarmNone}, {}},
        {"MAX and MIN", true, true, {AlarmNone, AlarmNone}, {{{100, "MAX", false}, {-5, "MIN", false}}}},
        {"MIN only, one alarm", false, true, {AlarmGreater, AlarmNone}, {{{-5, "MIN", false}, {80, "ALM>80", true}}}},
        {"two alarms", false, false, {AlarmLess, AlarmGreaterEqual}, {{{80, "ALM<80", true}, {20, "ALM>=20", true}}}},
        {"a text match draws no line", true, false, {AlarmContains, AlarmNotEqual},
         {{{100, "MAX", false}, {20, "ALM<>20", true}}}},
    };
    for (const Case& c : cases) {
        DataItem item;
        item.maxSet = c.maxSet;
        item.minSet = c.minSet;
        item.maxLimit = 100;
        item.minLimit = -5;
        item.alarmOp = c.ops;
        item.alarmValue = {80, 20};
        EXPECT_EQ(limitsOf(item), c.want) << c.name;
    }
}

TEST(TrendOutput, StreamFillsTheStoreInTheOrderItemsFirstCome) {
    ScriptTables tables;
    tables.dataItems[0].name = QStringLiteral("温度");
    tables.dataItems[0].alarmOp = {AlarmGreater, AlarmNone};
    tables.dataItems[0].alarmValue = {80, 0};
    Store store;
    TrendOutput output(store);
    RecordStream stream;
    const Subscription subscription = stream.subscribe(output);
    const QDateTime t0(QDate(2026, 12, 8), QTime(9, 0));
    struct Value {
        int index;
        const char* text;
        bool alarm;
    };
    const Value values[] = {{1, "1.5", false}, {0, "68.2", false}, {1, "OVER", false}, {0, "81", true}};
    int second = 0;
    for (const Value& v : values) {
        DataItem& item = tables.dataItems[static_cast<size_t>(v.index)];
        item.valueText = QString::fromLatin1(v.text);
        item.alarm = v.alarm;
        stream.publish(EvaluatedValue{v.index, v.index + 3, &tables, AlarmChange::None, t0.addSecs(second++)});
    }
    ASSERT_EQ(store.items().size(), 2u);
    const Item& volts = store.items()[0];
    const Item& temperature = store.items()[1];
    EXPECT_EQ(volts.name, "D2");
    EXPECT_EQ(volts.itemNumber, 4);
    EXPECT_EQ(temperature.name, "温度");
    EXPECT_EQ(temperature.limits, (Limits{{{80, "ALM>80", true}}}));
    ASSERT_EQ(volts.series.level(0).size(), 2u);
    EXPECT_TRUE(volts.series.level(0)[1].gap());
    ASSERT_EQ(temperature.series.level(0).size(), 2u);
    EXPECT_EQ(temperature.series.level(0)[1].alarm, 81);
    EXPECT_EQ(store.firstMs(), t0.toMSecsSinceEpoch());
    EXPECT_EQ(store.lastMs(), t0.addSecs(3).toMSecsSinceEpoch());
    EXPECT_EQ(store.revision(), 5u);  // four values and one change of limits
}

}  // namespace
}  // namespace vel::trend
