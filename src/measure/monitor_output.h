#pragma once
// The run monitor's value grid and record counter as a subscriber of the
// record stream: the first value of a record numbers and names the lead rows
// (record number, time stamp) and counts the record; every value fills its
// row (value, alarm mark, alarm count, minimum, maximum, average).
#include <QString>

#include <array>
#include <vector>

#include "measure/record_stream.h"
#include "monitor/run_monitor_model.h"
#include "settings/settings_record.h"

namespace vel {

class MonitorOutput : public RecordSubscriber {
public:
    MonitorOutput(RunMonitorModel& monitor, const SettingsRecord& settings) : monitor_(monitor), settings_(settings) {}
    void valueEvaluated(const EvaluatedValue& value) override;

private:
    void showRecordLead(const ScriptTables& tables);
    // The text of `value` for statistic `slot` (minimum, maximum, average)
    // of grid row `row`: formatted again only when the value changed, since
    // the minimum and maximum rarely move from one record to the next.
    const QString& statisticText(int row, int slot, double value);

    struct ShownNumber {
        double value = 0;
        QString text;  // empty: nothing formatted yet
    };

    RunMonitorModel& monitor_;
    const SettingsRecord& settings_;
    std::vector<std::array<ShownNumber, 3>> shown_;  // by grid row
};

}  // namespace vel
