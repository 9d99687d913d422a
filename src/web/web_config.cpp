#include "web/web_config.h"

#include <QDir>

#include <arpa/inet.h>

#include "web/web_texts.h"

namespace vel {

std::optional<WebConfig> webConfig(const ExtensionSettings& settings, const ProgramFolder& folder) {
    const QString listen = settings.webListen.trimmed();
    if (listen.isEmpty() || !isListenAddress(listen)) return std::nullopt;
    WebConfig c;
    c.listen = listen;
    const qsizetype colon = listen.lastIndexOf(u':');
    c.host = listen.left(colon);
    if (c.host.startsWith(u'[')) c.host = c.host.mid(1, c.host.size() - 2);
    c.port = listen.mid(colon + 1).toInt();
    c.token = settings.webToken;
    const QDir root(folder.root);
    if (!settings.webCert.trimmed().isEmpty()) c.cert = root.absoluteFilePath(settings.webCert.trimmed());
    if (!settings.webKey.trimmed().isEmpty()) c.key = root.absoluteFilePath(settings.webKey.trimmed());
    return c;
}

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    if (::inet_pton(AF_INET, text.constData(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return ::inet_pton(AF_INET6, text.constData(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

QString webRefusal(const WebConfig& config) {
    if (config.token.isEmpty() && !isLoopbackHost(config.host)) return webtexts::noToken(config.listen);
    if (config.cert.isEmpty() != config.key.isEmpty()) return webtexts::halfHttps();
    return {};
}

}  // namespace vel
