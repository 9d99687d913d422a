#pragma once
// velloran-cli check SCRIPT [--json]: loads a script exactly as a run start
// does and prints its command and data-item tables, or the loader's message.
#include <QString>
#include <QStringList>

namespace vel {

// args are the words after "check". Exit code: 0 loaded, 1 the loader
// refused the script (its message on stderr), 2 wrong usage.
int runCheck(const QStringList& args);

}  // namespace vel
