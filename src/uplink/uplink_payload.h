#pragma once
// What the uplink sends: one JSON message per closed record, and the
// retained alarm state of each item. The record is copied out of the tables
// on the run's thread (UplinkRecord); the message is made on the uplink's
// thread, where its sequence number is given.
#include <QByteArray>
#include <QDateTime>
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
};

struct UplinkRecord {
    std::optional<QString> number;  // the acquisition number, when its column is on
    QDateTime at;
    std::vector<UplinkValue> values;
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

UplinkRecord uplinkRecord(const ClosedRecord& record, bool numberColumnOn);
UplinkAlarm uplinkAlarm(const EvaluatedValue& value);

QByteArray recordPayload(const UplinkRecord& record, const QString& station, uint64_t seq);
QByteArray alarmPayload(const UplinkAlarm& alarm);

// "<prefix>/<station>/<leaf>".
QString uplinkTopic(const QString& prefix, const QString& station, const QString& leaf);

}  // namespace vel
