#include "output/csv_writer.h"

#include "output/csv_row.h"
#include "text/cp932.h"

namespace vel {

void CsvWriter::writeCsvRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount) {
    if (!settings.csvOn || state_ == FileState::Failed || valueCount < 1) return;
    if (state_ == FileState::Closed) {
        if (!file_.open(settings.csvPath)) return fail();
        state_ = FileState::Open;
        // A file left without a final line end (a row cut short by a crash,
        // or a file edited by hand) gets one, so the header starts its own line.
        const int last = file_.lastByte(settings.csvPath);
        if (last >= 0 && last != '\n' && !file_.write(QByteArrayLiteral("\r\n"))) return fail();
        if (!file_.write(cp932::encode(csvHeaderRow(settings, tables, valueCount)))) return fail();
    }
    if (!file_.write(cp932::encode(csvDataRow(settings, tables, valueCount)))) return fail();
    if (!file_.sync()) return fail();
}

void CsvWriter::closeCsv() {
    if (state_ == FileState::Open) file_.close();
    state_ = FileState::Closed;
}

void CsvWriter::fail() {
    file_.close();
    messages_.info(QStringLiteral("CSVファイルに書き込みできません！"));
    state_ = FileState::Failed;
}

}  // namespace vel
