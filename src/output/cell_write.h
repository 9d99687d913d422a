#pragma once
// One workbook operation of a record, as a value that can be queued and
// applied later on another thread: a text cell, a date-time cell, the font
// colour of a cell, or the selection of a cell (the cursor moved to the next
// record's row). A record's operations travel together as a CellBatch.
//
// Rows and columns are 1-based, as in Workbook.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

#include "output/workbook.h"

namespace vel {

struct CellWrite {
    enum class Kind { Text, DateTime, FontColourIndex, Select };

    Kind kind = Kind::Text;
    int32_t row = 1;
    int32_t column = 1;
    QString text;          // Text
    QDateTime dateTime;    // DateTime
    int colourIndex = 0;   // FontColourIndex

    static CellWrite textCell(int32_t row, int32_t column, const QString& text);
    static CellWrite dateTimeCell(int32_t row, int32_t column, const QDateTime& value);
    // A time stamp text: a date-time cell when it reads as one, else the
    // text itself, so that the cell never stays empty.
    static CellWrite timeStampCell(int32_t row, int32_t column, const QString& stamp);
    static CellWrite fontColour(int32_t row, int32_t column, int colourIndex);
    static CellWrite selectCell(int32_t row, int32_t column);

    bool operator==(const CellWrite&) const = default;
};

using CellBatch = std::vector<CellWrite>;

// Applies one operation; false when the workbook refused it.
bool applyCellWrite(Workbook& workbook, const CellWrite& write);

}  // namespace vel
