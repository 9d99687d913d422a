#pragma once
// The live workbook as a subscriber of the record stream: each value goes
// into its cell of the record's row (red when in alarm), the first value of
// a record also brings the record-number and time-stamp cells, and a closed
// record moves the cursor one row down. Skipped while no workbook is open; a
// refused cell write is logged once and closes the connection.
#include "base/message_box.h"
#include "log/log_sink.h"
#include "measure/record_stream.h"
#include "output/workbook_connection.h"
#include "output/workbook_cursor.h"
#include "settings/settings_record.h"

namespace vel {

class WorkbookOutput : public RecordSubscriber {
public:
    WorkbookOutput(WorkbookConnection& workbook, SettingsRecord& settings, LogSink& log, MessageBox& messages,
                   const CursorView& cursor = {})
        : workbook_(workbook), settings_(settings), log_(log), messages_(messages), cursor_(cursor) {}

    void valueEvaluated(const EvaluatedValue& value) override;
    void recordClosed(const ClosedRecord& record) override;

private:
    WorkbookConnection& workbook_;
    SettingsRecord& settings_;  // the cursor lives there
    LogSink& log_;
    MessageBox& messages_;
    const CursorView& cursor_;
};

}  // namespace vel
