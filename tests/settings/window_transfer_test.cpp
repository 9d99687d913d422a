#include "settings/window_transfer.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(WindowTransfer, FreshInstallationShowsTheStartValues) {
    SettingsRecord s;
    s.acquisitionLimitMs = Fixed4::fromInt(60000);
    WindowFields f;
    applySettingsToWindow(s, f);
    const QStringList shown{f.textMin, f.textStartCol, f.textStartRow, f.textCellNo, f.textKinkyuTime,
                            f.textTujyoTime};
    EXPECT_EQ(shown, QStringList({"1", "A", "1", "1", "5", "30"}));
    EXPECT_FALSE(f.checkKinkyu || f.checkTujyo || f.checkCsv || f.checkExcelUse || f.startCellEnabled ||
                 f.textCellNoEnabled);
    EXPECT_EQ(f.optionCell + f.optionNum + f.optionTime, 0);
    // The record now holds what is shown, so the first save stores it.
    EXPECT_EQ(s.startColumnLetters, "A");
    EXPECT_EQ(s.cursorRow, 1);
    EXPECT_EQ(s.acquisitionNumber, 1);
    EXPECT_EQ(s.alarmMailMinutes, 5);
    EXPECT_EQ(s.normalMailMinutes, 30);
}

TEST(WindowTransfer, StoredValuesOutsideTheirRangeAreCorrected) {
    struct Case {
        const char* what;
        int64_t limitMs; int32_t row; int32_t number; int16_t mode; int16_t alarmMin; int16_t normalMin;
        QString textMin; int32_t shownRow; int32_t shownNumber; int16_t shownMode;
        QString alarmShown; QString normalShown;
    };
    const Case cases[] = {
        {"too long, too far", 2'000'000'000, 70000, -4, 7, 0, 0, "30000", 65000, 1, 0, "5", "30"},
        {"fractions of minutes", 90000, 0, 0, 2, 7, 45, "1.5", 1, 1, 2, "7", "45"},
        {"continuous", 0, 65000, 12, 1, 9999, 1, "0", 65000, 12, 1, "9999", "1"},
        {"exactly the longest", 1'800'000'000, 1, 1, -1, -3, 2, "30000", 1, 1, 0, "-3", "2"},
    };
    for (const Case& c : cases) {
        SettingsRecord s;
        s.acquisitionLimitMs = Fixed4::fromInt(c.limitMs);
        s.cursorRow = c.row;
        s.acquisitionNumber = c.number;
        s.timeStampMode = c.mode;
        s.alarmMailMinutes = c.alarmMin;
        s.normalMailMinutes = c.normalMin;
        WindowFields f;
        applySettingsToWindow(s, f);
        EXPECT_EQ(f.textMin, c.textMin) << c.what;
        EXPECT_EQ(s.acquisitionLimitMs, Fixed4::fromInt(std::min<int64_t>(c.limitMs, 1'800'000'000))) << c.what;
        EXPECT_EQ(s.cursorRow, c.shownRow) << c.what;
        EXPECT_EQ(f.textStartRow, QString::number(c.shownRow)) << c.what;
        EXPECT_EQ(s.acquisitionNumber, c.shownNumber) << c.what;
        EXPECT_EQ(f.textCellNo, QString::number(c.shownNumber)) << c.what;
        EXPECT_EQ(s.timeStampMode, c.shownMode) << c.what;
        EXPECT_EQ(f.optionTime, c.shownMode) << c.what;
        EXPECT_EQ(f.textKinkyuTime, c.alarmShown) << c.what;
        EXPECT_EQ(f.textTujyoTime, c.normalShown) << c.what;
    }
}

SettingsRecord everythingOn() {
    SettingsRecord s;
    s.timeStampMode = 2;
    s.numberColumnOn = true;
    s.acquisitionNumber = 77;
    s.useStartCell = true;
    s.startColumnLetters = "HZ";
    s.cursorRow = 300;
    s.acquisitionLimitMs = Fixed4::fromInt(90000);
    s.workbookOn = s.csvOn = s.normalMailOn = s.alarmMailOn = s.mailOnRecovery = s.mailOnAutoEnd = true;
    s.workbookPath = "/home/u/表.xls";
    s.csvPath = "/home/u/データ/log.csv";
    s.scriptPath = "C:\\script.txt";
    s.alarmMailFile = " kinkyu.txt ";
    s.normalMailFile = "tujyo.txt";
    s.alarmMailMinutes = 3;
    s.normalMailMinutes = 60;
    return s;
}

TEST(WindowTransfer, ShownRecordIsTakenBackUnchanged) {
    const SettingsRecord stored = everythingOn();
    SettingsRecord s = stored;
    WindowFields f;
    applySettingsToWindow(s, f);
    EXPECT_EQ(s, stored);
    EXPECT_TRUE(f.startCellEnabled);
    EXPECT_TRUE(f.textCellNoEnabled);
    EXPECT_EQ(f.textStartCol, "HZ");
    EXPECT_EQ(f.textMin, "1.5");

    SettingsRecord back;
    back.startColumnLetters = stored.startColumnLetters;  // kept by the workbook panel itself
    back.useStartCell = stored.useStartCell;
    collectFilePanel(f, back);
    collectConditionsPanel(f, back);
    EXPECT_EQ(back, stored);
}

TEST(WindowTransfer, ConditionsPanelTakesTheFieldsAsTyped) {
    WindowFields f;
    f.textMin = "2.5";
    f.textStartRow = "12.5";
    f.textCellNo = "3.5";
    f.optionTime = 1;
    f.optionNum = 1;
    f.textKinkyuTime = "2.5";
    f.textTujyoTime = "abc";  // never left the field
    SettingsRecord s;
    collectConditionsPanel(f, s);
    EXPECT_EQ(s.acquisitionLimitMs, Fixed4::fromInt(150000));
    EXPECT_EQ(s.cursorRow, 12);
    EXPECT_EQ(s.acquisitionNumber, 4);
    EXPECT_EQ(s.timeStampMode, 1);
    EXPECT_TRUE(s.numberColumnOn);
    EXPECT_EQ(s.alarmMailMinutes, 2);
    EXPECT_EQ(s.normalMailMinutes, 1);

    f.textMin = "1e300";  // typed but never validated
    f.optionTime = 5;
    f.optionNum = 0;
    collectConditionsPanel(f, s);
    EXPECT_EQ(s.acquisitionLimitMs, Fixed4::fromInt(1'800'000'000));
    EXPECT_EQ(s.timeStampMode, 0);
    EXPECT_FALSE(s.numberColumnOn);
    f.textMin = "-5";
    collectConditionsPanel(f, s);
    EXPECT_EQ(s.acquisitionLimitMs, Fixed4{});
}

}  // namespace
}  // namespace vel
