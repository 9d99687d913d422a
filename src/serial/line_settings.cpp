#include "serial/line_settings.h"

#include <QStringList>

namespace vel {
namespace {

constexpr int kMaxSpeed = 4000000;  // the fastest rate a Linux serial driver accepts

bool allDigits(const QString& s) {
    if (s.isEmpty()) return false;
    for (QChar c : s)
        if (c < QChar('0') || c > QChar('9')) return false;
    return true;
}

}  // namespace

std::optional<LineSettings> parseLineSettings(const QString& text) {
    const QStringList parts = text.split(QChar(','));
    if (parts.size() != 4) return std::nullopt;
    const QString speed = parts[0].trimmed();
    const QString parity = parts[1].trimmed().toLower();
    const QString dataBits = parts[2].trimmed();
    const QString stopBits = parts[3].trimmed();

    LineSettings s;
    if (!allDigits(speed) || speed.size() > 7) return std::nullopt;
    s.speed = speed.toInt();
    if (s.speed <= 0 || s.speed > kMaxSpeed) return std::nullopt;

    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity[0])) return std::nullopt;
    s.parity = parity[0].toLatin1();

    // The serial layer can set 5 to 8 data bits; 4 has no Linux equivalent.
    if (dataBits.size() != 1 || dataBits[0] < QChar('5') || dataBits[0] > QChar('8'))
        return std::nullopt;
    s.dataBits = dataBits.toInt();

    if (stopBits != "1" && stopBits != "1.5" && stopBits != "2") return std::nullopt;
    s.stopBits = stopBits;
    return s;
}

QString formatLineSettings(const LineSettings& s) {
    return QString::number(s.speed) + "," + QChar(s.parity) + "," + QString::number(s.dataBits) +
           "," + s.stopBits;
}

}  // namespace vel
