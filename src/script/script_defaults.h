#pragma once
// The state of both tables before a script is loaded: every data item
// cleared with its default name and "keep as received" decimals, and the
// default script SSS, RCV, SET, EEE (one reply evaluated per cycle).
#include <QString>

#include "script/script_tables.h"

namespace vel {

// "D001".."D259" for entries 0..258, "No." for 257, "時間" for 258; empty for
// the unused entry 259.
QString defaultItemName(int entry);

void resetScriptTables(ScriptTables& tables);

}  // namespace vel
