#pragma once
// Definition lines: names (NAM), decimals (DEC), limits (MAX, MIN) and alarm
// conditions (ALM) of a range of data numbers, e.g. "NAM:D3-5=Temp",
// "DEC:D1=2", "MAX:D1=100", "ALM:D2>=50", "ALM:D4==ERR".
#include <QString>
#include <array>

#include "script/script_tables.h"

namespace vel {

using DataItems = std::array<DataItem, kDataItemCount>;

// The code of an operator text ("<" 1 .. "<>" 6, "==" 7), or AlarmNone.
int16_t alarmOperatorOf(const QString& text);
// The text of an operator code, or an empty text.
QString alarmOperatorText(int16_t code);

// Applies one trimmed definition line to the items of its range; false when
// the line is malformed (nothing is changed then).
bool parseDefinition(DataItems& items, const QString& line);

}  // namespace vel
