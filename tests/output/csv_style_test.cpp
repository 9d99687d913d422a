// A station's CSV: the daily file name and the ISO time column.
#include <gtest/gtest.h>


#include "output/csv_row.h"

namespace vel {
namespace {

TEST(CsvStyle, DailyNameCarriesTheRecordsDateBeforeTheExtension) {
    const QDateTime at(QDate(2026, 12, 8), QTime(23, 59, 59, 999));
    struct Case {
        QString chosen;
        bool daily;
        QString file;
    } cases[] = {
        {"/data/line1.csv", true, "/data/line1_20261208.csv"},
        {"/data/line1.csv", false, "/data/line1.csv"},
        {"/data/line.1/out", true, "/data/line.1/out_20261208"},  // a dot in a folder is no extension
        {"/data/.hidden", true, "/data/.hidden_20261208"},
        {"C.csv", true, "C_20261208.csv"},
        {"/data/a.b.csv", true, "/data/a.b_20261208.csv"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(csvFilePath(c.chosen, CsvStyle{c.daily, false}, at), c.file) << c.chosen.toStdString();
    EXPECT_EQ(csvFilePath("/d/x.csv", CsvStyle{true, false}, at.addMSecs(1)), "/d/x_20261209.csv") << "midnight";
}

TEST(CsvStyle, IsoTimeHasMillisecondsAndTheOffset) {
    const QDate d(2026, 3, 4);
    const QTime t(5, 6, 7, 89);
    struct Case {
        int offsetSeconds;
        QString text;
    } cases[] = {
        {9 * 3600, "2026-03-04T05:06:07.089+09:00"},
        {0, "2026-03-04T05:06:07.089+00:00"},  // never "Z": every row has the same width
        {-(3 * 3600 + 1800), "2026-03-04T05:06:07.089-03:30"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isoLocalTime(QDateTime(d, t, Qt::OffsetFromUTC, c.offsetSeconds)), c.text);
}

TEST(CsvStyle, IsoTimeColumnReplacesTheUsualStampOnlyWhenChosen) {
    ScriptTables tables;
    tables.dataItems[0].valueText = "1.5";
    tables.dataItems[kRecordNumberItem].valueText = "7";
    tables.dataItems[kTimeStampItem].valueText = "2026/03/04 05:06:07";
    tables.recordStampedAt = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 250), Qt::OffsetFromUTC, 3600);
    SettingsRecord settings;
    settings.numberColumnOn = true;
    settings.timeStampMode = 1;
    EXPECT_EQ(csvDataRow(settings, tables, 1, CsvStyle{false, true}),
              "7,\"2026-03-04T05:06:07.250+01:00\",1.5\r\n");
    EXPECT_EQ(csvDataRow(settings, tables, 1, CsvStyle{false, false}), "7,\"26/03/04 05:06:07\",1.5\r\n");
    settings.timeStampMode = 0;  // no time column: nothing to format
    EXPECT_EQ(csvDataRow(settings, tables, 1, CsvStyle{false, true}), "7,1.5\r\n");
}

}  // namespace
}  // namespace vel
