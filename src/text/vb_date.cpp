// The fixed date and time formats of logs, CSV, grid and mail, and reading
// those texts back. Built digit by digit: no locale takes part.
#include <QRegularExpression>

#include "text/vb.h"

namespace vel::vb {
namespace {

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// The zero date of the spreadsheet: what an unset date-time shows.
QDateTime zeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0)); }

// Writes `v` (0..99) as two digits at `out`; returns the position after them.
char16_t* putTwoDigits(char16_t* out, int v) {
    *out++ = static_cast<char16_t>(u'0' + v / 10);
    *out++ = static_cast<char16_t>(u'0' + v % 10);
    return out;
}

}  // namespace

// Every log line, CSV time stamp and grid row formats a date: written into
// one buffer, without the temporary strings of QString::arg.
QString formatDate(const QDateTime& when, DateFormat format) {
    const QDateTime t = when.isValid() ? when : zeroDate();
    const QDate d = t.date();
    const QTime tm = t.time();
    const int year = d.year();
    if (year < 0 || year > 9999) {  // beyond four digits: the general path
        const QString time = twoDigits(tm.hour()) + ":" + twoDigits(tm.minute()) + ":" + twoDigits(tm.second());
        if (format == DateFormat::LongDateTime)
            return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0')) + "/" + twoDigits(d.month()) + "/" +
                   twoDigits(d.day()) + " " + time;
        if (format == DateFormat::ShortDateTime)
            return twoDigits(year % 100) + "/" + twoDigits(d.month()) + "/" + twoDigits(d.day()) + " " + time;
    }
    char16_t buf[19];
    char16_t* p = buf;
    switch (format) {
    case DateFormat::LongDateTime:
        p = putTwoDigits(p, year / 100);
        [[fallthrough]];
    case DateFormat::ShortDateTime:
        p = putTwoDigits(p, year % 100);
        *p++ = u'/';
        [[fallthrough]];
    case DateFormat::MonthDayTime:
        p = putTwoDigits(p, d.month());
        *p++ = u'/';
        p = putTwoDigits(p, d.day());
        *p++ = u' ';
        break;
    case DateFormat::TimeOnly:
        break;
    }
    p = putTwoDigits(p, tm.hour());
    *p++ = u':';
    p = putTwoDigits(p, tm.minute());
    *p++ = u':';
    p = putTwoDigits(p, tm.second());
    return QString(reinterpret_cast<const QChar*>(buf), p - buf);
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
