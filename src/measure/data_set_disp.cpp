#include "measure/data_set_disp.h"

#include <utility>
#include "log/log_lines.h"

#include "output/workbook_cursor.h"
#include "text/vb.h"

namespace vel {
namespace {

// Cell writes of one call, handed to the workbook together: skipped while no workbook is open; a refusal is logged and closes
// the connection.
class CellWriter {
public:
    CellWriter(MeasureContext& ctx, const QDateTime& now) : ctx_(ctx), now_(now) {}

    // Hands the cells over; a refusal here is logged before anything else
    // the call logs.
    void send() {
        if (!batch_.empty() && !sendCells(ctx_.workbook, std::exchange(batch_, {}))) refused();
    }

    void text(int32_t row, int32_t column, const QString& value) {
        if (usable()) batch_.push_back(CellWrite::textCell(row, column, value));
    }
    void dateTime(int32_t row, int32_t column, const QString& stamp) {
        if (usable()) batch_.push_back(CellWrite::timeStampCell(row, column, stamp));
    }
    void alarmColour(int32_t row, int32_t column) {
        if (usable()) batch_.push_back(CellWrite::fontColour(row, column, kAlarmFontColourIndex));
    }

private:
    bool usable() {
        if (!ctx_.workbook.workbookOpen) return false;
        if (ctx_.workbook.app) return true;
        refused();
        return false;
    }
    void refused() {
        ctx_.log.alarmLogLine(loglines::workbookUnreachable(now_));
        ctx_.workbook.workbookOpen = false;
    }

    MeasureContext& ctx_;
    QDateTime now_;
    CellBatch batch_;
};

// Grid row r, created (numbered and named) when the grid does not reach it
// yet. The grid starts with one empty data row, which is the first one used.
GridRow& gridRow(RunMonitorModel& monitor, int r, const QString& name, bool alarmColumnRed) {
    if (monitor.grid.empty()) monitor.grid.resize(1);
    while (static_cast<int>(monitor.grid.size()) <= r) monitor.grid.emplace_back();
    GridRow& row = monitor.grid[static_cast<size_t>(r)];
    if (monitor.gridRowsBuilt < r) {
        row.cells[0] = QString::number(r);
        row.cells[1] = vb::trim(name);
        if (alarmColumnRed) row.alarmColumnRed = true;
        monitor.gridRowsBuilt = r;
    }
    return row;
}

// The record-number and time-stamp cells and rows, and the record counter.
void showRecordLead(MeasureContext& ctx, CellWriter& cells) {
    const RecordRowLayout layout = recordRowLayout(ctx.settings);
    const DataItem& number = ctx.tables.dataItems[kRecordNumberItem];
    const DataItem& stamp = ctx.tables.dataItems[kTimeStampItem];
    int16_t& lead = ctx.record.leadColumns;
    lead = 0;
    if (layout.numberColumn) {
        cells.text(layout.row, layout.numberCellColumn(), number.valueText);
        lead = 1;
        gridRow(ctx.monitor, lead, number.name, false).cells[2] = number.valueText;
    }
    if (layout.timeColumn) {
        cells.dateTime(layout.row, layout.timeCellColumn(), stamp.valueText);
        lead += 1;
        const auto when = vb::parseDateTime(stamp.valueText);
        const auto format = ctx.settings.timeStampMode == 1 ? vb::DateFormat::ShortDateTime : vb::DateFormat::TimeOnly;
        gridRow(ctx.monitor, lead, stamp.name, false).cells[2] = when ? vb::formatDate(*when, format) : stamp.valueText;
    }
    ctx.monitor.labelNsu = QString::number(ctx.monitor.labelNsu.toInt() + 1);
}

}  // namespace

void dataSetDisp(MeasureContext& ctx, int index) {
    if (index < 0 || index >= kMaxValuesPerRecord) return;
    const QDateTime now = ctx.timer.localNow();
    CellWriter cells(ctx, now);
    if (index == 0) showRecordLead(ctx, cells);

    DataItem& item = ctx.tables.dataItems[static_cast<size_t>(index)];
    const int lead = ctx.record.leadColumns;
    const int32_t column = ctx.settings.cursorColumn + lead + index;
    cells.text(ctx.settings.cursorRow, column, item.valueText);
    if (item.alarm) cells.alarmColour(ctx.settings.cursorRow, column);
    cells.send();

    const int r = lead + index + 1;
    GridRow& row = gridRow(ctx.monitor, r, item.name, true);
    row.cells[2] = item.valueText;
    row.cells[3] = item.alarm ? QStringLiteral("※") : QString();
    row.cells[4] = QString::number(item.alarmCount);
    if (vb::isNumeric(item.valueText)) {
        row.cells[5] = vb::generalNumber(item.minimum);
        row.cells[6] = vb::generalNumber(item.maximum);
        row.cells[7] = vb::generalNumber(item.average);
    }

    if (item.alarm == item.prevAlarm) return;
    const QString name = vb::trim(item.name);
    ctx.log.alarmLogLine(item.alarm ? loglines::alarmRaised(now, r, name, item.valueText)
                                    : loglines::alarmCleared(now, r, name, item.valueText));
    if (item.alarm) {
        item.alarmOnTime = now;
        ctx.alarmMail.raised = true;
    } else {
        item.alarmOffTime = now;
        ctx.alarmMail.cleared = true;
    }
}

}  // namespace vel
