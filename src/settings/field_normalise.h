#pragma once
// What the main window's fields do with their text when they lose the focus
// (or on Enter), and the check that enables the workbook's open button.
// Numbers are read as their leading numeric part (none gives 0) and rounded
// half to even.
#include <QString>
#include <cstdint>

namespace vel {

// TextMin: whole minutes 0..30000 (0 = continuous).
int32_t acquisitionMinutes(const QString& text);

// TextStartCol: trimmed, upper case, at most two characters, one letter A..Z
// or two letters AA..IA ("b" gives B, "A1" AA, "IZ" IA, "abc" AB, "" A).
QString startColumn(const QString& text);

// TextStartRow: row 1..65000.
int32_t startRow(const QString& text);

// TextCellNo: the acquisition number as a 32-bit integer; a number beyond
// that range becomes its nearest end.
int32_t acquisitionNumberOf(const QString& text);

// TextKinkyuTime / TextTujyoTime: "1" below 1, "9999" above 9999, otherwise
// the text as typed (fractions included).
QString mailInterval(const QString& text);

// A mail interval as the settings keep it: 16-bit, rounded, 1..9999.
int16_t mailMinutes(const QString& text);

// A stored startColumnLetters as the window shows it: letters outside A..IA
// give "A"; longer ones keep their first two.
QString storedStartColumn(const QString& letters);

// CommandOpen is enabled when the trimmed name ends with "XLS", "XLSX" or
// "ODS" in any case: the office keeps each of these in its own format.
bool workbookNameOpenable(const QString& name);

}  // namespace vel
