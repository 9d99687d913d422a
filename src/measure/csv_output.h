#pragma once
// The CSV file as a subscriber of the record stream: one row for each closed
// record (the writer opens the file and writes its header with the first).
#include "measure/record_stream.h"
#include "output/csv_writer.h"
#include "settings/settings_record.h"

namespace vel {

class CsvOutput : public RecordSubscriber {
public:
    CsvOutput(CsvWriter& csv, const SettingsRecord& settings) : csv_(csv), settings_(settings) {}
    void recordClosed(const ClosedRecord& record) override {
        csv_.writeCsvRow(settings_, *record.tables, record.valueCount);
    }

private:
    CsvWriter& csv_;
    const SettingsRecord& settings_;
};

}  // namespace vel
