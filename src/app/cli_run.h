#pragma once
// velloran-cli run: the start button's run from setup.dat, without windows.
// It prints the communication and alarm lines and the run monitor's message
// and error lines; with --service (a station's unit) only the device opened,
// the alarm log's lines (start, alarms, station changes, end), the error line's
// changes and the message the run ended with, so that a journal gets a few
// lines per event rather than several per record.
#include <QStringList>

#include "base/program_folder.h"

namespace vel {

// Runs until the run ends by itself (0) or SIGINT/SIGTERM stops it (0, as the
// run monitor's stop); 1 when the run cannot start; 2 for bad arguments.
int runRun(const QStringList& args, const ProgramFolder& folder);

}  // namespace vel
