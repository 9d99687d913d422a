#pragma once
// Everything the evaluation of a record reads and writes, passed together.
// The engine owns the objects; the context only refers to them, so it may
// be built anew for each call.
#include <cstdint>

#include "base/clock.h"
#include "base/run_state.h"
#include "log/log_sink.h"
#include "measure/alarm_pending.h"
#include "monitor/run_monitor_model.h"
#include "output/workbook_connection.h"
#include "script/script_tables.h"
#include "settings/settings_record.h"

namespace vel {

// State of the record being evaluated.
struct RecordState {
    // Pseudo-columns (record number, time stamp) in front of the values of
    // the current record: 0, 1 or 2. Set at the record's first value.
    int16_t leadColumns = 0;
};

struct MeasureContext {
    RunState& run;
    ScriptTables& tables;
    SettingsRecord& settings;  // numberColumnOn, acquisitionNumber, timeStampMode, workbook cursor
    RunMonitorModel& monitor;  // grid and record counter
    LogSink& log;              // alarm-log lines
    AlarmMailPending& alarmMail;
    const Timer& timer;        // local time of stamps and alarm lines
    WorkbookConnection& workbook;
    RecordState& record;
};

}  // namespace vel
