#include "output/csv_row.h"

#include <algorithm>

#include "text/vb.h"

namespace vel {
namespace {

QString quoted(const QString& text) { return QStringLiteral("\"") + text + QStringLiteral("\""); }

bool timeColumnOn(const SettingsRecord& settings) {
    return settings.timeStampMode == 1 || settings.timeStampMode == 2;
}

int valueColumns(int valueCount) { return std::clamp(valueCount, 0, kMaxValuesPerRecord); }

QString joinLine(const QStringList& fields) { return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n"); }

}  // namespace

QString csvHeaderRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount) {
    QStringList fields;
    if (settings.numberColumnOn) fields << quoted(QStringLiteral("No"));
    if (timeColumnOn(settings)) fields << quoted(QStringLiteral("時間"));
    for (int i = 0; i < valueColumns(valueCount); ++i) fields << quoted(vb::trim(tables.dataItems[i].name));
    return joinLine(fields);
}

QString csvFilePath(const QString& chosen, const CsvStyle& style, const QDateTime& recordAt) {
    if (!style.daily || !recordAt.isValid()) return chosen;
    const QString date = QStringLiteral("_") + recordAt.toString(QStringLiteral("yyyyMMdd"));
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1) return chosen + date;  // no extension (or a hidden file's name)
    return chosen.left(dot) + date + chosen.mid(dot);
}

QString isoLocalTime(const QDateTime& at) {
    const int offset = at.offsetFromUtc() / 60;
    const int whole = offset < 0 ? -offset : offset;
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(whole / 60, 2, 10, QLatin1Char('0')).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString csvDataRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount, const CsvStyle& style) {
    QStringList fields;
    if (settings.numberColumnOn) {
        const QString& text = tables.dataItems[kRecordNumberItem].valueText;
        fields << vb::generalNumber(vb::isNumeric(text) ? vb::toDouble(text) : 0.0);
    }
    if (timeColumnOn(settings)) {
        const QString& text = tables.dataItems[kTimeStampItem].valueText;
        const auto when = vb::parseDateTime(text);
        const auto format = settings.timeStampMode == 1 ? vb::DateFormat::ShortDateTime : vb::DateFormat::TimeOnly;
        if (style.isoTime && tables.recordStampedAt.isValid())
            fields << quoted(isoLocalTime(tables.recordStampedAt));
        else  // a stamp that does not read as a time is kept as it stands
            fields << quoted(when ? vb::formatDate(*when, format) : text);
    }
    for (int i = 0; i < valueColumns(valueCount); ++i) {
        const QString& value = tables.dataItems[i].valueText;
        fields << (vb::isNumeric(value) ? value : quoted(value));
    }
    return joinLine(fields);
}

}  // namespace vel
