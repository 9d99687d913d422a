#pragma once
// The CSV file as a subscriber of the record stream: one row for each closed
// record (the writer opens the file and writes its header with the first).
#include "measure/record_stream.h"
#include "output/csv_writer.h"
#include "settings/extension_settings.h"
#include "settings/settings_record.h"

namespace vel {

class CsvOutput : public RecordSubscriber {
public:
    CsvOutput(CsvWriter& csv, const SettingsRecord& settings, const ExtensionSettings& extensions)
        : csv_(csv), settings_(settings), extensions_(extensions) {}
    void recordClosed(const ClosedRecord& record) override {
        csv_.writeCsvRow(settings_, *record.tables, record.valueCount,
                         CsvStyle{extensions_.csvDaily, extensions_.csvIsoTime});
    }

private:
    CsvWriter& csv_;
    const SettingsRecord& settings_;
    const ExtensionSettings& extensions_;  // velloran.ini as read at the run start
};

}  // namespace vel
