#include "output/csv_writer.h"

#include "output/csv_row.h"
#include "text/cp932.h"

namespace vel {

void CsvWriter::writeCsvRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount) {
    writeCsvRow(settings, tables, valueCount, CsvStyle{});
}

void CsvWriter::writeCsvRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount,
                            const CsvStyle& style) {
    if (!settings.csvOn || state_ == FileState::Failed || valueCount < 1) return;
    const QString path = csvFilePath(settings.csvPath, style, tables.recordStampedAt);
    if (state_ == FileState::Open && style.daily && path != openPath_) closeCsv();
    if (state_ == FileState::Closed) {
        if (!file_.open(path)) return fail();
        state_ = FileState::Open;
        openPath_ = path;
        // A file left without a final line end (a row cut short by a crash,
        // or a file edited by hand) gets one, so the header starts its own line.
        const int last = file_.lastByte(path);
        if (last >= 0 && last != '\n' && !file_.write(QByteArrayLiteral("\r\n"))) return fail();
        if (!file_.write(cp932::encode(csvHeaderRow(settings, tables, valueCount)))) return fail();
    }
    if (!file_.write(cp932::encode(csvDataRow(settings, tables, valueCount, style)))) return fail();
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
