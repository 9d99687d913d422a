#pragma once
// A fresh evaluation setting for one test: run state, tables with the
// default item names, settings, run monitor, recorded logs, a manual clock at
// 2024/05/01 12:00:00 and an in-memory workbook (closed unless opened).
#include "base/clock.h"
#include "measure/alarm_log_output.h"
#include "measure/measure_context.h"
#include "measure/monitor_output.h"
#include "measure/workbook_output.h"
#include "support/fake_workbook.h"
#include "support/manual_clock.h"
#include "support/recording_log_sink.h"
#include "support/recording_message_box.h"

namespace vel::test {

struct MeasureBench {
    RunState run;
    ScriptTables tables;
    SettingsRecord settings;
    RunMonitorModel monitor;
    RecordingLogSink log;
    AlarmMailPending alarmMail;
    ManualClock clock;
    Timer timer{clock};
    FakeWorkbook app;
    WorkbookConnection workbook{&app, false};
    RecordingMessageBox box;
    // The outputs that take evaluated values, in the engine's order.
    WorkbookOutput workbookOutput{workbook, settings, log, box};
    MonitorOutput monitorOutput{monitor, settings};
    AlarmLogOutput alarmLogOutput{log};
    RecordStream stream;
    MeasureContext ctx{run, tables, settings, alarmMail, timer, stream};

    std::vector<Subscription> subscriptions;

    MeasureBench() {
        for (RecordSubscriber* output : std::initializer_list<RecordSubscriber*>{&workbookOutput, &monitorOutput, &alarmLogOutput})
            subscriptions.push_back(stream.subscribe(*output));
        timer.timerInit();
        for (int i = 0; i < kDataItemCount; ++i) {
            DataItem& item = tables.dataItems[static_cast<size_t>(i)];
            item.decimals = -1;
            item.name = QStringLiteral("D%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        }
        tables.dataItems[kRecordNumberItem].name = QStringLiteral("No. ");  // padded like the loader does
        tables.dataItems[kTimeStampItem].name = QStringLiteral("時間");
    }

    DataItem& item(int index) { return tables.dataItems[static_cast<size_t>(index)]; }
    const GridRow& row(int r) const { return monitor.grid.at(static_cast<size_t>(r)); }
    void openWorkbook(int32_t row, int16_t column) {
        workbook.workbookOpen = true;
        settings.cursorRow = row;
        settings.cursorColumn = column;
    }
};

}  // namespace vel::test
