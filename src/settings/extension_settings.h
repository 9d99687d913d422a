#pragma once
// The settings the Windows record cannot hold: velloran.ini (UTF-8 INI) in
// the program folder, beside setup.dat, which stays byte for byte as it
// was. Each key is "section.key" on velloran-cli setup and in the tables
// below; a key missing from the file keeps its default.
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "base/network_port_url.h"
#include "settings/named_fields.h"

namespace vel {

// The port of a channel other than 0: a Com number (0: none) and its line
// settings in setup's text form.
struct ChannelPort {
    int port = 0;
    QString lineSettings = QStringLiteral("9600,n,8,1");
};

struct ExtensionSettings {
    // [reconnect] A port that fails during a run is opened again every so
    // many seconds (0: never).
    int reconnectSeconds = 2;
    // [silence] So many cycles in a row without any reply raise the no-reply
    // alarm (0: off).
    int silenceCycles = 0;
    // [csv] One file a day (the date in its name) for a run that goes on;
    // the time column in ISO 8601 with milliseconds.
    bool csvDaily = false;
    bool csvIsoTime = false;
    // [uplink] Every record to an MQTT broker (url empty: off).
    QString uplinkUrl;        // mqtt://host:port or mqtts://host:port
    QString uplinkStation;    // empty: the host name
    QString uplinkUsername;
    QString uplinkPassword;
    QString uplinkCa;         // CA file for mqtts
    QString uplinkPrefix = QStringLiteral("velloran");
    int uplinkSpoolMb = 1024;
    QString uplinkDiscovery;  // "homeassistant": MQTT discovery topics; empty: none
    // [web] The station's read-only web page (listen empty: none).
    QString webListen;  // host:port, [v6-address]:port
    QString webToken;   // every request must bring it; empty: loopback hosts only
    QString webCert;    // HTTPS when both are set (relative to the program folder)
    QString webKey;
    // [units] The unit of an item's values, by its data number: "D001" → "V".
    // Items without one have none.
    QMap<QString, QString> units;
    // [channel1] .. [channel7] The ports a script selects with CHN:1 .. CHN:7
    // (index 0 unused: channel 0 is setup.dat's port).
    std::array<ChannelPort, 8> channels{};
    // [ports] Com numbers reached over the network: 3 → "rfc2217://host:port"
    // or "tcp://host:port". The others reach their local device.
    QMap<int, QString> networkPorts;
};

using ExtensionField = NamedField<ExtensionSettings>;

// Every key of velloran.ini, in the order the file and velloran-cli show them.
const std::vector<ExtensionField>& extensionFields();
// The keys of channels 1–7 among them ("channel1.port" ...): the serial
// settings of a channel, not shown on the unattended-operation panel.
const std::vector<ExtensionField>& channelFields();
bool isChannelKey(const QString& key);
// The keys of the process rather than of a station ("web.listen" ...): only
// the first program folder's count, and a station's panel leaves them out.
bool isProcessKey(const QString& key);

// The broker's address as the uplink takes it: empty (no uplink), or mqtt or
// mqtts with a host and at most a port. A user name or a path in it would be
// left unused, so they are refused too.
bool isBrokerUrl(const QString& value);

// The web page's listen address: empty (no page) or host:port with a port
// 1..65535; an IPv6 address in brackets.
bool isListenAddress(const QString& value);

// The unit set for the item at value index `index` (0 is D001); empty when none.
QString itemUnit(const ExtensionSettings& settings, int index);
// "D001" .. "D256": the items a unit may be set for.
bool isItemName(const QString& name);
inline const QString kUnitsAllowed = QStringLiteral("units.D001～units.D256 に単位の文字列（空欄で消す）");

// "com3" → 3: the Com numbers a network URL may be set for (1..9999); 0 for
// anything else.
int comKeyNumber(const QString& key);
// The network URL for Com `number`; empty when it reaches a local device.
QString networkPortUrl(const ExtensionSettings& settings, int number);
inline const QString kPortsAllowed = QStringLiteral("ports.com1～ports.com9999 に ") + kNetworkPortForm +
                                     QStringLiteral("（空欄で消す）");

// A value velloran.ini holds that was not taken, or a key it should not hold.
struct SettingProblem {
    QString key;      // "reconnect.intervalSeconds"; empty: the file itself (value says why)
    QString value;    // as the file holds it
    QString allowed;  // what the key takes; empty for a key that is none of ours
    QString used;     // the value used instead
};

struct ExtensionLoad {
    ExtensionSettings settings;
    std::vector<SettingProblem> problems;
    // The file holds the uplink password and others than its owner may read it.
    bool secretReadableByOthers = false;
    // Every problem and the warning, one Japanese line each.
    QStringList notes() const;
};

// "reconnect.intervalSeconds=0.5 は使えません（0～3600 の整数）"
QString refusedValueText(const QString& key, const QString& value, const QString& allowed);
// One line for a problem of velloran.ini, with the value used instead.
QString problemText(const SettingProblem& problem);

// Reads the file; missing keys keep their defaults, every value that is not
// taken keeps its default and is listed as a problem, as is every key that
// is none of ours (a key outside its section too).
ExtensionLoad readExtensionSettings(const QString& iniPath);
// The settings of readExtensionSettings, for callers that report nothing.
ExtensionSettings loadExtensionSettings(const QString& iniPath);
// Writes every key; false when the file cannot be written. A file holding the
// uplink password is made readable by its owner only before it is written.
bool saveExtensionSettings(const QString& iniPath, const ExtensionSettings& settings);

}  // namespace vel
