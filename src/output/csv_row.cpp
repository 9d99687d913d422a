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

QString csvDataRow(const SettingsRecord& settings, const ScriptTables& tables, int valueCount) {
    QStringList fields;
    if (settings.numberColumnOn) {
        const QString& text = tables.dataItems[kRecordNumberItem].valueText;
        fields << vb::generalNumber(vb::isNumeric(text) ? vb::toDouble(text) : 0.0);
    }
    if (timeColumnOn(settings)) {
        const QString& text = tables.dataItems[kTimeStampItem].valueText;
        const auto when = vb::parseDateTime(text);
        const auto format = settings.timeStampMode == 1 ? vb::DateFormat::ShortDateTime : vb::DateFormat::TimeOnly;
        // A stamp that does not read as a time is kept as it stands.
        fields << quoted(when ? vb::formatDate(*when, format) : text);
    }
    for (int i = 0; i < valueColumns(valueCount); ++i) {
        const QString& value = tables.dataItems[i].valueText;
        fields << (vb::isNumeric(value) ? value : quoted(value));
    }
    return joinLine(fields);
}

}  // namespace vel
