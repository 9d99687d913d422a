#pragma once
// The main window's fields that the settings record is shown in and taken
// from, as plain values: the GUI copies them to and from its widgets, and
// velloran-cli can use the same transfers without any window.
#include <QString>

namespace vel {

struct WindowFields {
    // File panel: workbook.
    bool checkExcelUse = false;     // CheckExcelUse
    QString textExcelName;          // TextExcelName
    int optionCell = 0;             // OptionCell: 0 current cell, 1 given start cell
    QString textStartCol;           // TextStartCol
    QString textStartRow;           // TextStartRow
    bool startCellEnabled = false;  // TextStartCol and TextStartRow enabled
    // File panel: CSV and script.
    bool checkCsv = false;          // CheckCsv
    QString textCsvName;            // TextCsvName
    QString textScrName;            // TextScrName

    // Conditions panel: acquisition options.
    QString textMin = QStringLiteral("60");  // TextMin, minutes (the window's value before the settings)
    int optionTime = 0;             // OptionTime: 0 none, 1 date and time, 2 time of day
    int optionNum = 0;              // OptionNum: 0 without, 1 with the acquisition number
    QString textCellNo;             // TextCellNo
    bool textCellNoEnabled = false;

    // Conditions panel: alarm mail.
    bool checkKinkyu = false;       // CheckKinkyu
    bool checkKinkyuEnd = false;    // CheckKinkyuEnd: also on recovery
    bool checkKinkyuEnd2 = false;   // CheckKinkyuEnd2: at the run's own end
    QString textKinkyuName;         // TextKinkyuName
    QString textKinkyuTime;         // TextKinkyuTime, minutes

    // Conditions panel: normal mail.
    bool checkTujyo = false;        // CheckTujyo
    QString textTujyoName;          // TextTujyoName
    QString textTujyoTime;          // TextTujyoTime, minutes
};

}  // namespace vel
