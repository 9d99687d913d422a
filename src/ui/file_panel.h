#pragma once
// The main panel FrameMain: the CSV file, the script file, the workbook with
// its open/close buttons and start cell, and the buttons that start a run and
// open the two other panels. Its enabling rules and field normalisation live
// here; the run start and the panel switching belong to the main window.
#include <QGroupBox>
#include <array>

#include "ui/main_context.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vel::ui {

class FilePanel : public QGroupBox {
public:
    FilePanel(MainContext& context, QWidget* parent);

    // CheckCsv: csvOn follows the box; the name field and its button follow it.
    void refreshCsvPanel();
    // CheckExcelUse: workbookOn follows the box; the workbook controls follow it.
    void refreshWorkbookPanel();
    // The controls that depend on whether a workbook is open.
    void refreshConnectionPanel();
    // CommandOpen enabled for a name ending in XLS, XLSX or ODS, while the workbook is in use.
    void workbookNameCheck();

    // Field normalisation: TextStartCol into startColumnLetters, TextStartRow into cursorRow.
    void normaliseStartColumn();
    void normaliseStartRow();

    // The buttons' actions.
    void openWorkbook();
    void closeWorkbook();
    void chooseCsvFile();
    void chooseScriptFile();
    void chooseWorkbookFile();

    QCheckBox* checkCsv;
    QLineEdit* textCsvName;
    QPushButton* commandCsvSelect;
    QLineEdit* textScrName;
    QPushButton* commandScrSelect;
    QCheckBox* checkExcelUse;
    QLineEdit* textExcelName;
    QPushButton* commandFileSelect;
    QPushButton* commandOpen;
    QPushButton* commandClose;
    std::array<QRadioButton*, 2> optionCell;
    QLineEdit* textStartCol;
    QLineEdit* textStartRow;
    std::array<QFrame*, 4> line2;
    QPushButton* commandStart;
    QPushButton* commandRs;
    QPushButton* commandCond;

private:
    QWidget* buildCsvFrame();
    QWidget* buildScriptFrame();
    QWidget* buildWorkbookFrame();
    QWidget* buildButtons();
    void connectHandlers();
    void setStartCellEnabled(bool enabled);
    bool chooseInto(QLineEdit* field, const QString& suffix, const QString& filter);

    MainContext& context_;
};

}  // namespace vel::ui
