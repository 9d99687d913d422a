#include "base/network_port_url.h"

#include <QUrl>

namespace vel {

std::optional<NetworkPortUrl> parseNetworkPortUrl(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() ||
        url.hasFragment() || !(url.path().isEmpty() || url.path() == QLatin1String("/")))
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    NetworkPortUrl parsed;
    if (scheme == QLatin1String("rfc2217")) parsed.kind = NetworkPortUrl::Rfc2217;
    else if (scheme == QLatin1String("tcp")) parsed.kind = NetworkPortUrl::Tcp;
    else return std::nullopt;
    parsed.host = url.host();
    parsed.port = url.port(0);
    if (parsed.port < 1) return std::nullopt;
    return parsed;
}

}  // namespace vel
