#pragma once
// Which folder is the program folder. A program run from its build tree or an
// unpacked copy keeps it beside the executable; an installed one (bin/ next to
// share/velloran, or a folder it may not write) keeps it per user, in
// ~/.local/share/velloran. velloran-cli --home overrides both.
#include <QString>

#include "base/program_folder.h"

namespace vel {

// The candidate folders, gathered once at start-up (tests pass fake ones).
struct ProgramPlaces {
    QString homeOption;      // velloran-cli --home DIR; empty when not given
    QString executableDir;   // the folder of the running executable
    QString installedShare;  // share/velloran of an installed program (manual/, samples/)
    QString userDataDir;     // the per-user folder ($XDG_DATA_HOME/velloran)
};

// The places of the running program: the executable's folder, the share folder
// the install rule puts beside its bin/ folder, and the per-user data folder.
ProgramPlaces runningProgramPlaces(const QString& homeOption);

// The program folder for these places; a per-user folder is created when missing
// so that setup.dat and Log/ can be written at once.
ProgramFolder chooseProgramFolder(const ProgramPlaces& places);

// The manual the Help menu opens: the program folder's own copy when there is
// one, else the installed one, else (for the notice) the program folder's path.
QString manualFile(const ProgramFolder& folder, const QString& installedShare);

}  // namespace vel
