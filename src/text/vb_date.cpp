// The fixed date and time formats of logs, CSV, grid and mail, and reading
// those texts back. Built digit by digit: no locale takes part.
#include <QRegularExpression>

#include "text/vb.h"

namespace vel::vb {
namespace {

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// The zero date of the spreadsheet: what an unset date-time shows.
QDateTime zeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0)); }

}  // namespace

QString formatDate(const QDateTime& when, DateFormat format) {
    const QDateTime t = when.isValid() ? when : zeroDate();
    const QDate d = t.date();
    const QTime tm = t.time();
    const QString time = twoDigits(tm.hour()) + ":" + twoDigits(tm.minute()) + ":" + twoDigits(tm.second());
    switch (format) {
    case DateFormat::LongDateTime:
        return QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) + "/" + twoDigits(d.month()) + "/" +
               twoDigits(d.day()) + " " + time;
    case DateFormat::ShortDateTime:
        return twoDigits(d.year() % 100) + "/" + twoDigits(d.month()) + "/" + twoDigits(d.day()) + " " + time;
    case DateFormat::TimeOnly:
        return time;
    case DateFormat::MonthDayTime:
        return twoDigits(d.month()) + "/" + twoDigits(d.day()) + " " + time;
    }
    return time;
}

std::optional<QDateTime> parseDateTime(const QString& text) {
    static const QRegularExpression dateTime(QStringLiteral(
        "^[ \\t]*([0-9]{4}|[0-9]{2})/([0-9]{1,2})/([0-9]{1,2})[ \\t]+([0-9]{1,2}):([0-9]{1,2}):([0-9]{1,2})[ \\t]*$"));
    static const QRegularExpression timeOnly(
        QStringLiteral("^[ \\t]*([0-9]{1,2}):([0-9]{1,2}):([0-9]{1,2})[ \\t]*$"));

    QDate date;
    QTime time;
    if (const auto m = dateTime.match(text); m.hasMatch()) {
        int year = m.captured(1).toInt();
        // Two-digit years: 00..29 are this century, 30..99 the last one.
        if (m.captured(1).size() == 2) year += year < 30 ? 2000 : 1900;
        date = QDate(year, m.captured(2).toInt(), m.captured(3).toInt());
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    } else if (const auto t = timeOnly.match(text); t.hasMatch()) {
        date = QDate(1899, 12, 30);
        time = QTime(t.captured(1).toInt(), t.captured(2).toInt(), t.captured(3).toInt());
    } else {
        return std::nullopt;
    }
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time);
}

}  // namespace vel::vb
