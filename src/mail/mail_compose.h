#pragma once
// The text of the three kinds of mail: the lines of the normal report, the
// alarm report and the end-of-run notice. Every line ends with CR LF.
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

#include "script/script_tables.h"

namespace vel {

// What the composition reads of the current record.
struct MailItems {
    const std::array<DataItem, kDataItemCount>& items;
    int valueCount = 0;       // items 0 .. valueCount-1 hold the record's values
    bool numberColumnOn = false;
    int16_t timeStampMode = 0;  // 0 none, 1 date and time, 2 time of day
};

// Spaces as wide as the mark in CP932 bytes, so that unmarked lines line up
// with marked ones.
QString mailIndent(const QString& alarmMark);

// "[" + three digits + "] ".
QString mailNumber(int number);

// Numbers taken by the record-number and time-stamp lines in front of the
// values; data item i carries the number base + i + 1 in every mail.
int mailNumberBase(bool numberColumnOn, int16_t timeStampMode);

// The periodic report: record number, time stamp, then every value, marked
// when in alarm.
QString composeNormalLines(const MailItems& record, const QString& alarmMark);

struct AlarmLines {
    QString text;
    int count = 0;
};

// The items whose alarm was raised after `since` and is still on, and (with
// recovery on) those cleared after it. An invalid `since` is earlier than
// every alarm.
AlarmLines composeAlarmLines(const MailItems& record, const QString& alarmMark, const QDateTime& since,
                             bool withRecovery);

// "mm/dd hh:mm:ss " + the change's text, CR LF: a station change in the alarm mail.
QString composeStationLine(const QDateTime& now, const QString& text);

// "mm/dd hh:mm:ss 自動終了しました！" CR LF.
QString composeAutoEndLine(const QDateTime& now);

}  // namespace vel
