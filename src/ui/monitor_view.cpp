#include "ui/monitor_view.h"

#include <QColor>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextCursor>
#include <algorithm>

namespace vel::ui {
namespace {

Qt::Alignment columnAlignment(int column) {
    if (column == 0 || column == 3) return Qt::AlignCenter;
    if (column == 1) return Qt::AlignLeft | Qt::AlignVCenter;
    return Qt::AlignRight | Qt::AlignVCenter;
}

void setCell(QTableWidget* grid, int row, int column, const QString& text, bool red) {
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(columnAlignment(column));
        grid->setItem(row, column, item);
    }
    if (item->text() != text) item->setText(text);
    const QBrush brush = red ? QBrush(Qt::red) : QBrush();
    if (item->foreground() != brush) item->setForeground(brush);
}

}  // namespace

QColor colourOf(int value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

void showGrid(QTableWidget* grid, const RunMonitorModel& model) {
    if (model.grid.empty()) return;
    const auto& header = model.grid[0].cells;
    for (int c = 0; c < kGridColumns; ++c) {
        QTableWidgetItem* h = grid->horizontalHeaderItem(c);
        if (!h || h->text() != header[c]) grid->setHorizontalHeaderItem(c, new QTableWidgetItem(header[c]));
    }
    const int rows = static_cast<int>(model.grid.size()) - 1;
    if (grid->rowCount() != rows) grid->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const GridRow& row = model.grid[r + 1];
        for (int c = 0; c < kGridColumns; ++c) setCell(grid, r, c, row.cells[c], c == 3 && row.alarmColumnRed);
    }
}

void widenColumnsToContent(QTableWidget* grid) {
    const QHeaderView* header = grid->horizontalHeader();
    const QAbstractItemView* view = grid;  // QTableView hides its column size hint
    for (int c = 0; c < grid->columnCount(); ++c) {
        const int need = std::max(view->sizeHintForColumn(c), header->sectionSizeHint(c));
        if (need > grid->columnWidth(c)) grid->setColumnWidth(c, need);
    }
}

void PaneView::show(const QString& text) {
    if (text == shown_) return;
    QString added;
    const bool append = !shown_.isEmpty() && text.startsWith(shown_);
    added = append ? text.mid(shown_.size()) : text;
    added.remove(u'\r');
    if (append) {
        QTextCursor end(pane_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(added);
    } else {
        pane_->setPlainText(added);
    }
    shown_ = text;
    QScrollBar* bar = pane_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

}  // namespace vel::ui
