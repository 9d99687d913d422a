#pragma once
// The data log (Log/DataLog.log): one summary block per run that the user
// stops from the run monitor, with the acquisition period and every row of
// the monitor's data grid in comma-separated form. The file is opened and
// closed for each block and only ever appended to; a file past the rotation
// limit becomes DataLog.bak before the next block.
#include <QDateTime>
#include <QString>

#include "base/program_folder.h"
#include "monitor/run_monitor_model.h"

namespace vel {

// A grid cell as a data-log field: a cell that reads as a number becomes
// that number, bare, with "." as decimal separator (12.50 gives 12.5); any
// other cell, and every cell with `alwaysText`, becomes quoted text.
QString dataLogField(const QString& cell, bool alwaysText);

// The block as text: the header line "取得時間","<start> ～ <end>", one line
// per grid row (row 0, the headings, first; column 1, the name, always as
// text) and an empty line, every line ended by CR LF.
QString dataLogBlock(const QDateTime& runStart, const QDateTime& runEnd, const RunMonitorModel& monitor);

// Appends the block for the stopped run unless no record was counted yet
// (the record counter below 1). Returns whether a block was written;
// a failure is not reported otherwise and leaves the file closed.
bool dataLogWrite(const ProgramFolder& folder, const QDateTime& runStart, const QDateTime& runEnd,
                  const RunMonitorModel& monitor);

}  // namespace vel
