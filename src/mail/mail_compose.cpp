#include "mail/mail_compose.h"

#include <algorithm>

#include "text/cp932.h"
#include "text/vb.h"

namespace vel {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");

int valuesInRecord(const MailItems& record) { return std::clamp(record.valueCount, 0, kMaxValuesPerRecord); }

// The time-stamp item holds the text stampRecord wrote; it is shown again in
// the mail's own format. Text that is no date-time is shown as it is.
QString timeStampText(const QString& valueText, int16_t mode) {
    const auto when = vb::parseDateTime(valueText);
    if (!when) return valueText;
    return vb::formatDate(*when, mode == 1 ? vb::DateFormat::ShortDateTime : vb::DateFormat::TimeOnly);
}

bool changedAfter(const QDateTime& when, const QDateTime& since) {
    return when.isValid() && (!since.isValid() || when > since);
}

// The value padded to ten characters, at least one space.
QString paddedValue(const QString& valueText) {
    const qsizetype pad = valueText.size() >= 10 ? 1 : 10 - valueText.size();
    return valueText + QString(pad, QLatin1Char(' '));
}

QString timeOfDay(const QDateTime& when) { return vb::formatDate(when, vb::DateFormat::TimeOnly); }

}  // namespace

QString mailIndent(const QString& alarmMark) { return QString(cp932::byteLength(alarmMark), QLatin1Char(' ')); }

QString mailNumber(int number) { return QStringLiteral("[") + vb::threeDigits(number) + QStringLiteral("] "); }

int mailNumberBase(bool numberColumnOn, int16_t timeStampMode) {
    return (numberColumnOn ? 1 : 0) + (timeStampMode == 1 || timeStampMode == 2 ? 1 : 0);
}

QString composeNormalLines(const MailItems& record, const QString& alarmMark) {
    const QString indent = mailIndent(alarmMark);
    QString text;
    int number = 0;
    if (record.numberColumnOn) {
        const DataItem& no = record.items[kRecordNumberItem];
        text += indent + mailNumber(++number) + no.name + QStringLiteral("= ") + no.valueText + kLineEnd;
    }
    if (record.timeStampMode == 1 || record.timeStampMode == 2) {
        const DataItem& ts = record.items[kTimeStampItem];
        text += indent + mailNumber(++number) + ts.name + QStringLiteral("= ") +
                timeStampText(ts.valueText, record.timeStampMode) + kLineEnd;
    }
    const int base = mailNumberBase(record.numberColumnOn, record.timeStampMode);
    const int n = valuesInRecord(record);
    for (int i = 0; i < n; ++i) {
        const DataItem& item = record.items[i];
        text += (item.alarm ? alarmMark : indent) + mailNumber(base + i + 1) + item.name + QStringLiteral("= ") +
                item.valueText + kLineEnd;
    }
    return text;
}

AlarmLines composeAlarmLines(const MailItems& record, const QString& alarmMark, const QDateTime& since,
                             bool withRecovery) {
    const QString indent = mailIndent(alarmMark);
    const int base = mailNumberBase(record.numberColumnOn, record.timeStampMode);
    const int n = valuesInRecord(record);
    AlarmLines out;
    for (int i = 0; i < n; ++i) {
        const DataItem& item = record.items[i];
        const QString head = mailNumber(base + i + 1) + item.name + QStringLiteral("= ") + paddedValue(item.valueText);
        if (item.alarm && changedAfter(item.alarmOnTime, since)) {
            out.text += alarmMark + head + timeOfDay(item.alarmOnTime) + kLineEnd;
            ++out.count;
        } else if (!item.alarm && withRecovery && changedAfter(item.alarmOffTime, since)) {
            out.text += indent + head + timeOfDay(item.alarmOnTime) + QStringLiteral("-") +
                        timeOfDay(item.alarmOffTime) + kLineEnd;
            ++out.count;
        }
    }
    return out;
}

QString composeStationLine(const QDateTime& now, const QString& text) {
    return vb::formatDate(now, vb::DateFormat::MonthDayTime) + QStringLiteral(" ") + text + kLineEnd;
}

QString composeAutoEndLine(const QDateTime& now) {
    return vb::formatDate(now, vb::DateFormat::MonthDayTime) + QStringLiteral(" 自動終了しました！") + kLineEnd;
}

}  // namespace vel
