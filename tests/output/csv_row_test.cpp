#include "output/csv_row.h"

#include <gtest/gtest.h>

#include "text/cp932.h"

namespace vel {
namespace {

ScriptTables itemsWith(const QStringList& names, const QStringList& values) {
    ScriptTables t;
    for (int i = 0; i < names.size(); ++i) t.dataItems[i].name = names[i];
    for (int i = 0; i < values.size(); ++i) t.dataItems[i].valueText = values[i];
    return t;
}

SettingsRecord columns(bool number, int16_t timeMode) {
    SettingsRecord s;
    s.numberColumnOn = number;
    s.timeStampMode = timeMode;
    return s;
}

TEST(CsvRow, HeaderFields) {
    const ScriptTables t = itemsWith({"D001      ", "  Temp ", QStringLiteral("圧力"), "D004      "}, {});
    struct Case {
        SettingsRecord settings;
        int valueCount;
        QString header;
    } cases[] = {
        {columns(true, 1), 3, QStringLiteral("\"No\",\"時間\",\"D001\",\"Temp\",\"圧力\"\r\n")},
        {columns(false, 2), 1, QStringLiteral("\"時間\",\"D001\"\r\n")},
        {columns(true, 0), 4, "\"No\",\"D001\",\"Temp\",\"圧力\",\"D004\"\r\n"},
        {columns(false, 0), 2, "\"D001\",\"Temp\"\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(csvHeaderRow(c.settings, t, c.valueCount), c.header);
}

TEST(CsvRow, DataFieldsNumbersBareTextsQuoted) {
    struct Case {
        const char* label;
        SettingsRecord settings;
        QString number;
        QString stamp;
        QStringList values;
        QString row;
    } cases[] = {
        {"both columns, date and time", columns(true, 1), "12", "2007/12/01 10:00:00", {"23.5", "", "1013"},
         "12,\"07/12/01 10:00:00\",23.5,\"\",1013\r\n"},
        {"time of day only", columns(true, 2), "-3", "2007/12/01 10:00:00", {"1"}, "-3,\"10:00:00\",1\r\n"},
        {"time stamp that is already a time of day", columns(false, 2), "", "23:59:58", {"1"}, "\"23:59:58\",1\r\n"},
        {"no identification columns", columns(false, 0), "", "", {"1.5", "", "2"}, "1.5,\"\",2\r\n"},
        {"numbers stand exactly as received", columns(false, 0), "", "", {"1e3", " 12.50 ", "-.5", "+3."},
         "1e3, 12.50 ,-.5,+3.\r\n"},
        {"other texts quoted unchanged", columns(false, 0), "", "", {"12a", "a\"b", QStringLiteral("ｴﾗｰ"), "1,5"},
         QStringLiteral("\"12a\",\"a\"b\",\"ｴﾗｰ\",\"1,5\"\r\n")},
        {"acquisition number that is not a number", columns(true, 0), "abc", "", {"1"}, "0,1\r\n"},
        {"time stamp that does not read as one", columns(false, 1), "", "later", {"1"}, "\"later\",1\r\n"},
    };
    for (const auto& c : cases) {
        ScriptTables t = itemsWith({}, c.values);
        t.dataItems[kRecordNumberItem].valueText = c.number;
        t.dataItems[kTimeStampItem].valueText = c.stamp;
        EXPECT_EQ(csvDataRow(c.settings, t, int(c.values.size())), c.row) << c.label;
    }
}

TEST(CsvRow, ValueCountSetsTheRowWidth) {
    const ScriptTables t = itemsWith({}, {"1", "2", "3", "4", "5"});
    EXPECT_EQ(csvDataRow(columns(false, 0), t, 3), "1,2,3\r\n");
    EXPECT_EQ(csvDataRow(columns(false, 0), t, 5), "1,2,3,4,5\r\n");
}

TEST(CsvRow, HeaderBytesInTheCodePage) {
    const ScriptTables t = itemsWith({"D001"}, {});
    EXPECT_EQ(cp932::encode(csvHeaderRow(columns(true, 1), t, 1)),
              QByteArray("\"No\",\"\x8e\x9e\x8a\xd4\",\"D001\"\r\n"));
}

}  // namespace
}  // namespace vel
