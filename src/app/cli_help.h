#pragma once
// What velloran-cli and each of its commands print for --help (stdout,
// exit 0) and, for the whole program, after a wrong command line (stderr).

namespace vel {

extern const char kCliUsage[];
extern const char kCheckHelp[];
extern const char kRunHelp[];
extern const char kSetupHelp[];

}  // namespace vel
