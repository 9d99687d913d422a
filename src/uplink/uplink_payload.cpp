#include "uplink/uplink_payload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "text/vb.h"

namespace vel {

QString uplinkItemName(int index) { return QStringLiteral("D%1").arg(index + 1, 3, 10, QLatin1Char('0')); }

QString uplinkTime(const QDateTime& at) {
    const int offset = at.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

UplinkRecord uplinkRecord(const ClosedRecord& record, bool numberColumnOn) {
    UplinkRecord r;
    r.at = record.at;
    if (numberColumnOn) r.number = record.tables->dataItems[kRecordNumberItem].valueText;
    for (int i = 0; i < record.valueCount && i < kMaxValuesPerRecord; ++i) {
        const DataItem& item = record.tables->dataItems[static_cast<size_t>(i)];
        r.values.push_back(UplinkValue{uplinkItemName(i), vb::trim(item.name), item.valueText, item.alarm});
    }
    return r;
}

UplinkAlarm uplinkAlarm(const EvaluatedValue& value) {
    return UplinkAlarm{uplinkItemName(value.index), value.change == AlarmChange::Raised, value.at,
                       value.item().valueText};
}

QByteArray recordPayload(const UplinkRecord& record, const QString& station, uint64_t seq) {
    QJsonArray values;
    for (const UplinkValue& v : record.values) {
        values.append(QJsonObject{
            {"item", v.item},
            {"name", v.name},
            {"text", v.text},
            {"value", vb::isNumeric(v.text) ? QJsonValue(vb::toDouble(v.text)) : QJsonValue(QJsonValue::Null)},
            {"alarm", v.alarm},
        });
    }
    const QJsonObject message{
        {"station", station},
        {"seq", static_cast<qint64>(seq)},
        {"no", record.number ? QJsonValue(*record.number) : QJsonValue(QJsonValue::Null)},
        {"time", uplinkTime(record.at)},
        {"values", values},
    };
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

QByteArray alarmPayload(const UplinkAlarm& alarm) {
    const QJsonObject message{
        {"state", alarm.raised ? QStringLiteral("raised") : QStringLiteral("cleared")},
        {"time", uplinkTime(alarm.at)},
        {"text", alarm.text},
    };
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

QString uplinkTopic(const QString& prefix, const QString& station, const QString& leaf) {
    return prefix + u'/' + station + u'/' + leaf;
}

}  // namespace vel
