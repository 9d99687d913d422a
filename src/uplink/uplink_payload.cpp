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

UplinkRecord uplinkRecord(const ClosedRecord& record, bool numberColumnOn, const QMap<QString, QString>& units) {
    UplinkRecord r;
    r.at = record.at;
    if (numberColumnOn) r.number = record.tables->dataItems[kRecordNumberItem].valueText;
    for (int i = 0; i < record.valueCount && i < kMaxValuesPerRecord; ++i) {
        const DataItem& item = record.tables->dataItems[static_cast<size_t>(i)];
        const QString name = uplinkItemName(i);
        r.values.push_back(UplinkValue{name, vb::trim(item.name), item.valueText, item.alarm, units.value(name)});
    }
    return r;
}

UplinkAlarm uplinkAlarm(const EvaluatedValue& value) {
    return UplinkAlarm{uplinkItemName(value.index), value.change == AlarmChange::Raised, value.at,
                       value.item().valueText};
}

namespace {

QJsonObject valueObject(const UplinkValue& v, const QString& quality) {
    QJsonObject o{
        {"item", v.item},
        {"name", v.name},
        {"text", v.text},
        {"value", vb::isNumeric(v.text) ? QJsonValue(vb::toDouble(v.text)) : QJsonValue(QJsonValue::Null)},
        {"alarm", v.alarm},
        {"quality", quality},
    };
    if (!v.unit.isEmpty()) o.insert("unit", v.unit);
    return o;
}

}  // namespace

QByteArray recordPayload(const UplinkRecord& record, const QString& station, uint64_t seq) {
    QJsonArray values, missing;
    for (const UplinkValue& v : record.values) values.append(valueObject(v, v.alarm ? "alarm" : "good"));
    for (const UplinkValue& v : record.missing) missing.append(valueObject(v, "none"));
    QJsonObject message{
        {"station", station},
        {"seq", static_cast<qint64>(seq)},
        {"no", record.number ? QJsonValue(*record.number) : QJsonValue(QJsonValue::Null)},
        {"time", uplinkTime(record.at)},
        {"ts", record.at.toMSecsSinceEpoch()},
        {"values", values},
    };
    if (!missing.isEmpty()) message.insert("missing", missing);
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

QString discoveryTopic(const QString& station, const QString& item) {
    return QStringLiteral("homeassistant/sensor/%1_%2/config").arg(station, item);
}

QByteArray discoveryPayload(const UplinkItem& item, const QString& prefix, const QString& station) {
    // The item's value out of the record; an item without a value in a
    // record (or a text where a unit asks for a number) shows as unknown.
    const QString shown = item.unit.isEmpty() ? QStringLiteral("v['value'] if v['value'] is not none else v['text']")
                                              : QStringLiteral("v['value'] if v['value'] is not none else 'None'");
    const QString tmpl = QStringLiteral("{% for v in value_json['values'] if v['item'] == '") + item.item +
                         QStringLiteral("' %}{{ ") + shown + QStringLiteral(" }}{% else %}None{% endfor %}");
    QJsonObject config{
        {"name", item.name.isEmpty() ? item.item : item.name},
        {"unique_id", QStringLiteral("velloran_%1_%2").arg(station, item.item)},
        {"state_topic", uplinkTopic(prefix, station, "record")},
        {"value_template", tmpl},
        {"availability_topic", uplinkTopic(prefix, station, "status")},
        {"payload_available", "online"},
        {"payload_not_available", "offline"},
        {"device", QJsonObject{{"identifiers", QJsonArray{QStringLiteral("velloran_%1").arg(station)}},
                               {"name", station},
                               {"manufacturer", "Velloran"},
                               {"model", "Velloran station"}}},
    };
    if (!item.unit.isEmpty()) config.insert("unit_of_measurement", item.unit);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
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
