#include "uplink/uplink_config.h"

#include <QSysInfo>
#include <QUrl>

namespace vel {

std::optional<UplinkConfig> parseUplinkUrl(const QString& url) {
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() || (scheme != "mqtt" && scheme != "mqtts")) return std::nullopt;
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
    return config;
}

}  // namespace vel
