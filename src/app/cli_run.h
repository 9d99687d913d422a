#pragma once
// velloran-cli run: the start button's run from setup.dat, without windows,
// for one program folder or several side by side (one station each, each on
// its own thread, in one process). It prints the communication and alarm
// lines and the run monitor's message and error lines, each line led by the
// station's name when there are several; with --service (a station's unit)
// only the device opened, the alarm log's lines (start, alarms, station
// changes, end), the error line's changes and the message the run ended
// with, so that a journal gets a few lines per event rather than several per
// record.
#include <QStringList>
#include <vector>

#include "base/program_folder.h"

namespace vel {

// Runs until every station's run has ended by itself or SIGINT/SIGTERM/SIGHUP
// stopped them all (0, as the run monitor's stop); 1 when a run cannot start
// (the others run on); 2 for bad arguments.
int runRun(const QStringList& args, const std::vector<ProgramFolder>& folders);

}  // namespace vel
