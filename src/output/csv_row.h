#pragma once
// The lines of the CSV output file. Fields are separated by ","; a text field
// is enclosed in double quotes and written unchanged between them; a number
// field is written bare. Lines end with CR LF.
#include <QDateTime>
#include <QString>

#include "script/script_tables.h"
#include "settings/settings_record.h"

namespace vel {

// The header: "No" when the number column is on, "時間" when a time column
// is on (timeStampMode 1 or 2), then the names of data items 0..valueCount-1
// with their surrounding spaces removed; every field quoted.
QString csvHeaderRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount);

// How a station's rows differ from the usual ones (velloran.ini [csv]).
struct CsvStyle {
    bool daily = false;    // the record's date in the file name, a new file each day
    bool isoTime = false;  // the time column as yyyy-mm-ddThh:mm:ss.zzz±hh:mm
};

// The file a record goes to: the chosen name, or with `daily` the name with
// "_yyyymmdd" of the record's local date before its extension.
QString csvFilePath(const QString& chosen, const CsvStyle& style, const QDateTime& recordAt);

// ISO 8601 local time with milliseconds and the UTC offset.
QString isoLocalTime(const QDateTime& at);

// One cycle's row: the acquisition number (entry 257, bare integer), the time
// stamp (entry 258 as "yy/mm/dd hh:mm:ss" or "hh:mm:ss", quoted), then the
// value text of data items 0..valueCount-1: bare exactly as it stands when it
// reads as a number, quoted otherwise (the empty text included).
// With isoTime the time column is tables.recordStampedAt in ISO 8601.
QString csvDataRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount,
                   const CsvStyle& style = {});

}  // namespace vel
