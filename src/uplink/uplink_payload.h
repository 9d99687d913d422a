#pragma once
// What the uplink sends: one JSON message per closed record, and the
// retained alarm state of each item. The record is copied out of the tables
// on the run's thread (UplinkRecord); the message is made on the uplink's
// thread, where its sequence number is given.
#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "measure/record_stream.h"

namespace vel {

struct UplinkValue {
    QString item;  // "D001"
    QString name;  // trimmed
    QString text;  // the value text as stored
    bool alarm = false;
    QString unit;  // from velloran.ini [units]; empty: none
};

struct UplinkRecord {
    std::optional<QString> number;  // the acquisition number, when its column is on
    QDateTime at;
    std::vector<UplinkValue> values;
    // Items of the run that got no value in this record (no reply, a lost
    // port): sent apart from "values", so that a record without a reply
    // still has "values":[] as it always had.
    std::vector<UplinkValue> missing;
};

// An item as the receivers are told of it (Home Assistant discovery).
struct UplinkItem {
    QString item;  // "D001"
    QString name;  // trimmed
    QString unit;
    bool operator==(const UplinkItem&) const = default;
};

struct UplinkAlarm {
    QString item;
    bool raised = false;
    QDateTime at;
    QString text;
};

// "D001" for value index 0.
QString uplinkItemName(int index);
// ISO 8601 local time with milliseconds and the UTC offset: 2024-05-01T12:00:00.250+09:00.
QString uplinkTime(const QDateTime& at);

UplinkRecord uplinkRecord(const ClosedRecord& record, bool numberColumnOn, const QMap<QString, QString>& units = {});
UplinkAlarm uplinkAlarm(const EvaluatedValue& value);

QByteArray recordPayload(const UplinkRecord& record, const QString& station, uint64_t seq);
QByteArray alarmPayload(const UplinkAlarm& alarm);
// The retained Home Assistant discovery config of one item.
QByteArray discoveryPayload(const UplinkItem& item, const QString& prefix, const QString& station);
// "homeassistant/sensor/<station>_<item>/config".
QString discoveryTopic(const QString& station, const QString& item);

// "<prefix>/<station>/<leaf>".
QString uplinkTopic(const QString& prefix, const QString& station, const QString& leaf);

}  // namespace vel
