#pragma once
// How the program's values become spreadsheet cell contents, independent of
// the spreadsheet application: numbers out of numeric texts, the serial
// day number of a date-time, the RGB colour of a font colour index and the
// absolute address of a cell.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace vel {

// The number a cell receives for a value text that reads as a number
// ("12.35", " -5 ", "1e3"); nullopt for any other text, which the cell keeps
// as text exactly as it is. A text is never taken as a formula or a date.
std::optional<double> cellNumber(const QString& text);

// The spreadsheet's serial number of a local date-time: days since the zero
// date 1899/12/30 00:00:00, the time of day as the fraction (negative days
// for earlier dates).
double dateTimeSerial(const QDateTime& when);

// A date-time on the zero date stands for a time of day without a date.
bool isTimeOfDay(const QDateTime& when);

// The RGB value (0xRRGGBB) of the first entries of the spreadsheet's standard
// colour index: 1 black, 2 white, 3 red, 4 green, 5 blue, 6 yellow,
// 7 magenta, 8 cyan. nullopt for any other index.
std::optional<uint32_t> colourOfIndex(int colourIndex);

// "$B$3" for row 3, column 2; empty when row or column is below 1.
QString absoluteCellAddress(int32_t row, int32_t column);

}  // namespace vel
