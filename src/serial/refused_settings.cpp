#include "serial/refused_settings.h"

#include <algorithm>

#include "serial/line_settings.h"

namespace vel {
namespace {

// Values as the serial panel's lists name them, so that the user finds them there.
QString parityName(char letter) {
    switch (letter) {
    case 'e': return QStringLiteral("Even");
    case 'o': return QStringLiteral("Odd");
    case 'm': return QStringLiteral("Mark");
    case 's': return QStringLiteral("Space");
    default: return QStringLiteral("None");
    }
}

QString handshakingName(int16_t mode) {
    switch (mode) {
    case 0: return QStringLiteral("None");
    case 1: return QStringLiteral("Xon/Xoff");
    default: return QStringLiteral("RTS");  // 3 (both) runs as RTS/CTS
    }
}

}  // namespace

QString refusedSettingsLine(const QStringList& refused, const QString& settings, int16_t handshaking) {
    if (refused.isEmpty()) return {};
    // A settings string the port could not read leaves the values out, not the names.
    const std::optional<LineSettings> line = parseLineSettings(settings);
    struct Named {
        QLatin1String key;
        const char16_t* name;
        QString value;
    };
    const Named known[] = {
        {refused_key::kSpeed, u"通信速度", line ? QString::number(line->speed) : QString()},
        {refused_key::kDataBits, u"ﾃﾞｰﾀ ﾋﾞｯﾄ", line ? QString::number(line->dataBits) : QString()},
        {refused_key::kParity, u"ﾊﾟﾘﾃｨ", line ? parityName(line->parity) : QString()},
        {refused_key::kStopBits, u"ｽﾄｯﾌﾟ ﾋﾞｯﾄ", line ? line->stopBits : QString()},
        {refused_key::kHandshaking, u"ﾌﾛｰ制御", handshakingName(handshaking)},
    };
    QStringList parts;
    for (const Named& n : known) {
        if (!refused.contains(n.key)) continue;
        const QString name = QString::fromUtf16(n.name);
        parts << (n.value.isEmpty() ? name : name + u'(' + n.value + u')');
    }
    for (const QString& key : refused)
        if (std::ranges::none_of(known, [&](const Named& n) { return key == n.key; })) parts << key;
    return QStringLiteral("通信ポートが次の通信条件を受け付けませんでした: ") + parts.join(u'、');
}

QString refusedSettingsLine(const SerialPort& port) {
    return refusedSettingsLine(port.refusedSettings(), port.settings(), port.handshaking());
}

}  // namespace vel
