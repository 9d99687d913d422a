#pragma once
// The workbook cell cursor: the row of the current record and its first
// column. getStartCell takes it from the spreadsheet at run start,
// nextCellMove moves it one row down at the end of every cycle, and the row
// layout says which cell of the row each part of a record goes to.
//
// The cursor itself is kept in the settings record (cursorRow, cursorColumn,
// startColumnLetters), so that a following run can continue below the last
// row written, also after a restart.
#include <QString>
#include <cstdint>
#include <functional>

#include "base/message_box.h"
#include "output/workbook_connection.h"
#include "settings/settings_record.h"

namespace vel {

// What the main window shows of the cursor, and its event pump. Each hook
// may be empty.
struct CursorView {
    std::function<void(const QString& columnLetters)> showColumn;  // TextStartCol
    std::function<void(int32_t row)> showRow;                      // TextStartRow
    std::function<void()> processEvents;
};

// Run start: with useStartCell the given start cell is selected first; then
// the active cell becomes the cursor and its column letters are stored and
// shown. Does nothing while no workbook is open. On a failure the message
// "エクセルにアクセスできません! 再オープンして下さい" is shown and the
// connection is closed; the run goes on without workbook output.
void getStartCell(WorkbookConnection& conn, SettingsRecord& settings, MessageBox& messages,
                  const CursorView& view = {});

// The notice of a workbook that can no longer be reached.
QString workbookAccessFailedMessage();

// Cycle end: the cursor row goes one down and its first cell is selected.
// Does nothing while no workbook is open; a failure shows the same message
// as getStartCell and closes the connection.
void nextCellMove(WorkbookConnection& conn, SettingsRecord& settings, MessageBox& messages,
                  const CursorView& view = {});

// The cells of one record's row: the record number (when that column is on),
// the time stamp (modes 1 and 2) and then the values from left to right.
struct RecordRowLayout {
    int32_t row = 0;
    int32_t firstColumn = 0;
    bool numberColumn = false;
    bool timeColumn = false;

    int leadColumns() const { return (numberColumn ? 1 : 0) + (timeColumn ? 1 : 0); }
    int32_t numberCellColumn() const { return firstColumn; }
    int32_t timeCellColumn() const { return firstColumn + (numberColumn ? 1 : 0); }
    int32_t valueCellColumn(int index) const { return firstColumn + leadColumns() + index; }
};

RecordRowLayout recordRowLayout(const SettingsRecord& settings);

// Column letters of a 1-based column number: 1 = A, 26 = Z, 27 = AA, 256 = IV.
// Empty for numbers below 1.
QString columnLetters(int32_t column);

}  // namespace vel
