#include "uplink/uplink_config.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

#include <netdb.h>
#include <sys/socket.h>

namespace vel {

std::optional<UplinkConfig> parseUplinkUrl(const QString& url) {
    if (url.trimmed().isEmpty() || !isBrokerUrl(url)) return std::nullopt;
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    UplinkConfig config;
    config.url = url.trimmed();
    config.host = parsed.host();
    config.tls = scheme == "mqtts";
    config.port = parsed.port(config.tls ? 8883 : 1883);
    return config;
}

std::optional<UplinkConfig> uplinkConfig(const ExtensionSettings& settings, const ProgramFolder& folder) {
    std::optional<UplinkConfig> config = parseUplinkUrl(settings.uplinkUrl);
    if (!config) return std::nullopt;
    config->ca = settings.uplinkCa;
    config->username = settings.uplinkUsername;
    config->password = settings.uplinkPassword;
    config->station = settings.uplinkStation.trimmed().isEmpty() ? QSysInfo::machineHostName()
                                                                   : settings.uplinkStation.trimmed();
    config->prefix = settings.uplinkPrefix.trimmed().isEmpty() ? QStringLiteral("velloran") : settings.uplinkPrefix.trimmed();
    config->spoolFolder = folder.path("uplink-spool");
    config->spoolBytes = int64_t{std::max(settings.uplinkSpoolMb, 1)} * 1024 * 1024;
    config->clientId = uplinkClientId(config->station, folder.root);
    config->units = settings.units;
    config->homeAssistant = settings.uplinkDiscovery.trimmed().compare("homeassistant", Qt::CaseInsensitive) == 0;
    return config;
}

QString uplinkClientId(const QString& station, const QString& folder) {
    const QByteArray path = QFileInfo(folder).absoluteFilePath().toUtf8();
    return QStringLiteral("velloran-%1-%2")
        .arg(station, QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(8)));
}

QString resolveHost(const QString& host) {
    addrinfo hints{};  // family 0: IPv4 or IPv6, whichever the name has
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found) return {};
    char text[NI_MAXHOST] = {};
    const bool ok = ::getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0;
    ::freeaddrinfo(found);
    return ok ? QString::fromLatin1(text) : QString();
}

}  // namespace vel
