// The run monitor's two views, its resize rules and its log switches.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "ui/exe_layout.h"
#include "ui/form_exe.h"
#include "ui_rig.h"

namespace vel {
namespace {

TEST(RunMonitorLayout, CompactIsFixedAndDetailGrowsOnlyAboveItsMinimum) {
    const ui::ExeDesign d = ui::exeDesign();
    EXPECT_EQ(d.compact, QSize(625, 60));
    EXPECT_EQ(d.detailMin, QSize(625, 540));
    struct Case {
        bool detail;
        QSize requested;
        QSize window;
        QSize grow;
    };
    const Case cases[] = {
        {false, {900, 700}, {625, 60}, {0, 0}},
        {true, {625, 540}, {625, 540}, {0, 0}},
        {true, {625, 900}, {625, 900}, {0, 360}},
        {true, {800, 540}, {800, 540}, {175, 0}},
        {true, {500, 300}, {625, 540}, {0, 0}},
        {true, {500, 700}, {625, 700}, {0, 160}},
    };
    for (const Case& c : cases) {
        const ui::ExeLayout l = ui::exeLayout(d, c.detail, c.requested);
        EXPECT_EQ(l.window, c.window) << c.requested.width() << "x" << c.requested.height();
        EXPECT_EQ(l.tab, d.tab + c.grow);
        EXPECT_EQ(l.grid, d.grid + c.grow);
        EXPECT_EQ(l.pane, d.pane + c.grow);
    }
}

using test::MonitorRig;

TEST(RunMonitorLayout, TallDetailWindowStretchesGridAndPanesAndSnapsBack) {
    MonitorRig rig;
    const ui::ExeDesign d = ui::exeDesign();
    EXPECT_EQ(rig.exe->size(), d.compact);
    EXPECT_TRUE(rig.child<QLabel>("LabelSetumei")->isHidden());

    rig.child<QCheckBox>("CheckLog")->setChecked(true);
    EXPECT_EQ(rig.exe->size(), d.detailMin);
    EXPECT_FALSE(rig.child<QLabel>("LabelSetumei")->isHidden());

    rig.exe->resize(625, 840);
    EXPECT_EQ(rig.child<QTableWidget>("MSFlexData")->height(), d.grid.height() + 300);
    EXPECT_EQ(rig.child<QPlainTextEdit>("txtTerm")->height(), d.pane.height() + 300);
    EXPECT_EQ(rig.child<QPlainTextEdit>("txtLog")->height(), d.pane.height() + 300);
    EXPECT_EQ(rig.child<QTabWidget>("SSTab1")->height(), d.tab.height() + 300);

    rig.exe->resize(625, 400);
    EXPECT_EQ(rig.exe->size(), d.detailMin);
    EXPECT_EQ(rig.child<QTableWidget>("MSFlexData")->height(), d.grid.height());

    rig.child<QCheckBox>("CheckLog")->setChecked(false);
    EXPECT_EQ(rig.exe->size(), d.compact);
}

TEST(RunMonitorLayout, LogSwitchesFollowTheSettingsAndHideTheirFileLabels) {
    MonitorRig rig;
    const QString folder = rig.tmp.folder.root;
    EXPECT_EQ(rig.child<QLabel>("LabelDataLogFile")->text(), "保存先=" + folder + "/Log/DataLog.log");
    EXPECT_EQ(rig.child<QLabel>("LabelRsLogFile")->text(), "保存先=" + folder + "/Log/RsLog.log");
    EXPECT_EQ(rig.child<QLabel>("LabelAlarmLogFile")->text(), "保存先=" + folder + "/Log/AlarmLog.log");
    EXPECT_TRUE(rig.child<QCheckBox>("CheckRsLog")->isChecked());  // fresh installation: both logs on

    rig.child<QCheckBox>("CheckRsLog")->setChecked(false);
    EXPECT_FALSE(rig.engine.settings().rsLogEnabled);
    EXPECT_TRUE(rig.child<QLabel>("LabelRsLogFile")->isHidden());
    rig.child<QCheckBox>("CheckAlarmLog")->setChecked(false);
    EXPECT_FALSE(rig.engine.settings().alarmLogEnabled);
    EXPECT_TRUE(rig.child<QLabel>("LabelAlarmLogFile")->isHidden());
    rig.child<QCheckBox>("CheckRsLog")->setChecked(true);
    EXPECT_TRUE(rig.engine.settings().rsLogEnabled);
    EXPECT_FALSE(rig.child<QLabel>("LabelRsLogFile")->isHidden());
}

TEST(RunMonitorLayout, PanesShowTheModelAsLinesAreAddedAndDropped) {
    MonitorRig rig;
    rig.engine.monitor().txtTerm = "● A\r\n";
    rig.exe->refresh();
    rig.engine.monitor().txtTerm += "○ 1\r\n";
    rig.exe->refresh();
    auto* term = rig.child<QPlainTextEdit>("txtTerm");
    EXPECT_EQ(term->toPlainText(), "● A\n○ 1\n");
    rig.engine.monitor().txtTerm = "○ 1\r\n● B\r\n";  // the oldest line dropped
    rig.exe->refresh();
    EXPECT_EQ(term->toPlainText(), "○ 1\n● B\n");
    rig.engine.monitor().txtTerm.clear();
    rig.exe->refresh();
    EXPECT_EQ(term->toPlainText(), "");
}

TEST(RunMonitorLayout, LampAndAlarmColumnShowTheirColours) {
    MonitorRig rig;
    rig.engine.monitor().grid.resize(3);
    rig.engine.monitor().grid[2].cells[3] = "※";
    rig.engine.monitor().grid[2].alarmColumnRed = true;
    rig.engine.monitor().lampColour = kColourRed;
    rig.exe->refresh();
    auto* grid = rig.child<QTableWidget>("MSFlexData");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(1, 3)->text(), "※");
    EXPECT_EQ(grid->item(1, 3)->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(rig.child<QLabel>("LabelLamp")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    rig.engine.monitor().lampColour = kColourGreen;
    rig.exe->refresh();
    EXPECT_EQ(rig.child<QLabel>("LabelLamp")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
}

}  // namespace
}  // namespace vel
