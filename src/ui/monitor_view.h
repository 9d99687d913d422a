#pragma once
// Showing the run monitor model in its widgets: only what changed is
// written, so a tick every 10 ms stays cheap with full panes and grids.
#include <QString>

#include "monitor/run_monitor_model.h"

class QColor;
class QPlainTextEdit;
class QTableWidget;

namespace vel::ui {

// A colour value of the window system (blue, green, red bytes from the top).
QColor colourOf(int value);

// The grid: header row from model row 0, one table row per data row after it.
void showGrid(QTableWidget* grid, const RunMonitorModel& model);

// Widens each column whose header or cells no longer fit (a time stamp, a
// long name); columns never narrow, so a run's figures do not jump sideways.
void widenColumnsToContent(QTableWidget* grid);

// A log pane. The model holds its lines with CR LF; lines added at the end
// are appended to the widget, any other change (lines dropped at the top, a
// cleared pane) replaces its text. The view follows the end.
class PaneView {
public:
    explicit PaneView(QPlainTextEdit* pane) : pane_(pane) {}
    void show(const QString& text);

private:
    QPlainTextEdit* pane_;
    QString shown_;
};

}  // namespace vel::ui
