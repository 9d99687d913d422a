#include "web/web_auth.h"

#include <QCryptographicHash>
#include <QStringList>
#include <QUrl>

namespace vel {

bool sameSecret(const QString& a, const QString& b) {
    // Digests of equal length: the comparison's time tells neither the
    // length nor the matching prefix of the token.
    const QByteArray x = QCryptographicHash::hash(a.toUtf8(), QCryptographicHash::Sha256);
    const QByteArray y = QCryptographicHash::hash(b.toUtf8(), QCryptographicHash::Sha256);
    unsigned char diff = 0;
    for (qsizetype i = 0; i < x.size(); ++i) diff |= static_cast<unsigned char>(x[i] ^ y[i]);
    return diff == 0;
}

namespace {

QString cookieValue(const QString& header, const QString& name) {
    for (const QString& part : header.split(u';')) {
        const QString pair = part.trimmed();
        if (pair.startsWith(name + u'=')) return QUrl::fromPercentEncoding(pair.mid(name.size() + 1).toUtf8());
    }
    return {};
}

}  // namespace

WebAccess checkAccess(const QString& token, const WebCredentials& sent) {
    if (token.isEmpty()) return WebAccess::Granted;
    const QString bearer = QStringLiteral("Bearer ");
    if (sent.authorization.startsWith(bearer) && sameSecret(sent.authorization.mid(bearer.size()), token))
        return WebAccess::Granted;
    if (sent.hasQueryToken && sameSecret(sent.queryToken, token)) return WebAccess::GrantedByQuery;
    const QString cookie = cookieValue(sent.cookie, kTokenCookie);
    if (!cookie.isEmpty() && sameSecret(cookie, token)) return WebAccess::Granted;
    return WebAccess::Refused;
}

QString tokenCookie(const QString& token) {
    return kTokenCookie + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(token)) + QStringLiteral("; HttpOnly; SameSite=Strict; Path=/");
}

}  // namespace vel
