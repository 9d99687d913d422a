#pragma once
// velloran-cli setup: shows or changes the choices stored in setup.dat, so
// that a run can be prepared without the main window (demos, tests, remote
// installations).
#include <QStringList>

#include "base/program_folder.h"

namespace vel {

// `setup` prints every field as NAME=VALUE; `setup NAME=VALUE ...` changes
// the named fields and saves setup.dat. 0 on success, 1 when a save failed,
// 2 for an unknown name or a value that does not fit.
int runSetup(const QStringList& args, const ProgramFolder& folder);

}  // namespace vel
