#include "settings/split_path.h"

#include <algorithm>

namespace vel {

DialogStart splitPath(const QString& path, const QString& programFolder) {
    DialogStart d{programFolder, QString()};
    if (path.isEmpty()) return d;

    // 1-based position of the last separator of either kind (0 = none).
    const qsizetype p = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/'))) + 1;
    qsizetype at = p;
    if (at == 0) at = path.indexOf(QLatin1Char(':')) + 1;  // a drive letter without a folder
    if (at == 0) {
        d.dialogFileName = path;
        return d;
    }
    // A folder part of one character is the root: on Linux "/" is a folder of
    // its own, whereas "\" names no drive and so no folder to start in.
    if (at > 1 || path.startsWith(QLatin1Char('/'))) d.dialogFolder = path.left(at);
    if (at < path.size()) d.dialogFileName = path.mid(at);
    return d;
}

}  // namespace vel
