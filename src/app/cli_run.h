#pragma once
// velloran-cli run: the start button's run from setup.dat, without windows.
#include <QStringList>

#include "base/program_folder.h"

namespace vel {

// Runs until the run ends by itself (0) or SIGINT/SIGTERM stops it (0, as the
// run monitor's stop); 1 when the run cannot start; 2 for bad arguments.
int runRun(const QStringList& args, const ProgramFolder& folder);

}  // namespace vel
