#pragma once
// The second pass over the values of a record, when the script reaches SET
// or EEE: each value's alarm change is marked (its time, the pending
// alarm-mail flags) and the evaluated value is published on the record
// stream, where the workbook, the run monitor grid and the alarm log take it.
#include "measure/measure_context.h"

namespace vel {

// Publishes value `index` (0..256) of the current record. The first value of
// a record also brings the record number and time stamp to the outputs.
// Never fails to the caller: each output deals with its own failures, so
// that no alarm goes unreported because the spreadsheet went away.
void dataSetDisp(MeasureContext& ctx, int index);
// The same with the moment of the evaluation given: the values of one record
// evaluated together share one reading of the local clock.
void dataSetDisp(MeasureContext& ctx, int index, const QDateTime& at);

// The number of value `index` on the run monitor and in alarm lines: the
// lead rows (record number, time stamp) come first.
int itemNumber(const SettingsRecord& settings, int index);

}  // namespace vel
