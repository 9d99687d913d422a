#pragma once
// Who may read the page: with a token set, every request brings it as
// "Authorization: Bearer <token>", as ?token=<token> (the answer then sets a
// cookie, so the address bar need not keep it) or as that cookie.
#include <QString>

namespace vel {

inline const QString kTokenCookie = QStringLiteral("velloran_token");

enum class WebAccess {
    Granted,          // header or cookie
    GrantedByQuery,   // ?token=: set the cookie
    Refused,
};

struct WebCredentials {
    QString authorization;  // the Authorization header as sent
    QString cookie;         // the Cookie header as sent
    QString queryToken;     // ?token=
    bool hasQueryToken = false;
};

// Granted for every request when `token` is empty.
WebAccess checkAccess(const QString& token, const WebCredentials& sent);

// Equal texts, in a time that does not tell how much of them matched.
bool sameSecret(const QString& a, const QString& b);

// The Set-Cookie value for the token.
QString tokenCookie(const QString& token);

}  // namespace vel
