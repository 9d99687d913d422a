#pragma once
// Keeps a station's status from its record stream: the records and alarms of
// the run and the time of the last record.
#include "measure/record_stream.h"
#include "station/station_view.h"

namespace vel {

class StationStatusWatch : public RecordSubscriber {
public:
    void runEvent(const RunEvent& event) override {
        if (event.phase != RunPhase::Started) return;
        records_ = 0;
        alarms_ = 0;
        lastRecord_ = QDateTime();
    }
    void valueEvaluated(const EvaluatedValue& value) override { alarms_ += value.change == AlarmChange::Raised; }
    void recordClosed(const ClosedRecord& record) override {
        ++records_;
        lastRecord_ = record.at;
    }

    // The counts into a status.
    void fill(StationStatus& status) const {
        status.records = records_;
        status.alarms = alarms_;
        status.lastRecord = lastRecord_;
    }

private:
    int records_ = 0;
    int alarms_ = 0;
    QDateTime lastRecord_;
};

}  // namespace vel
