#pragma once
// velloran-cli setup: shows or changes the choices stored in setup.dat, so
// that a run can be prepared without the main window (demos, tests, remote
// installations).
#include <QStringList>

#include "base/program_folder.h"
#include "settings/extension_settings.h"

namespace vel {

// `setup` prints every field as NAME=VALUE; `setup NAME=VALUE ...` changes
// the named fields and saves setup.dat (and velloran.ini for its keys);
// `setup --keys` lists every key with what it takes and its default. A
// value is taken exactly or the whole line is refused, saving nothing.
// 0 on success, 1 when a save failed, 2 for an unknown name or a value
// that does not fit (named on stderr with what the key takes).
int runSetup(const QStringList& args, const ProgramFolder& folder);

// Names on stderr every problem of a loaded velloran.ini and the value used
// instead, and a password others can read; `lead` names the station when
// several run ("line1: ").
void printSettingNotes(const ExtensionLoad& loaded, const QString& lead = {});

}  // namespace vel
