#pragma once
// Putting the run state back to its start-of-run values before each run.
#include "base/run_state.h"
#include "script/script_tables.h"

namespace vel {

// The run-state part of the reset, for channel 0: the reply codes and
// time-outs, the cycle interval, the wait count-down, the receive beep and
// the loop start. Everything else (running, step index, counts, receive
// buffers, dates, lastExecutedCode, numberFormats) is left as it is; the run
// start sets what it needs.
void resetRunState(RunState& state);

// The whole reset a run start performs: the run state as above, then both
// tables to their defaults (every data item cleared with its default name,
// the default script SSS, RCV, SET, EEE).
void resetRunState(RunState& state, ScriptTables& tables);

}  // namespace vel
