#pragma once
// The web page's settings as the server takes them: velloran.ini's [web]
// keys with the listen address taken apart and the certificate's paths made
// absolute, and the rule that keeps a page without a token off the network.
#include <QString>
#include <optional>

#include "base/program_folder.h"
#include "settings/extension_settings.h"

namespace vel {

struct WebConfig {
    QString listen;  // as written, for the lines the user sees
    QString host;    // without the brackets of an IPv6 address
    int port = 0;
    QString token;
    QString cert;  // absolute paths; HTTPS when both are set
    QString key;

    bool https() const { return !cert.isEmpty() && !key.isEmpty(); }
};

// The [web] keys of `settings`; nullopt when no listen address is set.
std::optional<WebConfig> webConfig(const ExtensionSettings& settings, const ProgramFolder& folder);

// 127.0.0.1 (any of 127/8), ::1 and localhost.
bool isLoopbackHost(const QString& host);

// Why the page must not open with this configuration (one Japanese line),
// empty when it may: without a token only a loopback host is served, and
// only one of the certificate and the key is a mistake, not a plain page.
QString webRefusal(const WebConfig& config);

}  // namespace vel
