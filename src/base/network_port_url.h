#pragma once
// A Com number reached over the network: "rfc2217://host:port" (a serial
// device server that carries the line settings and break, RFC 2217) or
// "tcp://host:port" (raw bytes, the line settings are not carried).
#include <QString>

#include <optional>

namespace vel {

struct NetworkPortUrl {
    enum Kind { Rfc2217, Tcp };
    Kind kind = Tcp;
    QString host;
    int port = 0;
};

// Nothing when the text is not such a URL with a host and a port (1..65535).
std::optional<NetworkPortUrl> parseNetworkPortUrl(const QString& text);

// What velloran.ini and velloran-cli say a network Com takes.
inline const QString kNetworkPortForm = QStringLiteral("rfc2217://ホスト:ポート か tcp://ホスト:ポート");

}  // namespace vel
