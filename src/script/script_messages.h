#pragma once
// The loader's messages, exactly as the user sees them. `path` is the script
// path as given (trimmed); `line` the trimmed line that failed.
#include <QString>

namespace vel::script_messages {

QString missingFile(const QString& path);
QString noCommands(const QString& path);
QString badDefinition(const QString& path, const QString& line);
QString badCommand(const QString& path, int scriptNumber, const QString& line);
QString readError(const QString& path);

}  // namespace vel::script_messages
