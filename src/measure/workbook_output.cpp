#include "measure/workbook_output.h"

#include "log/log_lines.h"

namespace vel {

void WorkbookOutput::valueEvaluated(const EvaluatedValue& value) {
    if (!workbook_.workbookOpen) return;
    if (!workbook_.app) {
        log_.alarmLogLine(loglines::workbookUnreachable(value.at));
        workbook_.workbookOpen = false;
        return;
    }
    const RecordRowLayout layout = recordRowLayout(settings_);
    CellBatch cells;
    if (value.firstOfRecord()) {
        const auto& items = value.tables->dataItems;
        if (layout.numberColumn)
            cells.push_back(CellWrite::textCell(layout.row, layout.numberCellColumn(), items[kRecordNumberItem].valueText));
        if (layout.timeColumn)
            cells.push_back(CellWrite::timeStampCell(layout.row, layout.timeCellColumn(), items[kTimeStampItem].valueText));
    }
    const DataItem& item = value.item();
    const int32_t column = layout.valueCellColumn(value.index);
    cells.push_back(CellWrite::textCell(layout.row, column, item.valueText));
    if (item.alarm) cells.push_back(CellWrite::fontColour(layout.row, column, kAlarmFontColourIndex));
    if (!sendCells(workbook_, std::move(cells))) {
        log_.alarmLogLine(loglines::workbookUnreachable(value.at));
        workbook_.workbookOpen = false;
    }
}

void WorkbookOutput::recordClosed(const ClosedRecord&) { nextCellMove(workbook_, settings_, messages_, cursor_); }

}  // namespace vel
