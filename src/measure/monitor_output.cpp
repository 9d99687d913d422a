#include "measure/monitor_output.h"

#include "output/workbook_cursor.h"
#include "text/vb.h"

namespace vel {
namespace {

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

}  // namespace

// The record-number and time-stamp rows, and the record counter.
void MonitorOutput::showRecordLead(const ScriptTables& tables) {
    const RecordRowLayout layout = recordRowLayout(settings_);
    const DataItem& number = tables.dataItems[kRecordNumberItem];
    const DataItem& stamp = tables.dataItems[kTimeStampItem];
    int lead = 0;
    if (layout.numberColumn) gridRow(monitor_, ++lead, number.name, false).cells[2] = number.valueText;
    if (layout.timeColumn) {
        const auto when = vb::parseDateTime(stamp.valueText);
        const auto format = settings_.timeStampMode == 1 ? vb::DateFormat::ShortDateTime : vb::DateFormat::TimeOnly;
        gridRow(monitor_, ++lead, stamp.name, false).cells[2] = when ? vb::formatDate(*when, format) : stamp.valueText;
    }
    ++monitor_.records;
}

void MonitorOutput::valueEvaluated(const EvaluatedValue& value) {
    const DataItem& item = value.item();
    if (value.firstOfRecord()) showRecordLead(*value.tables);
    GridRow& row = gridRow(monitor_, value.itemNumber, item.name, true);
    row.cells[2] = item.valueText;
    row.cells[3] = item.alarm ? QStringLiteral("※") : QString();
    row.cells[4] = QString::number(item.alarmCount);
    if (vb::isNumeric(item.valueText)) {
        row.cells[5] = statisticText(value.itemNumber, 0, item.minimum);
        row.cells[6] = statisticText(value.itemNumber, 1, item.maximum);
        row.cells[7] = statisticText(value.itemNumber, 2, item.average);
    }
}

const QString& MonitorOutput::statisticText(int row, int slot, double value) {
    if (static_cast<int>(shown_.size()) <= row) shown_.resize(static_cast<size_t>(row) + 1);
    ShownNumber& shown = shown_[static_cast<size_t>(row)][static_cast<size_t>(slot)];
    if (shown.text.isEmpty() || !(shown.value == value)) {
        shown.value = value;
        shown.text = vb::generalNumber(value);
    }
    return shown.text;
}

}  // namespace vel
