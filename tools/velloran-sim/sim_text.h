#pragma once
// Escapes of velloran-sim: reply templates as typed on the command line, and
// traffic as printed.
#include <QString>

namespace vel::sim {

// \r \n \t \\ and \xNN (one raw byte, sent as is); any other backslash stays.
QString unescapeReply(const QString& text);

// One printable line: control characters as \r \n \t or \xNN, a backslash as
// \\, raw bytes that are no CP932 character as \xNN.
QString escapeForLog(const QString& text);

}  // namespace vel::sim
