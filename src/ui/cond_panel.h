#pragma once
// The conditions panel FrameCond: normal and alarm mail, the time stamp and
// acquisition-number choices and the acquisition time. Its check boxes,
// field normalisation and file buttons live here; its OK and Cancel belong
// to the main window, which owns the panel switching.
#include <QGroupBox>
#include <array>

#include "ui/main_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vel::ui {

class CondPanel : public QGroupBox {
public:
    CondPanel(MainContext& context, QWidget* parent);

    // The alarm and normal check boxes: the setting follows the box at once,
    // and the box's controls are enabled only while it is ticked.
    void applyAlarmCheck();
    void applyNormalCheck();

    // Field normalisation when a field is left.
    void clampInterval(QLineEdit* field);
    void normaliseCellNo();
    void validateMinutes();

    void chooseAlarmFile();
    void chooseNormalFile();

    QCheckBox* checkTujyo;
    QLineEdit* textTujyoName;
    QPushButton* commandTujyo;
    QLineEdit* textTujyoTime;
    QCheckBox* checkKinkyu;
    QLineEdit* textKinkyuName;
    QPushButton* commandKinkyu;
    QLineEdit* textKinkyuTime;
    QCheckBox* checkKinkyuEnd;
    QCheckBox* checkKinkyuEnd2;
    std::array<QRadioButton*, 3> optionTime;
    std::array<QRadioButton*, 2> optionNum;
    QLineEdit* textCellNo;
    QLineEdit* textMin;
    QLabel* labelSokuteiTime;
    QPushButton* commandCondOk;
    QPushButton* commandCondNg;

private:
    QWidget* buildNormalFrame();
    QWidget* buildAlarmFrame();
    QWidget* buildTimeFrame();
    QWidget* buildNumberFrame();
    QWidget* buildMinutesFrame();
    void connectHandlers();
    void chooseInto(QLineEdit* field);

    MainContext& context_;
};

}  // namespace vel::ui
