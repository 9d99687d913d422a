#pragma once
// The second pass over the values of a record, when the script reaches SET
// or EEE: each value goes into its workbook cell, into its row of the run
// monitor grid, and each change of its alarm state into the alarm log and
// the pending alarm-mail flags.
#include "measure/measure_context.h"

namespace vel {

// Displays value `index` (0..256) of the current record. The first value of
// a record also writes the record-number and time-stamp cells and rows and
// counts the record on the run monitor.
//
// A failing workbook call writes "<yyyy/mm/dd hh:mm:ss> エクセルにアクセスできません"
// to the alarm log once and switches workbook output off for the rest of the
// run; the grid, the record counter and the alarm transitions of the value
// are still done, so that no alarm goes unreported because the spreadsheet
// went away. Never fails to the caller.
void dataSetDisp(MeasureContext& ctx, int index);

}  // namespace vel
