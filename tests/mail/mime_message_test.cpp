#include <gtest/gtest.h>

#include <QRegularExpression>

#include "mail/mime_message.h"
#include "support/qstring_printer.h"

namespace vel {
namespace {

// Reads encoded words back the way a mail client does.
QString decodeHeader(const QByteArray& value) {
    static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?="));
    QByteArray bytes;
    auto it = word.globalMatch(QString::fromLatin1(value));
    if (!it.hasNext()) return QString::fromLatin1(value);
    while (it.hasNext()) bytes += QByteArray::fromBase64(it.next().captured(1).toLatin1());
    return QString::fromUtf8(bytes);
}

TEST(EncodeHeaderText, WordsStayShortAndDecodeToTheText) {
    const QString cases[] = {
        QStringLiteral("[1] 定時報告"),
        QStringLiteral("①②③㎜～ｱｲｳ") + QString(40, QChar(0x6E29)),  // long, to be folded
        QStringLiteral("a😀b") + QString(20, QChar(0x6E29)) + QStringLiteral("😀"),
        QStringLiteral("=?UTF-8?B?not-a-word?="),  // ASCII that looks like a word is encoded too
        QString(80, QLatin1Char('x')),
    };
    for (const QString& text : cases) {
        const QByteArray encoded = encodeHeaderText(text);
        for (const QByteArray& line : encoded.split('\n')) EXPECT_LE(line.trimmed().size(), 75) << line.constData();
        EXPECT_EQ(decodeHeader(encoded), text);
    }
}

TEST(EncodeHeaderText, PlainAsciiStaysReadableAndLineBreaksCannotStartAHeader) {
    EXPECT_EQ(encodeHeaderText("[3] Alarm"), QByteArray("[3] Alarm"));
    const QByteArray injected = encodeHeaderText("x\r\nBcc: spy@example.jp");
    EXPECT_FALSE(injected.contains('\r'));
    EXPECT_FALSE(injected.contains('\n'));
}

TEST(MailDate, EnglishNamesAndTheUtcOffset) {
    const QDateTime when(QDate(2024, 5, 1), QTime(12, 3, 4), Qt::OffsetFromUTC, 9 * 3600);
    EXPECT_EQ(mailDate(when), QByteArray("Wed, 01 May 2024 12:03:04 +0900"));
    const QDateTime west(QDate(2023, 12, 31), QTime(23, 59, 59), Qt::OffsetFromUTC, -(3 * 3600 + 1800));
    EXPECT_EQ(mailDate(west), QByteArray("Sun, 31 Dec 2023 23:59:59 -0330"));
}

TEST(BuildMimeMessage, HeadersAndCanonicalBase64Body) {
    MailMessage m;
    m.from = "me@example.jp";
    m.to = {"a@example.jp", "b@example.jp\r\nBcc: spy@example.jp"};
    m.subject = QStringLiteral("温度");
    m.body = QStringLiteral("一行目\n二行目\r三行目\r\n");
    m.date = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    m.messageId = makeMessageId(m.date, m.from);
    const QByteArray out = buildMimeMessage(m);
    const qsizetype split = out.indexOf("\r\n\r\n");
    ASSERT_GT(split, 0);
    const QByteArray headers = out.left(split + 2);
    EXPECT_FALSE(headers.contains("\r\nBcc"));
    EXPECT_FALSE(headers.contains("\r\nCc:"));  // none given
    EXPECT_TRUE(headers.contains("\r\nMessage-ID: <20240501120000000."));
    EXPECT_TRUE(headers.contains("@example.jp>\r\n"));
    EXPECT_TRUE(headers.contains("\r\nContent-Type: text/plain; charset=UTF-8\r\n"));
    EXPECT_TRUE(headers.contains("\r\nContent-Transfer-Encoding: base64\r\n"));
    const QByteArray body = QByteArray::fromBase64(out.mid(split + 4));
    EXPECT_EQ(QString::fromUtf8(body), QStringLiteral("一行目\r\n二行目\r\n三行目\r\n"));
    EXPECT_NE(makeMessageId(m.date, m.from), makeMessageId(m.date, m.from));
    EXPECT_TRUE(makeMessageId(m.date, "no-domain").endsWith("@velloran.invalid"));
}

}  // namespace
}  // namespace vel
