#pragma once
// Command lines to script-table entries: the three-letter mnemonics, their
// opcodes and the operand each one takes.
#include <QString>

#include "script/script_tables.h"

namespace vel {

// The opcode of a mnemonic (exact, case-sensitive), or OpNone.
int16_t opcodeOf(const QString& mnemonic);
// The mnemonic of an opcode, or an empty text for codes outside 1..18.
QString mnemonicOf(int16_t code);

// The entry a trimmed command line encodes to; code 0 when the line is
// rejected (unknown mnemonic or an operand its command does not accept).
ScriptCommand encodeLine(const QString& line);

// Fills tables.scriptTable[index] from the line; false, leaving the entry as
// it was, when the line is rejected or the index is outside the table.
bool encodeCommand(ScriptTables& tables, int index, const QString& line);

}  // namespace vel
