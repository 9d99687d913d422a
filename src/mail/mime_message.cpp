#include "mail/mime_message.h"

#include <QRandomGenerator>

namespace vel {
namespace {

const QByteArray kCrLf("\r\n");

// Header values built from addresses: no line breaks can get through.
QByteArray headerSafe(const QString& text) {
    QString s = text;
    s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s.toUtf8();
}

// "Name: a, b, c" folded so that no line runs far past 76 characters.
QByteArray addressHeader(const char* name, const QStringList& addresses) {
    QByteArray out(name);
    out += ": ";
    qsizetype lineLength = out.size();
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const QByteArray a = headerSafe(addresses[i]);
        if (i > 0) {
            out += ",";
            ++lineLength;
            if (lineLength + 1 + a.size() > 76) {
                out += "\r\n";
                lineLength = 0;
            }
            out += " ";
            ++lineLength;
        }
        out += a;
        lineLength += a.size();
    }
    return out + kCrLf;
}

// Lone CR or LF become CR LF, the canonical line end of a text body.
QString canonicalLines(const QString& text) {
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\r\n");
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

bool plainAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 32 || c.unicode() > 126) return false;
    return true;
}

}  // namespace

QByteArray encodeHeaderText(const QString& text) {
    QString s = text;
    s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (plainAscii(s) && s.size() <= 66 && !s.contains(QStringLiteral("=?"))) return s.toLatin1();
    // 45 bytes of UTF-8 give 60 base64 characters: "=?UTF-8?B?" + 60 + "?=" is 72.
    constexpr qsizetype kBytesPerWord = 45;
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < s.size(); ++i) {
        qsizetype n = 1;
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) n = 2;
        const QByteArray utf8 = s.mid(i, n).toUtf8();  // one character never splits across words
        if (chunk.size() + utf8.size() > kBytesPerWord) {
            words.append(chunk);
            chunk.clear();
        }
        chunk += utf8;
        i += n - 1;
    }
    if (!chunk.isEmpty() || words.isEmpty()) words.append(chunk);
    QByteArray out;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0) out += "\r\n ";
        out += "=?UTF-8?B?" + words[i].toBase64() + "?=";
    }
    return out;
}

QByteArray mailDate(const QDateTime& when) {
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = when.date();
    const QTime t = when.time();
    const int offsetMinutes = when.offsetFromUtc() / 60;
    const int absOffset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8%9%10")
        .arg(QLatin1String(kDays[d.dayOfWeek() - 1]))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[d.month() - 1]))
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'))
        .arg(offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(absOffset / 60, 2, 10, QLatin1Char('0'))
        .arg(absOffset % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

QString makeMessageId(const QDateTime& when, const QString& senderAddress) {
    QString domain = senderAddress.section(QLatin1Char('@'), -1);
    if (!senderAddress.contains(QLatin1Char('@')) || domain.isEmpty() || !plainAscii(domain) ||
        domain.contains(QLatin1Char('>')) || domain.contains(QLatin1Char(' ')))
        domain = QStringLiteral("velloran.invalid");
    const quint64 random = QRandomGenerator::global()->generate64();
    return when.toUTC().toString(QStringLiteral("yyyyMMddHHmmsszzz")) + QLatin1Char('.') +
           QString::number(random, 36) + QLatin1Char('@') + domain;
}

QByteArray buildMimeMessage(const MailMessage& m) {
    QByteArray out;
    out += "Date: " + mailDate(m.date) + kCrLf;
    out += "From: " + headerSafe(m.from) + kCrLf;
    if (!m.to.isEmpty()) out += addressHeader("To", m.to);
    if (!m.cc.isEmpty()) out += addressHeader("Cc", m.cc);
    out += "Subject: " + encodeHeaderText(m.subject) + kCrLf;
    out += "Message-ID: <" + headerSafe(m.messageId) + ">" + kCrLf;
    out += "MIME-Version: 1.0" + kCrLf;
    out += "Content-Type: text/plain; charset=UTF-8" + kCrLf;
    out += "Content-Transfer-Encoding: base64" + kCrLf;
    out += kCrLf;
    const QByteArray encoded = canonicalLines(m.body).toUtf8().toBase64();
    for (qsizetype i = 0; i < encoded.size(); i += 76) out += encoded.mid(i, 76) + kCrLf;
    return out;
}

}  // namespace vel
