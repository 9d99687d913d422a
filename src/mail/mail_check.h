#pragma once
// The mail check at the end of every cycle (periodic) and at the end of a run
// that ends by itself: decides which mail is due, composes it into its record
// and hands it to the mail sender; a refusal reaches the alarm log when the
// sender reports it.
#include "base/clock.h"
#include "base/program_folder.h"
#include "base/run_state.h"
#include "log/log_sink.h"
#include "mail/mail_settings.h"
#include "mail/mail_state.h"
#include "mail/mail_sender.h"
#include "measure/alarm_pending.h"
#include "monitor/run_monitor_model.h"
#include "script/script_tables.h"
#include "settings/settings_record.h"

namespace vel {

// A temporary made for one check. A mail's result may arrive after the check
// has returned: what its refusal line needs (timer, log) is taken by
// reference and must outlive the mails the sender still holds.
struct MailContext {
    const SettingsRecord& settings;    // mail on/off, recovery, auto end, lead columns
    const RunState& run;               // valueCount
    const ScriptTables& tables;        // dataItems
    const RunMonitorModel& monitor;    // record counter
    AlarmMailPending& pending;         // set by the evaluator, cleared here
    MailState& state;
    MailRecords& records;
    const Timer& timer;                // also read when a refusal arrives
    MailSender& sender;
    LogSink& log;                      // also written when a refusal arrives
    const ProgramFolder& folder;       // Log/MailLog.log
};

// periodic true: the end of a cycle (normal mail on its grid, alarm mail after
// its minimum gap). periodic false: the run ended by itself (the end-of-run
// notice with the alarm record, when chosen).
void mailCheck(MailContext& ctx, bool periodic);

}  // namespace vel
