#include "settings/extension_settings.h"

#include <QSettings>

namespace vel {

const std::vector<ExtensionField>& extensionFields() {
    using S = ExtensionSettings;
    static const std::vector<ExtensionField> fields{
        intField("reconnect.intervalSeconds", &S::reconnectSeconds, 0, 3600),
        intField("silence.cycles", &S::silenceCycles, 0, 1'000'000),
        boolField("csv.daily", &S::csvDaily),
        boolField("csv.isoTime", &S::csvIsoTime),
        textField("uplink.url", &S::uplinkUrl),
        textField("uplink.station", &S::uplinkStation),
        textField("uplink.username", &S::uplinkUsername),
        textField("uplink.password", &S::uplinkPassword),
        textField("uplink.ca", &S::uplinkCa),
        textField("uplink.prefix", &S::uplinkPrefix),
        intField("uplink.spoolMb", &S::uplinkSpoolMb, 1, 1'000'000),
    };
    return fields;
}

namespace {

// "uplink.url" is the key "url" of the section [uplink].
QString iniKey(const char* name) { return QString::fromLatin1(name).replace(QLatin1Char('.'), QLatin1Char('/')); }

}  // namespace

ExtensionSettings loadExtensionSettings(const QString& iniPath) {
    ExtensionSettings settings;
    const QSettings ini(iniPath, QSettings::IniFormat);
    for (const ExtensionField& field : extensionFields()) {
        const QVariant value = ini.value(iniKey(field.name));
        if (value.isValid()) field.set(settings, value.toString());
    }
    return settings;
}

bool saveExtensionSettings(const QString& iniPath, const ExtensionSettings& settings) {
    QSettings ini(iniPath, QSettings::IniFormat);
    for (const ExtensionField& field : extensionFields()) ini.setValue(iniKey(field.name), field.get(settings));
    ini.sync();
    return ini.status() == QSettings::NoError;
}

}  // namespace vel
