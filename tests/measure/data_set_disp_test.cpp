#include "measure/data_set_disp.h"

#include <gtest/gtest.h>

#include <vector>

#include "measure/value_store.h"
#include "support/measure_bench.h"

namespace vel {
namespace {

// One record as the loop delivers it: stamp, store every value, then display them.
void record(test::MeasureBench& b, const std::vector<QString>& values) {
    b.run.valueCount = 0;
    for (const QString& v : values) {
        stampRecord(b.ctx);
        storeValue(b.ctx, b.run.valueCount, v);
        ++b.run.valueCount;
    }
    for (int i = 0; i < b.run.valueCount; ++i) dataSetDisp(b.ctx, i);
    b.settings.acquisitionNumber += 1;
    b.settings.cursorRow += 1;
}

TEST(DataSetDisp, LeadColumnsShiftCellsAndGridRows) {
    struct Case {
        bool numberOn;
        int16_t mode;
        QStringList cells;  // row 3 from column B
        std::vector<std::array<QString, 3>> rows;  // grid rows 1.. columns 0..2
    };
    const Case cases[] = {
        {false, 0, {"12.5", "3.0"}, {{"1", "D001", "12.5"}, {"2", "D002", "3.0"}}},
        {true, 0, {"7", "12.5", "3.0"}, {{"1", "No.", "7"}, {"2", "D001", "12.5"}, {"3", "D002", "3.0"}}},
        {false, 1, {"2024/05/01 12:00:00", "12.5", "3.0"},
         {{"1", "時間", "24/05/01 12:00:00"}, {"2", "D001", "12.5"}, {"3", "D002", "3.0"}}},
        {true, 1, {"7", "2024/05/01 12:00:00", "12.5", "3.0"},
         {{"1", "No.", "7"}, {"2", "時間", "24/05/01 12:00:00"}, {"3", "D001", "12.5"}, {"4", "D002", "3.0"}}},
        {true, 2, {"7", "1899/12/30 12:00:00", "12.5", "3.0"},
         {{"1", "No.", "7"}, {"2", "時間", "12:00:00"}, {"3", "D001", "12.5"}, {"4", "D002", "3.0"}}},
    };
    for (const Case& c : cases) {
        test::MeasureBench b;
        b.openWorkbook(3, 2);
        b.settings.numberColumnOn = c.numberOn;
        b.settings.timeStampMode = c.mode;
        b.settings.acquisitionNumber = 7;
        record(b, {"12.5", "3.0"});
        const auto what = std::to_string(c.numberOn) + "/" + std::to_string(c.mode);
        for (int i = 0; i < c.cells.size(); ++i) EXPECT_EQ(b.app.text(3, 2 + i), c.cells[i]) << what << " cell " << i;
        EXPECT_EQ(b.app.cell(3, 2 + static_cast<int>(c.cells.size())), nullptr) << what;
        if (c.mode != 0) {
            EXPECT_TRUE(b.app.cell(3, c.numberOn ? 3 : 2)->isDateTime) << what;
        }
        if (c.numberOn) {
            EXPECT_FALSE(b.app.cell(3, 2)->isDateTime) << what;
        }
        ASSERT_EQ(b.monitor.gridRowsBuilt, static_cast<int>(c.rows.size())) << what;
        ASSERT_EQ(b.monitor.grid.size(), c.rows.size() + 1) << what;
        for (size_t r = 0; r < c.rows.size(); ++r) {
            for (int col = 0; col < 3; ++col)
                EXPECT_EQ(b.row(static_cast<int>(r + 1)).cells[col], c.rows[r][col]) << what << " row " << r + 1;
        }
        EXPECT_EQ(b.monitor.recordCounterText(), "1") << what;
    }
}

TEST(DataSetDisp, FollowingRecordsReuseTheRowsAndCountRecords) {
    test::MeasureBench b;
    b.openWorkbook(3, 2);
    b.settings.numberColumnOn = true;
    b.settings.timeStampMode = 1;
    b.settings.acquisitionNumber = 1;
    record(b, {"1", "2"});
    b.clock.advanceMs(1000);
    record(b, {"3", "4"});
    record(b, {"5"});  // a short record leaves the last row as it was
    EXPECT_EQ(b.monitor.recordCounterText(), "3");
    EXPECT_EQ(b.monitor.gridRowsBuilt, 4);
    EXPECT_EQ(b.monitor.grid.size(), 5u);
    EXPECT_EQ(b.row(1).cells[2], "3");
    EXPECT_EQ(b.row(2).cells[2], "24/05/01 12:00:01");
    EXPECT_EQ(b.row(3).cells[2], "5");
    EXPECT_EQ(b.row(4).cells[2], "4");
    EXPECT_EQ(b.app.text(4, 4), "3");  // second record one row down, values from D
    EXPECT_EQ(b.app.text(5, 2), "3");
    EXPECT_EQ(b.app.text(5, 4), "5");
}

TEST(DataSetDisp, GridShowsAlarmCountAndStatisticsOfNumbersOnly) {
    test::MeasureBench b;
    b.item(0).alarmOp = {AlarmContains, AlarmNone};
    b.item(0).matchText = {"ERR", ""};
    b.item(0).name = "Temp  ";
    struct Step {
        QString text;
        std::array<QString, 8> row;
    };
    const Step steps[] = {
        {"12.3456", {"1", "Temp", "12.3456", "", "0", "12.3456", "12.3456", "12.346"}},
        {"E-ERR-1", {"1", "Temp", "E-ERR-1", "※", "1", "12.3456", "12.3456", "12.346"}},
        {"10", {"1", "Temp", "10", "", "1", "10", "12.3456", "11.173"}},
    };
    for (const Step& s : steps) {
        record(b, {s.text});
        EXPECT_EQ(b.row(1).cells, s.row) << s.text.toStdString();
        EXPECT_TRUE(b.row(1).alarmColumnRed);
    }
    // A grid emptied in between (a new run's) shows the statistics again,
    // also those that did not change.
    b.monitor.grid.clear();
    b.monitor.gridRowsBuilt = 0;
    record(b, {"10"});
    const std::array<QString, 8> again = {"1", "Temp", "10", "", "1", "10", "12.3456", "10.782"};
    EXPECT_EQ(b.row(1).cells, again);
}

TEST(DataSetDisp, AlarmTransitionsAreLoggedOnceAndLeaveMailPending) {
    struct Case {
        const char* what;
        std::vector<QString> values;  // one per record
        QStringList lines;
        bool raised, cleared;
    };
    const QString up = "2024/05/01 12:00:00, アラーム発生,[001],D001=, ";
    const QString down = "2024/05/01 12:00:00, アラーム復帰,[001],D001=, ";
    const Case cases[] = {
        {"no alarm", {"50", "60"}, {}, false, false},
        {"raised once for two records in alarm", {"150", "160"}, {up + "150"}, true, false},
        {"raised and cleared", {"150", "-5", "50"}, {up + "150", down + "50"}, true, true},
        {"raised again after clearing", {"150", "50", "150"}, {up + "150", down + "50", up + "150"}, true, true},
        {"a text clears a numeric alarm", {"150", "ERR"}, {up + "150", down + "ERR"}, true, true},
    };
    for (const Case& c : cases) {
        test::MeasureBench b;
        b.item(0).alarmOp = {AlarmGreater, AlarmLess};
        b.item(0).alarmValue = {100, 0};
        for (const QString& v : c.values) record(b, {v});
        EXPECT_EQ(b.log.alarmLines, c.lines) << c.what;
        EXPECT_EQ(b.alarmMail.raised, c.raised) << c.what;
        EXPECT_EQ(b.alarmMail.cleared, c.cleared) << c.what;
        EXPECT_EQ(b.item(0).alarmOnTime.isValid(), c.raised) << c.what;
        EXPECT_EQ(b.item(0).alarmOffTime.isValid(), c.cleared) << c.what;
    }
}

TEST(DataSetDisp, AlarmLineNamesTheGridRowWithLeadColumns) {
    test::MeasureBench b;
    b.settings.numberColumnOn = true;
    b.settings.timeStampMode = 1;
    b.item(0).name = "Temp ";
    b.item(0).alarmOp = {AlarmGreater, AlarmNone};
    b.item(0).alarmValue = {100, 0};
    b.item(1).alarmOp = {AlarmGreater, AlarmNone};
    b.item(1).alarmValue = {100, 0};
    record(b, {"105.2", "101"});
    EXPECT_EQ(b.log.alarmLines, (QStringList{"2024/05/01 12:00:00, アラーム発生,[003],Temp=, 105.2",
                                             "2024/05/01 12:00:00, アラーム発生,[004],D002=, 101"}));
}

TEST(DataSetDisp, AlarmCellsAreRed) {
    test::MeasureBench b;
    b.openWorkbook(1, 1);
    b.item(1).alarmOp = {AlarmGreater, AlarmNone};
    b.item(1).alarmValue = {100, 0};
    record(b, {"1", "150", "2"});
    record(b, {"1", "50", "2"});
    EXPECT_EQ(b.app.cell(1, 1)->fontColourIndex, 0);
    EXPECT_EQ(b.app.cell(1, 2)->fontColourIndex, 3);
    EXPECT_EQ(b.app.cell(1, 3)->fontColourIndex, 0);
    EXPECT_EQ(b.app.cell(2, 2)->fontColourIndex, 0);  // no longer in alarm: colour left alone
}

TEST(DataSetDisp, WithoutAWorkbookNothingIsWrittenToIt) {
    test::MeasureBench b;
    b.settings.numberColumnOn = true;
    b.settings.timeStampMode = 1;
    record(b, {"1", "2"});
    EXPECT_TRUE(b.app.calls.isEmpty());
    EXPECT_TRUE(b.log.alarmLines.isEmpty());
    EXPECT_EQ(b.row(3).cells[2], "1");
}

TEST(DataSetDisp, AFailingWorkbookIsLoggedOnceAndTheRecordStillShows) {
    const QString failed = "2024/05/01 12:00:00 エクセルにアクセスできません";
    struct Case {
        const char* what;
        QString failing;
        int failFromCall;
    };
    const Case cases[] = {
        {"record-number cell", "setCellText", -1},
        {"time-stamp cell", "setCellDateTime", -1},
        {"alarm colour", "setCellFontColourIndex", -1},
        {"spreadsheet closed after two cells", "", 2},
    };
    for (const Case& c : cases) {
        test::MeasureBench b;
        b.openWorkbook(3, 2);
        b.settings.numberColumnOn = true;
        b.settings.timeStampMode = 1;
        b.item(0).alarmOp = {AlarmGreater, AlarmNone};
        b.item(0).alarmValue = {100, 0};
        if (!c.failing.isEmpty()) b.app.failing.insert(c.failing);
        b.app.failFromCall = c.failFromCall;
        record(b, {"150", "2"});
        const qsizetype callsAfterFirst = b.app.calls.size();
        record(b, {"50", "3"});
        EXPECT_FALSE(b.workbook.workbookOpen) << c.what;
        EXPECT_EQ(b.app.calls.size(), callsAfterFirst) << c.what;  // no writes after the failure
        EXPECT_EQ(b.log.alarmLines, (QStringList{failed, "2024/05/01 12:00:00, アラーム発生,[003],D001=, 150",
                                                 "2024/05/01 12:00:00, アラーム復帰,[003],D001=, 50"}))
            << c.what;
        EXPECT_TRUE(b.alarmMail.raised) << c.what;
        EXPECT_EQ(b.monitor.recordCounterText(), "2") << c.what;
        EXPECT_EQ(b.row(3).cells[2], "50") << c.what;  // the values stay in their rows
        EXPECT_EQ(b.row(4).cells[2], "3") << c.what;
    }
}

TEST(DataSetDisp, TheLastValueSlotOfARecordIsShown) {
    test::MeasureBench b;
    std::vector<QString> values(kMaxValuesPerRecord, "1");
    record(b, values);
    EXPECT_EQ(b.monitor.gridRowsBuilt, kMaxValuesPerRecord);
    EXPECT_EQ(b.row(kMaxValuesPerRecord).cells[1], "D257");
    dataSetDisp(b.ctx, kMaxValuesPerRecord);  // a pseudo-item index is not a value
    EXPECT_EQ(b.monitor.gridRowsBuilt, kMaxValuesPerRecord);
}

}  // namespace
}  // namespace vel
