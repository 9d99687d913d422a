#pragma once
// The lines the web page's server says to the user (stderr, the alarm log).
#include <QString>

namespace vel::webtexts {

inline QString noToken(const QString& listen) {
    return QStringLiteral("Web ページ: ") + listen +
           QStringLiteral(" はループバック以外のアドレスです。web.token を設定しない限り開きません");
}
inline QString halfHttps() {
    return QStringLiteral("Web ページ: web.cert と web.key は両方設定してください。開きません");
}
inline QString badCertificate(const QString& cert, const QString& key) {
    return QStringLiteral("Web ページ: 証明書 ") + cert + QStringLiteral(" または秘密鍵 ") + key +
           QStringLiteral(" を読めません。開きません");
}
inline QString cannotListen(const QString& listen) {
    return QStringLiteral("Web ページ: ") + listen +
           QStringLiteral(" で待ち受けできません（ポートが使用中か、このホストのアドレスではありません）");
}

}  // namespace vel::webtexts
