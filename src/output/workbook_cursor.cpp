#include "output/workbook_cursor.h"

#include <limits>

namespace vel {
namespace {

void fail(WorkbookConnection& conn, MessageBox& messages) {
    messages.info(workbookAccessFailedMessage());
    conn.workbookOpen = false;
}

// The column letters inside an absolute address: "$B$3" gives B, "$AB$3" AB.
QString lettersOfAddress(const QString& address) {
    QString letters = address.mid(1, 2);
    if (letters.endsWith(QLatin1Char('$'))) letters.chop(1);
    return letters;
}

}  // namespace

QString workbookAccessFailedMessage() { return QStringLiteral("エクセルにアクセスできません! 再オープンして下さい"); }

void getStartCell(WorkbookConnection& conn, SettingsRecord& settings, MessageBox& messages,
                  const CursorView& view) {
    if (!conn.workbookOpen) return;
    if (!conn.app) return fail(conn, messages);
    Workbook& app = *conn.app;
    if (settings.useStartCell) {
        const QString address = settings.startColumnLetters.trimmed() + QString::number(settings.cursorRow);
        if (!app.selectRange(address)) return fail(conn, messages);
    }
    const auto address = app.activeCellAddress();
    if (!address) return fail(conn, messages);
    const auto column = app.activeCellColumn();
    const auto row = app.activeCellRow();
    if (!column || !row || *column < 1 || *row < 1 || *column > std::numeric_limits<int16_t>::max())
        return fail(conn, messages);

    const QString letters = lettersOfAddress(*address);
    settings.cursorColumn = static_cast<int16_t>(*column);
    settings.cursorRow = *row;
    settings.startColumnLetters = letters;
    if (view.showColumn) view.showColumn(letters);
    if (view.showRow) view.showRow(settings.cursorRow);
    if (view.processEvents) view.processEvents();
}

void nextCellMove(WorkbookConnection& conn, SettingsRecord& settings, MessageBox& messages,
                  const CursorView& view) {
    if (!conn.workbookOpen) return;
    if (settings.cursorRow < std::numeric_limits<int32_t>::max()) settings.cursorRow += 1;
    if (view.showRow) view.showRow(settings.cursorRow);
    if (!conn.app || !sendCells(conn, {CellWrite::selectCell(settings.cursorRow, settings.cursorColumn)}))
        fail(conn, messages);
}

RecordRowLayout recordRowLayout(const SettingsRecord& settings) {
    RecordRowLayout layout;
    layout.row = settings.cursorRow;
    layout.firstColumn = settings.cursorColumn;
    layout.numberColumn = settings.numberColumnOn;
    layout.timeColumn = settings.timeStampMode == 1 || settings.timeStampMode == 2;
    return layout;
}

QString columnLetters(int32_t column) {
    QString letters;
    while (column > 0) {
        const int32_t digit = (column - 1) % 26;
        letters.prepend(QChar(u'A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

}  // namespace vel
