#include "mail/mail_address.h"

#include <arpa/inet.h>

#include <array>
#include <cstring>

namespace vel {
namespace {

// Drops control characters (no header or command can be injected through an
// address) and surrounding blanks.
QString cleanField(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s)
        if (c.unicode() >= 32 && c.unicode() != 127) out += c;
    return out.trimmed();
}

bool allDigits(const QString& s) {
    if (s.isEmpty() || s.size() > 5) return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

bool validPort(const QString& s) { return allDigits(s) && s.toInt() >= 1 && s.toInt() <= 65535; }

// A host name or a bracketed IPv6 literal, nothing that would change the URL.
bool plainHost(const QString& host) {
    if (host.isEmpty()) return false;
    for (QChar c : host) {
        if (c.unicode() <= 32 || c.unicode() == 127) return false;
        if (QStringLiteral("/?#@\\").contains(c)) return false;
    }
    return true;
}

}  // namespace

MailRecipients parseDestinations(const QString& destinations) {
    MailRecipients r;
    QStringList* current = &r.to;
    for (const QString& raw : destinations.split(QChar(9))) {
        const QString field = cleanField(raw);
        if (field.isEmpty()) continue;
        if (field.compare(QStringLiteral("cc"), Qt::CaseInsensitive) == 0) {
            current = &r.cc;
        } else if (field.compare(QStringLiteral("bcc"), Qt::CaseInsensitive) == 0) {
            current = &r.bcc;
        } else {
            current->append(field);
        }
    }
    return r;
}

MailSender parseSender(const QString& sender) {
    const QStringList parts = sender.split(QChar(9));
    MailSender s;
    s.address = cleanField(parts.value(0));
    if (parts.size() < 3 || cleanField(parts.last()).compare(QStringLiteral("pop"), Qt::CaseInsensitive) != 0)
        return s;
    QStringList items = parts.mid(1, parts.size() - 2).join(QChar(9)).split(QLatin1Char(':'));
    for (QString& item : items) item = cleanField(item);
    PopLogin pop;
    pop.host = items.value(0);
    pop.user = items.value(1);
    if (items.size() >= 4 && validPort(items.last())) {
        pop.port = items.last().toInt();
        items.removeLast();
    }
    // A password that held ":" was split with the other items; join it again.
    pop.password = items.mid(2).join(QLatin1Char(':'));
    s.pop = pop;
    return s;
}

std::optional<SmtpServer> parseSmtpServer(const QString& server) {
    const QString s = cleanField(server);
    if (s.isEmpty()) return std::nullopt;
    const qsizetype scheme = s.indexOf(QStringLiteral("://"));
    if (scheme >= 0) {
        const QString name = s.left(scheme).toLower();
        const QString rest = s.mid(scheme + 3);
        if ((name != QStringLiteral("smtp") && name != QStringLiteral("smtps")) || rest.isEmpty() ||
            rest.contains(QLatin1Char(' ')))
            return std::nullopt;
        return SmtpServer{name + QStringLiteral("://") + rest, name == QStringLiteral("smtps")};
    }
    QString host = s;
    QString port = QStringLiteral("25");
    if (s.startsWith(QLatin1Char('['))) {  // [v6]:port or [v6]
        const qsizetype close = s.indexOf(QLatin1Char(']'));
        if (close < 0) return std::nullopt;
        host = s.left(close + 1);
        const QString tail = s.mid(close + 1);
        if (!tail.isEmpty()) {
            if (!tail.startsWith(QLatin1Char(':')) || !validPort(tail.mid(1))) return std::nullopt;
            port = tail.mid(1);
        }
    } else if (s.count(QLatin1Char(':')) == 1) {
        host = s.section(QLatin1Char(':'), 0, 0);
        port = s.section(QLatin1Char(':'), 1);
        if (!validPort(port)) return std::nullopt;
    } else if (s.count(QLatin1Char(':')) > 1) {  // a bare IPv6 address
        host = QStringLiteral("[") + s + QStringLiteral("]");
    }
    if (!plainHost(host)) return std::nullopt;
    const bool tls = port.toInt() == 465;
    return SmtpServer{(tls ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) + host + QStringLiteral(":") + port,
                      tls};
}

QString urlForLog(const QString& url) {
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    qsizetype end = url.indexOf(QLatin1Char('/'), start);
    if (end < 0) end = url.size();
    const qsizetype at = url.lastIndexOf(QLatin1Char('@'), end - 1);
    if (at < start) return url;
    return url.left(start) + url.mid(at + 1);
}

bool isLocalNetworkAddress(const QString& ip) {
    const QByteArray text = ip.toLatin1();
    std::array<unsigned char, 16> a{};
    if (inet_pton(AF_INET, text.constData(), a.data()) == 1) {
        return a[0] == 127 || a[0] == 10 || (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
               (a[0] == 169 && a[1] == 254);
    }
    if (inet_pton(AF_INET6, text.constData(), a.data()) != 1) return false;
    static const std::array<unsigned char, 16> loopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    if (a == loopback) return true;
    if ((a[0] & 0xFE) == 0xFC) return true;                  // fc00::/7 unique local
    if (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) return true;  // fe80::/10 link local
    static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(a.data(), mapped, 12) == 0) {
        char v4[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, a.data() + 12, v4, sizeof v4)) return isLocalNetworkAddress(QString::fromLatin1(v4));
    }
    return false;
}

}  // namespace vel
