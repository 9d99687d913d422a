#pragma once
// Where a file dialog starts: the folder it opens in and the file name it
// proposes, split from the path that a field holds now.
#include <QString>

namespace vel {

struct DialogStart {
    QString dialogFolder;
    QString dialogFileName;
};

// The folder part ends with its separator ("C:\data\", "/home/u/data/").
// Both "\" and "/" separate folders, so paths stored by a Windows
// installation split as well as Linux paths. A path without a folder part
// (empty, a bare name, or "\name") starts in the program folder; "/name"
// starts in "/", the root folder it names. A drive without a separator
// ("C:log.csv") gives the drive as the folder.
DialogStart splitPath(const QString& path, const QString& programFolder);

}  // namespace vel
