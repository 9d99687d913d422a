#pragma once
// Which Linux device "Com N" reaches: the target of dev/comN in the program
// folder when that link (or file) is there, else /dev/ttyS(N-1).
#include <QString>

#include "base/program_folder.h"

namespace vel {

// Empty for a port number below 1.
QString comDevice(const ProgramFolder& folder, int number);

}  // namespace vel
