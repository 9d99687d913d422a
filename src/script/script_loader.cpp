#include "script/script_loader.h"
#include "text/vb.h"

#include <QFileInfo>
#include <algorithm>

#include "script/command_encoding.h"
#include "script/script_lines.h"
#include "script/script_messages.h"
#include "text/cp932.h"

namespace vel {
namespace {

enum class Count { Ok, ReadError };

// First pass: the number of command lines; a read failure, an overlong line
// or more commands than a 16-bit count holds are read errors.
Count countCommands(const QString& path, int& count) {
    ScriptLineReader reader(path);
    if (!reader.open()) return Count::ReadError;
    count = 0;
    QString line;
    for (;;) {
        switch (reader.next(line)) {
        case ScriptLineReader::Result::End:
            return Count::Ok;
        case ScriptLineReader::Result::Error:
            return Count::ReadError;
        case ScriptLineReader::Result::Line:
            if (classifyLine(line) == LineKind::Command && ++count > kMaxScriptCommands)
                return Count::ReadError;
            break;
        }
    }
}

}  // namespace

void padItemNames(DataItems& items) {
    int widest = 0;
    for (int i = 0; i <= kTimeStampItem; ++i)
        widest = std::max(widest, cp932::byteLength(items[static_cast<size_t>(i)].name));
    for (int i = 0; i <= kTimeStampItem; ++i) {
        QString& name = items[static_cast<size_t>(i)].name;
        const int missing = widest - cp932::byteLength(name);
        if (missing > 0) name.append(QString(missing, QLatin1Char(' ')));
    }
}

bool loadScript(ScriptTables& tables, const QString& scriptPath, MessageBox& box) {
    const QString path = vb::trim(scriptPath);
    if (path.isEmpty()) return true;

    // Only a regular file is a script; a folder or a device is "not there".
    if (!QFileInfo(path).isFile()) {
        box.info(script_messages::missingFile(path));
        return false;
    }

    int count = 0;
    if (countCommands(path, count) == Count::ReadError) {
        box.info(script_messages::readError(path));
        return false;
    }
    if (count == 0) {
        box.info(script_messages::noCommands(path));
        return false;
    }

    tables.scriptTable.assign(static_cast<size_t>(count) + 1, ScriptCommand{});
    ScriptLineReader reader(path);
    if (!reader.open()) {
        box.info(script_messages::readError(path));
        return false;
    }
    int n = 0;
    QString line;
    for (bool more = true; more;) {
        switch (reader.next(line)) {
        case ScriptLineReader::Result::End:
            more = false;
            break;
        case ScriptLineReader::Result::Error:
            box.info(script_messages::readError(path));
            return false;
        case ScriptLineReader::Result::Line:
            switch (classifyLine(line)) {
            case LineKind::Ignored:
            case LineKind::Comment:
                break;
            case LineKind::Definition:
                if (!parseDefinition(tables.dataItems, line)) {
                    box.info(script_messages::badDefinition(path, line));
                    return false;
                }
                break;
            case LineKind::Command:
                // The file grew since it was counted: the table has no room.
                if (n >= count) {
                    box.info(script_messages::readError(path));
                    return false;
                }
                if (!encodeCommand(tables, n, line)) {
                    box.info(script_messages::badCommand(path, n + 1, line));
                    return false;
                }
                ++n;
                break;
            }
            break;
        }
    }
    // A file that shrank since it was counted leaves no unused entries behind.
    tables.scriptTable.resize(static_cast<size_t>(n) + 1);
    tables.scriptCount = static_cast<int16_t>(n);
    padItemNames(tables.dataItems);
    return true;
}

}  // namespace vel
