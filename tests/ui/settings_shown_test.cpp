// The main window shows setup.dat as it loads, corrects what is out of range,
// and writes everything back when it closes.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "settings/setup_dat_file.h"
#include "ui/cond_panel.h"
#include "ui/file_panel.h"
#include "ui_rig.h"

namespace vel {
namespace {

SettingsRecord storedRecord() {
    SettingsRecord s;
    s.acquisitionLimitMs = Fixed4::fromInt(2'000'000'000);
    s.startColumnLetters = "IB";
    s.cursorRow = 0;
    s.acquisitionNumber = 0;
    s.timeStampMode = 7;
    s.numberColumnOn = true;
    s.useStartCell = true;
    s.workbookOn = true;
    s.workbookPath = "/data/book.xls";
    s.csvOn = true;
    s.csvPath = "/data/out.csv";
    s.scriptPath = "/data/測定.txt";
    s.alarmMailOn = true;
    s.mailOnAutoEnd = true;
    s.alarmMailFile = "/data/alarm.txt";
    s.normalMailFile = "/data/normal.txt";
    s.reserved3 = 77;
    s.rsLogEnabled = true;
    return s;
}

TEST(SettingsShown, StoredValuesAreShownCorrectedAndSavedBackOnClose) {
    test::FormRig rig;
    SettingsRecord stored = storedRecord();
    ASSERT_TRUE(saveSettings(stored, PortSlot{3, "4800,e,7,1.5", 3}, rig.tmp.folder, rig.box));
    rig.load();

    const std::pair<const char*, const char*> fields[] = {
        {"TextMin", "30000"},      {"TextStartCol", "A"},          {"TextStartRow", "1"},
        {"TextCellNo", "1"},       {"TextKinkyuTime", "5"},        {"TextTujyoTime", "30"},
        {"TextExcelName", "/data/book.xls"}, {"TextCsvName", "/data/out.csv"}, {"TextScrName", "/data/測定.txt"},
        {"TextKinkyuName", "/data/alarm.txt"}, {"TextTujyoName", "/data/normal.txt"},
    };
    for (const auto& [name, text] : fields) EXPECT_EQ(rig.field(name)->text(), QString::fromUtf8(text)) << name;
    const std::pair<const char*, bool> checks[] = {{"CheckExcelUse", true}, {"CheckCsv", true}, {"CheckKinkyu", true},
                                                   {"CheckKinkyuEnd", false}, {"CheckKinkyuEnd2", true},
                                                   {"CheckTujyo", false}, {"OptionTime_0", true},
                                                   {"OptionNum_1", true}, {"OptionCell_1", true}};
    for (const auto& [name, on] : checks) EXPECT_EQ(rig.find<QAbstractButton>(name)->isChecked(), on) << name;
    EXPECT_TRUE(rig.field("TextCellNo")->isEnabled());
    EXPECT_TRUE(rig.field("TextStartCol")->isEnabled());
    EXPECT_TRUE(rig.find<QWidget>("CommandOpen")->isEnabled());

    const std::pair<const char*, const char*> lists[] = {{"cboPort", "Com3"},  {"cboSpeed", "4800"},
                                                         {"cboParity", "Even"}, {"cboDataBits", "7"},
                                                         {"cboStopBits", "1.5"}, {"cboFlow", "RTS"}};
    for (const auto& [name, text] : lists) EXPECT_EQ(rig.find<QComboBox>(name)->currentText(), text) << name;

    rig.field("TextCsvName")->setText("/data/other.csv");
    rig.window->close();

    SettingsRecord reread;
    test::RecordingMessageBox box;
    ASSERT_TRUE(loadSettings(reread, rig.tmp.folder, box));
    SettingsRecord expected = stored;
    expected.acquisitionLimitMs = Fixed4::fromInt(1'800'000'000);
    expected.startColumnLetters = "A";
    expected.cursorRow = 1;
    expected.acquisitionNumber = 1;
    expected.timeStampMode = 0;
    expected.alarmMailMinutes = 5;
    expected.normalMailMinutes = 30;
    expected.csvPath = "/data/other.csv";
    expected.portNumber[0] = 3;
    expected.portSettings[0] = "4800,e,7,1.5";
    expected.handshaking[0] = 2;
    EXPECT_EQ(reread, expected);
}

TEST(SettingsShown, FreshInstallationShowsTheStartValues) {
    test::FormRig rig;
    rig.load();
    const std::pair<const char*, const char*> fields[] = {{"TextMin", "1"},        {"TextStartCol", "A"},
                                                          {"TextStartRow", "1"},   {"TextCellNo", "1"},
                                                          {"TextKinkyuTime", "5"}, {"TextTujyoTime", "30"}};
    for (const auto& [name, text] : fields) EXPECT_EQ(rig.field(name)->text(), QString::fromUtf8(text)) << name;
    EXPECT_TRUE(rig.engine.settings().rsLogEnabled);
    EXPECT_TRUE(rig.engine.settings().alarmLogEnabled);
    EXPECT_TRUE(rig.box.shown.isEmpty());
    rig.window->close();
    EXPECT_GE(QFileInfo(rig.tmp.folder.setupDat()).size(), 130);
}

TEST(SettingsShown, MenuEndAndTheCloseBoxSaveTheSameFile) {
    QByteArray saved[2];
    for (int way = 0; way < 2; ++way) {
        test::FormRig rig;
        rig.load();
        bool unloaded = false;
        rig.window->onUnloaded = [&] { unloaded = true; };
        rig.field("TextScrName")->setText("/data/s.txt");
        rig.window->openCondPanel();
        rig.field("TextMin")->setText("15");
        rig.window->commandCondNg();  // what was typed still counts at the unload
        if (way == 0) rig.find<QAction>("MenuEnd")->trigger();
        else rig.window->close();
        EXPECT_TRUE(unloaded);
        saved[way] = rig.tmp.read("setup.dat");
    }
    EXPECT_FALSE(saved[0].isEmpty());
    EXPECT_EQ(saved[0], saved[1]);
    SettingsRecord reread;
    test::RecordingMessageBox box;
    test::TempProgramFolder folder;
    folder.write("setup.dat", saved[0]);
    loadSettings(reread, folder.folder, box);
    EXPECT_EQ(reread.scriptPath, "/data/s.txt");
    EXPECT_EQ(reread.acquisitionLimitMs, Fixed4::fromInt(15 * 60000));
}

}  // namespace
}  // namespace vel
