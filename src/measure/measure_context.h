#pragma once
// Everything the evaluation of a record reads and writes, passed together.
// The engine owns the objects; the context only refers to them, so it may
// be built anew for each call.
#include "base/clock.h"
#include "base/run_state.h"
#include "measure/alarm_pending.h"
#include "measure/record_stream.h"
#include "script/script_tables.h"
#include "settings/settings_record.h"

namespace vel {

struct MeasureContext {
    RunState& run;
    ScriptTables& tables;
    SettingsRecord& settings;  // numberColumnOn, acquisitionNumber, timeStampMode
    AlarmMailPending& alarmMail;
    const Timer& timer;        // local time of stamps and alarm changes
    const RecordStream& stream;  // where evaluated values go
};

}  // namespace vel
