// The main window's widgets as plain field values and back.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/cond_panel.h"
#include "ui/file_panel.h"
#include "ui/form_exe.h"
#include "ui/form_main.h"

namespace vel::ui {
namespace {

template <std::size_t N>
int selectedIndex(const std::array<QRadioButton*, N>& options) {
    for (std::size_t i = 0; i < N; ++i)
        if (options[i]->isChecked()) return static_cast<int>(i);
    return 0;
}

}  // namespace

WindowFields FormMain::readFields() const {
    WindowFields f;
    f.checkExcelUse = file_->checkExcelUse->isChecked();
    f.textExcelName = file_->textExcelName->text();
    f.optionCell = selectedIndex(file_->optionCell);
    f.textStartCol = file_->textStartCol->text();
    f.textStartRow = file_->textStartRow->text();
    f.startCellEnabled = file_->textStartCol->isEnabled();
    f.checkCsv = file_->checkCsv->isChecked();
    f.textCsvName = file_->textCsvName->text();
    f.textScrName = file_->textScrName->text();

    f.textMin = cond_->textMin->text();
    f.optionTime = selectedIndex(cond_->optionTime);
    f.optionNum = selectedIndex(cond_->optionNum);
    f.textCellNo = cond_->textCellNo->text();
    f.textCellNoEnabled = cond_->textCellNo->isEnabled();
    f.checkKinkyu = cond_->checkKinkyu->isChecked();
    f.checkKinkyuEnd = cond_->checkKinkyuEnd->isChecked();
    f.checkKinkyuEnd2 = cond_->checkKinkyuEnd2->isChecked();
    f.textKinkyuName = cond_->textKinkyuName->text();
    f.textKinkyuTime = cond_->textKinkyuTime->text();
    f.checkTujyo = cond_->checkTujyo->isChecked();
    f.textTujyoName = cond_->textTujyoName->text();
    f.textTujyoTime = cond_->textTujyoTime->text();
    return f;
}

// In the order the settings are shown, so that each check box and option
// button has its click effects before the fields that depend on it are set.
void FormMain::showFields(const WindowFields& f) {
    cond_->textMin->setText(f.textMin);
    file_->textStartCol->setText(f.textStartCol);
    file_->textStartRow->setText(f.textStartRow);
    if (f.checkExcelUse) file_->checkExcelUse->setChecked(true);
    file_->optionCell[f.optionCell == 1 ? 1 : 0]->setChecked(true);
    file_->textStartCol->setEnabled(f.startCellEnabled);
    file_->textStartRow->setEnabled(f.startCellEnabled);
    cond_->optionNum[f.optionNum == 1 ? 1 : 0]->setChecked(true);
    cond_->textCellNo->setEnabled(f.textCellNoEnabled);
    cond_->textCellNo->setText(f.textCellNo);
    cond_->optionTime[std::clamp(f.optionTime, 0, 2)]->setChecked(true);
    file_->checkExcelUse->setChecked(f.checkExcelUse);
    file_->textExcelName->setText(f.textExcelName);
    file_->checkCsv->setChecked(f.checkCsv);
    file_->textCsvName->setText(f.textCsvName);
    file_->textScrName->setText(f.textScrName);

    cond_->checkKinkyu->setChecked(f.checkKinkyu);
    cond_->checkKinkyuEnd->setChecked(f.checkKinkyuEnd);
    cond_->checkKinkyuEnd2->setChecked(f.checkKinkyuEnd2);
    cond_->textKinkyuName->setText(f.textKinkyuName);
    cond_->textKinkyuTime->setText(f.textKinkyuTime);
    cond_->checkTujyo->setChecked(f.checkTujyo);
    cond_->textTujyoName->setText(f.textTujyoName);
    cond_->textTujyoTime->setText(f.textTujyoTime);
}

}  // namespace vel::ui
