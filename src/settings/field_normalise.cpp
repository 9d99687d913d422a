#include "settings/field_normalise.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "text/vb.h"

namespace vel {
namespace {

// Half-even rounding into lo..hi; a value beyond the range (a typed 1e300
// included) becomes the nearest end instead of overflowing.
int64_t roundInto(double v, int64_t lo, int64_t hi) {
    const double r = vb::roundHalfEven(v);
    if (std::isnan(r)) return std::clamp<int64_t>(0, lo, hi);
    if (r <= static_cast<double>(lo)) return lo;
    if (r >= static_cast<double>(hi)) return hi;
    return static_cast<int64_t>(r);
}

bool isLetter(QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); }

}  // namespace

int32_t acquisitionMinutes(const QString& text) {
    return static_cast<int32_t>(roundInto(vb::leadingValue(text), 0, 30000));
}

QString startColumn(const QString& text) {
    QString t = text.trimmed().toUpper();
    if (t.size() > 2) t.truncate(2);
    if (t < QLatin1String("A")) return QStringLiteral("A");
    if (t.size() == 1) return t > QLatin1String("Z") ? QStringLiteral("Z") : t;
    if (t <= QLatin1String("AA")) return QStringLiteral("AA");
    // The first character is a letter here; a second one that is not ("B1",
    // "C$") would make the cell address name another cell, so it is moved to
    // the nearest letter, as "A1" becomes "AA".
    if (t[1] < QLatin1Char('A')) t[1] = QLatin1Char('A');
    if (t[1] > QLatin1Char('Z')) t[1] = QLatin1Char('Z');
    if (t > QLatin1String("IA")) return QStringLiteral("IA");
    return t;
}

int32_t startRow(const QString& text) {
    return static_cast<int32_t>(roundInto(vb::leadingValue(text), 1, 65000));
}

int32_t acquisitionNumberOf(const QString& text) {
    return static_cast<int32_t>(roundInto(vb::leadingValue(text), std::numeric_limits<int32_t>::min(),
                                          std::numeric_limits<int32_t>::max()));
}

QString mailInterval(const QString& text) {
    QString t = text;
    if (vb::leadingValue(t) < 1) t = QStringLiteral("1");
    if (vb::leadingValue(t) > 9999) t = QStringLiteral("9999");
    return t;
}

int16_t mailMinutes(const QString& text) {
    return static_cast<int16_t>(roundInto(vb::leadingValue(text), 1, 9999));
}

QString storedStartColumn(const QString& letters) {
    // Single letters J..Z sort after "IA" but are columns before it.
    if (letters.size() == 1 && isLetter(letters[0])) return letters;
    if (letters < QLatin1String("A") || letters > QLatin1String("IA")) return QStringLiteral("A");
    const QString t = letters.left(2);
    // What is left must still be letters ("A1" would address another cell).
    for (QChar c : t)
        if (!isLetter(c)) return QStringLiteral("A");
    return t;
}

bool workbookNameOpenable(const QString& name) {
    const QString trimmed = name.trimmed();
    for (const char* ending : {"XLS", "XLSX", "ODS"})
        if (trimmed.endsWith(QLatin1String(ending), Qt::CaseInsensitive)) return true;
    return false;
}

}  // namespace vel
