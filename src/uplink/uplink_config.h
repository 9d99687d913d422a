#pragma once
// The uplink's settings as the client uses them: velloran.ini's [uplink]
// keys with the URL taken apart and the defaults filled in.
#include <QString>
#include <cstdint>
#include <optional>

#include "base/program_folder.h"
#include "settings/extension_settings.h"

namespace vel {

struct UplinkConfig {
    QString url;  // as written, for the lines the user sees
    QString host;
    int port = 1883;
    bool tls = false;
    QString ca;
    QString username;
    QString password;
    QString station;
    QString prefix;
    QString spoolFolder;
    int64_t spoolBytes = 0;
};

// mqtt://host[:port] (1883) or mqtts://host[:port] (8883); nullopt for anything else.
std::optional<UplinkConfig> parseUplinkUrl(const QString& url);

// The [uplink] keys, the station defaulting to the host name and the spool
// in uplink-spool/ of the program folder; nullopt when the URL is empty or
// not one of the two forms.
std::optional<UplinkConfig> uplinkConfig(const ExtensionSettings& settings, const ProgramFolder& folder);

}  // namespace vel
