#pragma once
// The message as it goes on the wire: the headers libcurl does not add
// (Date, From, To, Cc, Subject, Message-ID, MIME-Version, Content-Type) and a
// UTF-8 text body in base64. UTF-8 carries every character the program's
// texts hold (circled digits, unit signs, wave dash, half-width katakana);
// the subject is an RFC 2047 B-encoded word when it is not plain ASCII.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace vel {

struct MailMessage {
    QString from;
    QStringList to;
    QStringList cc;  // blind copies are never written into the message
    QString subject;
    QString body;
    QDateTime date;
    QString messageId;  // without the angle brackets
};

QByteArray buildMimeMessage(const MailMessage& message);

// The subject's header value: plain printable ASCII as it is, anything else
// as UTF-8 encoded words of at most 75 characters, folded onto continuation
// lines. Line breaks in the text become spaces.
QByteArray encodeHeaderText(const QString& text);

// "Wed, 01 May 2024 12:00:00 +0900", English names whatever the locale.
QByteArray mailDate(const QDateTime& when);

// A unique id "<time>.<random>@<domain of the sender>".
QString makeMessageId(const QDateTime& when, const QString& senderAddress);

}  // namespace vel
