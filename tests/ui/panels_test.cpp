// The main window's panels: which one shows, what the menus allow, and which
// controls each check box and option button enables.
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "ui/cond_panel.h"
#include "ui/file_panel.h"
#include "ui_rig.h"

namespace vel {
namespace {

struct PanelState {
    bool main, cond, rs, menusEnabled;
};

PanelState stateOf(const test::FormRig& rig) {
    return {rig.find<QWidget>("FrameMain")->isVisible(), rig.find<QWidget>("FrameCond")->isVisible(),
            rig.find<QWidget>("FrameRs")->isVisible(), rig.find<QAction>("MenuCond")->isEnabled() &&
                                                           rig.find<QAction>("MenuRS")->isEnabled()};
}

void expectState(const test::FormRig& rig, PanelState want, const char* step) {
    const PanelState got = stateOf(rig);
    EXPECT_EQ(got.main, want.main) << step;
    EXPECT_EQ(got.cond, want.cond) << step;
    EXPECT_EQ(got.rs, want.rs) << step;
    EXPECT_EQ(got.menusEnabled, want.menusEnabled) << step;
}

TEST(Panels, OnePanelAtATimeAndMenusLockedWhileOneIsOpen) {
    test::FormRig rig;
    rig.load();
    EXPECT_EQ(rig.window->windowTitle(), "Velloran");
    EXPECT_EQ(rig.window->size(), QSize(625, 330));
    expectState(rig, {true, false, false, true}, "after load");

    const std::pair<const char*, std::function<void()>> steps[] = {
        {"menu conditions", [&] { rig.find<QAction>("MenuCond")->trigger(); }},
        {"conditions cancel", [&] { rig.find<QPushButton>("CommandCondNg")->click(); }},
        {"button serial", [&] { rig.find<QPushButton>("CommandRs")->click(); }},
        {"serial cancel", [&] { rig.find<QPushButton>("CommandRsNg")->click(); }},
        {"button conditions", [&] { rig.find<QPushButton>("CommandCond")->click(); }},
        {"conditions OK", [&] { rig.find<QPushButton>("CommandCondOk")->click(); }},
        {"menu serial", [&] { rig.find<QAction>("MenuRS")->trigger(); }},
        {"serial OK", [&] { rig.find<QPushButton>("CommandRsOk")->click(); }},
    };
    const PanelState after[] = {{false, true, false, false}, {true, false, false, true}, {false, false, true, false},
                                {true, false, false, true},  {false, true, false, false}, {true, false, false, true},
                                {false, false, true, false}, {true, false, false, true}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].second();
        expectState(rig, after[i], steps[i].first);
    }
}

TEST(Panels, MenuCaptionsCarryTheirAccelerators) {
    test::FormRig rig;
    rig.load();
    const std::pair<const char*, const char*> items[] = {
        {"MenuEnd", "終了(&Q)"}, {"MenuCond", "取得条件、ﾒｰﾙ設定"}, {"MenuRS", "RS232C通信条件"}, {"MenuDoc", "ヘルプ"}};
    for (const auto& [name, caption] : items) EXPECT_EQ(rig.find<QAction>(name)->text(), QString::fromUtf8(caption));
    EXPECT_EQ(rig.find<QMenu>("MenuFile")->title(), "ﾌｧｲﾙ(&F)");
    EXPECT_EQ(rig.find<QMenu>("MenuSet")->title(), "条件設定(&S)");
    EXPECT_EQ(rig.find<QMenu>("MenuHelp")->title(), "ﾍﾙﾌﾟ(&H)");
}

TEST(Panels, AlarmAndNormalBoxesEnableTheirControlsAndSetTheirSettingAtOnce) {
    test::FormRig rig;
    rig.load();
    ui::CondPanel* cond = rig.window->condPanel();
    const std::vector<QWidget*> alarm = {cond->commandKinkyu, cond->textKinkyuName, cond->textKinkyuTime,
                                         cond->checkKinkyuEnd, cond->checkKinkyuEnd2};
    const std::vector<QWidget*> normal = {cond->commandTujyo, cond->textTujyoName, cond->textTujyoTime};
    for (bool on : {true, false}) {
        cond->checkKinkyu->setChecked(on);
        cond->checkTujyo->setChecked(on);
        EXPECT_EQ(rig.engine.settings().alarmMailOn, on);
        EXPECT_EQ(rig.engine.settings().normalMailOn, on);
        for (QWidget* w : alarm) EXPECT_EQ(w->isEnabled(), on) << w->objectName().toStdString();
        for (QWidget* w : normal) EXPECT_EQ(w->isEnabled(), on) << w->objectName().toStdString();
    }
}

TEST(Panels, WorkbookControlsFollowTheUseBoxAndTheName) {
    test::FormRig rig;
    rig.load();
    ui::FilePanel* file = rig.window->filePanel();
    EXPECT_FALSE(file->commandOpen->isEnabled());
    EXPECT_FALSE(file->commandClose->isEnabled());
    EXPECT_FALSE(file->textExcelName->isEnabled());

    file->checkExcelUse->setChecked(true);
    EXPECT_TRUE(rig.engine.settings().workbookOn);
    EXPECT_TRUE(file->textExcelName->isEnabled());
    EXPECT_TRUE(file->commandFileSelect->isEnabled());
    struct NameCase {
        const char* name;
        bool openable;
    };
    for (const NameCase& c : {NameCase{"data.xls", true}, NameCase{"DATA.XLS  ", true}, NameCase{"data.xlsx", true},
                              NameCase{"data.ods", true}, NameCase{"data.csv", false},
                              NameCase{"", false}, NameCase{"/tmp/a.Xls", true}}) {
        file->textExcelName->setText(QString::fromUtf8(c.name));
        EXPECT_EQ(file->commandOpen->isEnabled(), c.openable) << c.name;
    }

    file->checkExcelUse->setChecked(false);
    EXPECT_FALSE(rig.engine.settings().workbookOn);
    for (QWidget* w : std::initializer_list<QWidget*>{file->commandOpen, file->commandClose, file->commandFileSelect,
                                                      file->textExcelName, file->optionCell[0], file->optionCell[1],
                                                      file->textStartCol, file->textStartRow})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
}

TEST(Panels, StartCellAndNumberOptionsEnableTheirFields) {
    test::FormRig rig;
    rig.load();
    ui::FilePanel* file = rig.window->filePanel();
    ui::CondPanel* cond = rig.window->condPanel();
    file->optionCell[1]->setChecked(true);
    EXPECT_TRUE(file->textStartCol->isEnabled());
    EXPECT_TRUE(file->textStartRow->isEnabled());
    EXPECT_TRUE(rig.engine.settings().useStartCell);
    file->optionCell[0]->setChecked(true);
    EXPECT_FALSE(file->textStartCol->isEnabled());
    EXPECT_FALSE(rig.engine.settings().useStartCell);

    cond->optionNum[1]->setChecked(true);
    EXPECT_TRUE(cond->textCellNo->isEnabled());
    cond->optionNum[0]->setChecked(true);
    EXPECT_FALSE(cond->textCellNo->isEnabled());
}

TEST(Panels, CsvBoxSwitchesCsvOutputAndItsFields) {
    test::FormRig rig;
    rig.load();
    ui::FilePanel* file = rig.window->filePanel();
    EXPECT_TRUE(file->textCsvName->isEnabled());  // enabled until the box first changes
    file->checkCsv->setChecked(true);
    EXPECT_TRUE(rig.engine.settings().csvOn);
    file->checkCsv->setChecked(false);
    EXPECT_FALSE(rig.engine.settings().csvOn);
    EXPECT_FALSE(file->textCsvName->isEnabled());
    EXPECT_FALSE(file->commandCsvSelect->isEnabled());
}

}  // namespace
}  // namespace vel
