#pragma once
// The uplink's settings as the client uses them: velloran.ini's [uplink]
// keys with the URL taken apart and the defaults filled in.
#include <QMap>
#include <QString>
#include <cstdint>
#include <functional>
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
    // MQTT client id: the station and a short hash of the spool's folder, the
    // same at every start and different for every program folder.
    QString clientId;
    // [units]: "D001" -> "V".
    QMap<QString, QString> units;
    // Home Assistant discovery topics for every item.
    bool homeAssistant = false;
    // Looks up the broker's host: its numeric address, empty when it has
    // none. Runs on a thread of its own, given up after a time limit, so that
    // a resolver that does not answer holds nothing up; replaced in tests.
    std::function<QString(const QString& host)> resolve;
};

// The numeric address of `host` by the system's resolver (blocking).
QString resolveHost(const QString& host);

// "velloran-<station>-<8 hex digits of the folder's path>".
QString uplinkClientId(const QString& station, const QString& folder);

// mqtt://host[:port] (1883) or mqtts://host[:port] (8883); nullopt for anything else.
std::optional<UplinkConfig> parseUplinkUrl(const QString& url);

// The [uplink] keys, the station defaulting to the host name and the spool
// in uplink-spool/ of the program folder; nullopt when the URL is empty or
// not one of the two forms.
std::optional<UplinkConfig> uplinkConfig(const ExtensionSettings& settings, const ProgramFolder& folder);

}  // namespace vel
