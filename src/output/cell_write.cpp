#include "output/cell_write.h"

#include "text/vb.h"

namespace vel {

CellWrite CellWrite::textCell(int32_t row, int32_t column, const QString& text) {
    CellWrite w;
    w.kind = Kind::Text;
    w.row = row;
    w.column = column;
    w.text = text;
    return w;
}

CellWrite CellWrite::dateTimeCell(int32_t row, int32_t column, const QDateTime& value) {
    CellWrite w;
    w.kind = Kind::DateTime;
    w.row = row;
    w.column = column;
    w.dateTime = value;
    return w;
}

CellWrite CellWrite::timeStampCell(int32_t row, int32_t column, const QString& stamp) {
    const auto when = vb::parseDateTime(stamp);
    return when ? dateTimeCell(row, column, *when) : textCell(row, column, stamp);
}

CellWrite CellWrite::fontColour(int32_t row, int32_t column, int colourIndex) {
    CellWrite w;
    w.kind = Kind::FontColourIndex;
    w.row = row;
    w.column = column;
    w.colourIndex = colourIndex;
    return w;
}

CellWrite CellWrite::selectCell(int32_t row, int32_t column) {
    CellWrite w;
    w.kind = Kind::Select;
    w.row = row;
    w.column = column;
    return w;
}

bool applyCellWrite(Workbook& workbook, const CellWrite& write) {
    switch (write.kind) {
    case CellWrite::Kind::Text:
        return workbook.setCellText(write.row, write.column, write.text);
    case CellWrite::Kind::DateTime:
        return workbook.setCellDateTime(write.row, write.column, write.dateTime);
    case CellWrite::Kind::FontColourIndex:
        return workbook.setCellFontColourIndex(write.row, write.column, write.colourIndex);
    case CellWrite::Kind::Select:
        return workbook.selectCell(write.row, write.column);
    }
    return false;
}

}  // namespace vel
