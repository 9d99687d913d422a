#pragma once
// The CSV output file: one row per acquisition cycle, appended to the file
// the user chose (SettingsRecord::csvPath), behind a header row each time the
// file is opened.
//
// How the acquisition loop uses it, at the first look of EEE, after the
// cycle's values are evaluated and before valueCount is reset:
//
//     csv.writeCsvRow(settings, tables, run.valueCount);
//
// The row holds, as the settings say, the acquisition number
// (tables.dataItems[kRecordNumberItem].valueText), the time stamp
// (tables.dataItems[kTimeStampItem].valueText) and the valueText of data items
// 0..valueCount-1; the header holds "No", "時間" and the item names.
//
// The run monitor's stop calls closeCsv(). A run that ends by itself leaves
// the file open, so the next run goes on in the same file without a new
// header. Every row is written with one write and synced to the disk before
// writeCsvRow returns, so a crash, a kill or a power cut never loses a row
// that was completed. An existing file is never truncated.
#include <QString>

#include <cstdint>

#include "base/append_file.h"
#include "base/file_state.h"
#include "base/message_box.h"
#include "output/csv_row.h"
#include "script/script_tables.h"
#include "settings/settings_record.h"

namespace vel {

inline constexpr int16_t kCsvClosed = static_cast<int16_t>(FileState::Closed);
inline constexpr int16_t kCsvFailed = static_cast<int16_t>(FileState::Failed);

class CsvWriter {
public:
    explicit CsvWriter(MessageBox& messages) : messages_(messages) {}

    // Writes the cycle's row: nothing when csvOn is off, the output has
    // failed, or valueCount < 1. The first row after the file was closed
    // opens it (creating it when missing) and writes the header first. A file
    // that cannot be opened or written shows "CSVファイルに書き込みできません！"
    // once, is closed, and no more rows are written until closeCsv().
    void writeCsvRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount);
    // The same in a station's style: with `daily`, the record goes to the file
    // of its own date; when that changes, the open file is closed and the new
    // one opened with its header, so no row is lost or split at midnight.
    void writeCsvRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount,
                     const CsvStyle& style);

    // The stop on the run monitor: closes an open file; in every case the
    // state returns to closed (the only way out of the failed state).
    void closeCsv();

    // csvFileNumber: kCsvClosed, kCsvFailed, or a positive number while open.
    int16_t csvFileNumber() const { return fileHandle(state_); }

private:
    void fail();

    MessageBox& messages_;
    AppendFile file_;
    FileState state_ = FileState::Closed;
    QString openPath_;  // the file open now
};

}  // namespace vel
