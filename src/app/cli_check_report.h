#pragma once
// What `velloran-cli check` prints about a loaded script: one JSON object,
// or a table for a person checking a script.
#include <QByteArray>
#include <QString>

#include "script/script_tables.h"

namespace vel {

// Entries 0..258 whose definition (name, decimals, limits, alarms) differs
// from the defaults, plus always the record number and the time stamp.
bool isReportedItem(const ScriptTables& tables, int entry);

QByteArray checkJson(const ScriptTables& tables);
QByteArray checkFailureJson(const QString& message);
QString checkText(const ScriptTables& tables, const QString& path);

}  // namespace vel
