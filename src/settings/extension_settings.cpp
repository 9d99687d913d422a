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
        textField("uplink.discovery", &S::uplinkDiscovery),
    };
    return fields;
}

namespace {

// "uplink.url" is the key "url" of the section [uplink].
QString iniKey(const char* name) { return QString::fromLatin1(name).replace(QLatin1Char('.'), QLatin1Char('/')); }

const QString unitsGroup = QStringLiteral("units");

}  // namespace

QString itemUnit(const ExtensionSettings& settings, int index) {
    return settings.units.value(QStringLiteral("D%1").arg(index + 1, 3, 10, QLatin1Char('0')));
}

ExtensionSettings loadExtensionSettings(const QString& iniPath) {
    ExtensionSettings settings;
    const QSettings ini(iniPath, QSettings::IniFormat);
    for (const ExtensionField& field : extensionFields()) {
        const QVariant value = ini.value(iniKey(field.name));
        if (value.isValid()) field.set(settings, value.toString());
    }
    for (const QString& key : ini.allKeys())
        if (key.startsWith(unitsGroup + QLatin1Char('/')))
            settings.units.insert(key.mid(unitsGroup.size() + 1), ini.value(key).toString());
    return settings;
}

bool saveExtensionSettings(const QString& iniPath, const ExtensionSettings& settings) {
    QSettings ini(iniPath, QSettings::IniFormat);
    for (const ExtensionField& field : extensionFields()) ini.setValue(iniKey(field.name), field.get(settings));
    ini.remove(unitsGroup);
    for (auto it = settings.units.cbegin(); it != settings.units.cend(); ++it)
        if (!it.value().isEmpty()) ini.setValue(unitsGroup + QLatin1Char('/') + it.key(), it.value());
    ini.sync();
    return ini.status() == QSettings::NoError;
}

}  // namespace vel
