// What the main window's number and letter fields show after the user leaves
// them (or presses Enter), and what reaches the settings.
#include <QCheckBox>
#include <QKeyEvent>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "ui/cond_panel.h"
#include "ui/file_panel.h"
#include "ui_rig.h"

namespace vel {
namespace {

struct FieldCase {
    const char* field;
    QString typed;
    QString shown;
};

TEST(FieldNormaliseUi, FieldsCorrectTheirTextWhenLeft) {
    const FieldCase cases[] = {
        {"TextMin", "-5", "0"},           {"TextMin", "45000", "30000"},     {"TextMin", "12.5", "12"},
        {"TextMin", "13.5", "14"},        {"TextMin", "abc", "0"},           {"TextStartCol", "b", "B"},
        {"TextStartCol", "ab", "AB"},     {"TextStartCol", "A1", "AA"},      {"TextStartCol", "IZ", "IA"},
        {"TextStartCol", "abc", "AB"},    {"TextStartCol", "", "A"},         {"TextStartRow", "0", "1"},
        {"TextStartRow", "70000", "65000"}, {"TextStartRow", "12.5", "12"},  {"TextCellNo", "12.5", "12"},
        {"TextCellNo", "abc", "0"},       {"TextCellNo", "-3", "-3"},        {"TextKinkyuTime", "0", "1"},
        {"TextKinkyuTime", "abc", "1"},   {"TextKinkyuTime", "12000", "9999"}, {"TextKinkyuTime", "2.5", "2.5"},
        {"TextTujyoTime", "0", "1"},      {"TextTujyoTime", "10000", "9999"}, {"TextTujyoTime", "45", "45"},
    };
    test::FormRig rig;
    rig.load();
    for (const FieldCase& c : cases) {
        QLineEdit* field = rig.field(c.field);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(test::typeAndLeave(field, c.typed), c.shown) << c.field << " typed " << c.typed.toStdString();
    }
}

TEST(FieldNormaliseUi, LeftFieldsUpdateTheCursorSettingsAtOnce) {
    test::FormRig rig;
    rig.load();
    test::typeAndLeave(rig.field("TextStartCol"), "ab");
    test::typeAndLeave(rig.field("TextStartRow"), "70000");
    EXPECT_EQ(rig.engine.settings().startColumnLetters, "AB");
    EXPECT_EQ(rig.engine.settings().cursorRow, 65000);
}

TEST(FieldNormaliseUi, EnterValidatesTheMinutes) {
    test::FormRig rig;
    rig.load();
    rig.window->openCondPanel();
    QLineEdit* minutes = rig.field("TextMin");
    minutes->setText("13.5");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(minutes, &enter);
    EXPECT_EQ(minutes->text(), "14");
}

TEST(FieldNormaliseUi, OkActionRoundsIntervalsAndTakesTheOptions) {
    test::FormRig rig;
    rig.load();
    rig.window->openCondPanel();
    ui::CondPanel* cond = rig.window->condPanel();
    cond->checkKinkyu->setChecked(true);
    test::typeAndLeave(cond->textKinkyuTime, "2.5");
    cond->optionNum[1]->setChecked(true);
    cond->optionTime[2]->setChecked(true);
    cond->textMin->setText("90");
    test::typeAndLeave(cond->textCellNo, "41");
    rig.window->commandCondOk();
    const SettingsRecord& s = rig.engine.settings();
    EXPECT_EQ(s.alarmMailMinutes, 2);
    EXPECT_TRUE(s.numberColumnOn);
    EXPECT_EQ(s.timeStampMode, 2);
    EXPECT_EQ(s.acquisitionLimitMs, Fixed4::fromInt(90 * 60000));
    EXPECT_EQ(s.acquisitionNumber, 41);
    EXPECT_TRUE(rig.find<QWidget>("FrameMain")->isVisible());
}

}  // namespace
}  // namespace vel
