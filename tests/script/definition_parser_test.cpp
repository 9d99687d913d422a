#include "script/definition_parser.h"

#include <gtest/gtest.h>

#include "script/script_defaults.h"

namespace vel {
namespace {

struct Fixture {
    ScriptTables t;
    Fixture() { resetScriptTables(t); }
    DataItem& item(int n) { return t.dataItems[static_cast<size_t>(n - 1)]; }  // data number Dn
    bool apply(const QString& line) { return parseDefinition(t.dataItems, line); }
};

TEST(ParseDefinition, NamesOverARange) {
    struct Case { const char* line; QList<int> named; const char* name; };
    const Case cases[] = {
        {"NAM:D3-5=Temp", {3, 4, 5}, "Temp"},
        {"NAM:D5-3=Temp", {5}, "Temp"},
        {"NAM:D1-2=", {1, 2}, ""},
        {"NAM:D256=Last", {256}, "Last"},
        {"NAM:D7=A B", {7}, "A B"},
        {"NAM:D1-=X", {1}, "X"},
        {"NAM:D2=温度(℃)", {2}, "温度(℃)"},
    };
    for (const Case& c : cases) {
        Fixture f;
        ASSERT_TRUE(f.apply(QString::fromUtf8(c.line))) << c.line;
        for (int n = 1; n <= 257; ++n) {
            const QString expected = c.named.contains(n) ? QString::fromUtf8(c.name) : defaultItemName(n - 1);
            EXPECT_EQ(f.item(n).name, expected) << c.line << " D" << n;
        }
    }
}

TEST(ParseDefinition, MalformedLinesChangeNothing) {
    const char* const lines[] = {
        "NAM:D257=X", "NAM:D0=X", "NAM:D1=", "NAM:DX=Y", "NAM:D1:X", "NAM:D1-2", "NAM:D1-300=X",
        "NAM:D99999=X", "NAM:D1-99999=X", "NAM D1=X", "nam:D1=X", "NAM:1=X", "DEC:D1>2",
        "DEC:D1=99999", "MAX:D1>=100", "MAX:D1=abc", "MAX:D1==5", "MAX:D1=", "MIN:D1=1e999",
        "ALM:D1=>5", "ALM:D1>>5", "ALM:D1>x", "ALM:D1<", "ALM:D1-5", "ALM:D2!=3", "ALM:D",
    };
    for (const char* line : lines) {
        Fixture f;
        const ScriptTables before = f.t;
        EXPECT_FALSE(f.apply(QString::fromUtf8(line))) << line;
        for (int i = 0; i < kDataItemCount; ++i) {
            const DataItem& a = before.dataItems[static_cast<size_t>(i)];
            const DataItem& b = f.t.dataItems[static_cast<size_t>(i)];
            ASSERT_TRUE(a.name == b.name && a.decimals == b.decimals && a.maxSet == b.maxSet &&
                        a.minSet == b.minSet && a.alarmOp == b.alarmOp && a.matchText == b.matchText)
                << line << " changed entry " << i;
        }
    }
}

TEST(ParseDefinition, DecimalsAndLimits) {
    struct Case { const char* line; int16_t decimals; bool maxSet; double maxLimit; bool minSet; double minLimit; };
    const Case cases[] = {
        {"DEC:D1=2", 2, false, 0, false, 0},      {"DEC:D1=2.5", 2, false, 0, false, 0},
        {"DEC:D1=3.5", 4, false, 0, false, 0},    {"DEC:D1=abc", 0, false, 0, false, 0},
        {"DEC:D1=12", 9, false, 0, false, 0},     {"DEC:D1=-3", -3, false, 0, false, 0},
        {"MAX:D1=100", -1, true, 100, false, 0},  {"MAX:D1= 1.5e2 ", -1, true, 150, false, 0},
        {"MIN:D1=-5", -1, false, 0, true, -5},
    };
    for (const Case& c : cases) {
        Fixture f;
        ASSERT_TRUE(f.apply(QString::fromUtf8(c.line))) << c.line;
        EXPECT_EQ(f.item(1).decimals, c.decimals) << c.line;
        EXPECT_EQ(f.item(1).maxSet, c.maxSet) << c.line;
        EXPECT_EQ(f.item(1).maxLimit, c.maxLimit) << c.line;
        EXPECT_EQ(f.item(1).minSet, c.minSet) << c.line;
        EXPECT_EQ(f.item(1).minLimit, c.minLimit) << c.line;
    }
}

TEST(ParseDefinition, AlarmSlotsFillInOrder) {
    Fixture f;
    for (const char* line : {"ALM:D1>100", "ALM:D1<0", "ALM:D1<5", "ALM:D1-2==ERR", "ALM:D1==OVER",
                             "ALM:D1==異常", "ALM:D2<>7", "ALM:D2<=-1.5", "ALM:D2>=3", "ALM:D2=0"})
        ASSERT_TRUE(f.apply(QString::fromUtf8(line))) << line;
    EXPECT_EQ(f.item(1).alarmOp, (std::array<int16_t, 2>{AlarmGreater, AlarmLess}));
    EXPECT_EQ(f.item(1).alarmValue, (std::array<double, 2>{100, 5}));
    EXPECT_EQ(f.item(1).matchText, (std::array<QString, 2>{"ERR", QStringLiteral("異常")}));
    EXPECT_EQ(f.item(2).alarmOp, (std::array<int16_t, 2>{AlarmNotEqual, AlarmEqual}));
    EXPECT_EQ(f.item(2).alarmValue, (std::array<double, 2>{7, 0}));
    EXPECT_EQ(f.item(2).matchText, (std::array<QString, 2>{"ERR", ""}));
    EXPECT_EQ(f.item(3).alarmOp, (std::array<int16_t, 2>{}));
}

}  // namespace
}  // namespace vel
