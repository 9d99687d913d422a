#pragma once
// Loading a script file into the script table and the data-item table.
#include <QString>

#include "base/message_box.h"
#include "script/definition_parser.h"
#include "script/script_tables.h"

namespace vel {

// The script table holds at most this many commands (a 16-bit count).
inline constexpr int kMaxScriptCommands = 32767;

// Reads the script named by scriptPath (trimmed of spaces) into the tables,
// which the caller has reset. An empty path keeps the defaults and succeeds.
// Every failure is shown as one message and gives false; the tables may then
// hold a partly loaded script.
bool loadScript(ScriptTables& tables, const QString& scriptPath, MessageBox& box);

// Pads every name of entries 0..258 with spaces to the greatest byte length
// among them, so that names line up in fixed-width displays.
void padItemNames(DataItems& items);

}  // namespace vel
