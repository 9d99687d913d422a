// velloran.ini: every key written and read back, defaults for missing keys
// and for values that do not fit, UTF-8 text.
#include "settings/extension_settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "support/temp_folder.h"

namespace vel::test {
namespace {

TEST(ExtensionSettings, EveryKeyIsWrittenAndReadBack) {
    TempProgramFolder tmp;
    ExtensionSettings s;
    s.reconnectSeconds = 5;
    s.silenceCycles = 3;
    s.csvDaily = true;
    s.csvIsoTime = true;
    s.uplinkUrl = QStringLiteral("mqtts://broker.example:8883");
    s.uplinkStation = QStringLiteral("恒温槽-1");
    s.uplinkUsername = QStringLiteral("station");
    s.uplinkPassword = QStringLiteral("p=ss;word");
    s.uplinkCa = QStringLiteral("/etc/ssl/ca.pem");
    s.uplinkPrefix = QStringLiteral("plant/line2");
    s.uplinkSpoolMb = 64;
    s.units = {{QStringLiteral("D001"), QStringLiteral("V")}, {QStringLiteral("D012"), QStringLiteral("℃")}};
    const QString ini = tmp.folder.extensionIni();
    ASSERT_TRUE(saveExtensionSettings(ini, s));
    const ExtensionSettings r = loadExtensionSettings(ini);
    for (const ExtensionField& f : extensionFields()) EXPECT_EQ(f.get(r), f.get(s)) << f.name;
    EXPECT_EQ(r.units, s.units);
    EXPECT_EQ(itemUnit(r, 11), QStringLiteral("℃"));
    EXPECT_EQ(itemUnit(r, 1), QString());
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("[uplink]")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains(QStringLiteral("恒温槽-1").toUtf8())) << "UTF-8, not escaped";
}

TEST(ExtensionSettings, MissingKeysAndValuesThatDoNotFitKeepTheirDefaults) {
    struct Case {
        const char* text;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"", "reconnect.intervalSeconds", "2"},
        {"[reconnect]\nintervalSeconds=abc\n", "reconnect.intervalSeconds", "2"},
        {"[reconnect]\nintervalSeconds=-4\n", "reconnect.intervalSeconds", "2"},
        {"[reconnect]\nintervalSeconds=10\n", "reconnect.intervalSeconds", "10"},
        {"[silence]\ncycles=0\n", "silence.cycles", "0"},
        {"[csv]\ndaily=maybe\n", "csv.daily", "0"},
        {"[csv]\ndaily=on\n", "csv.daily", "1"},
        {"[uplink]\nprefix=site\n", "uplink.prefix", "site"},
        {"", "uplink.prefix", "velloran"},
        {"[uplink]\nspoolMb=0\n", "uplink.spoolMb", "1024"},
    };
    for (const Case& c : cases) {
        TempProgramFolder tmp;
        const QString ini = tmp.write("velloran.ini", QByteArray(c.text));
        const ExtensionSettings s = loadExtensionSettings(ini);
        bool found = false;
        for (const ExtensionField& f : extensionFields()) {
            if (QLatin1String(f.name) != QLatin1String(c.key)) continue;
            found = true;
            EXPECT_EQ(f.get(s), QString::fromLatin1(c.expected)) << c.text;
        }
        EXPECT_TRUE(found) << c.key;
    }
}

// The uplink password makes the file its owner's only; a file others can
// read while it holds the password is flagged until it is saved again.
TEST(ExtensionSettings, AFileWithThePasswordIsReadableByItsOwnerOnly) {
    TempProgramFolder tmp;
    const QString ini = tmp.folder.extensionIni();
    const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
    ExtensionSettings s;
    s.uplinkPassword = QStringLiteral("pw");
    ASSERT_TRUE(saveExtensionSettings(ini, s));
    EXPECT_EQ(QFile::permissions(ini) & (shared | QFile::ReadUser | QFile::WriteUser), owner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_FALSE(readExtensionSettings(ini).secretReadableByOthers);

    ASSERT_TRUE(QFile::setPermissions(ini, shared));  // as an older program or an editor left it
    const ExtensionLoad load = readExtensionSettings(ini);
    EXPECT_TRUE(load.secretReadableByOthers);
    ASSERT_EQ(load.notes().size(), 1);
    EXPECT_TRUE(load.notes()[0].contains(QStringLiteral("ほかのユーザーも読めます")));
    EXPECT_FALSE(load.notes()[0].contains(QStringLiteral("pw")));
    ASSERT_TRUE(saveExtensionSettings(ini, load.settings));
    EXPECT_FALSE(QFile::permissions(ini) & (QFile::ReadGroup | QFile::ReadOther));
}

TEST(ExtensionSettings, AnUnwritableFileIsReported) {
    EXPECT_FALSE(saveExtensionSettings(QStringLiteral("/proc/velloran.ini"), ExtensionSettings{}));
    // A folder in the file's place: named when read; not saved, and the folder keeps its modes.
    TempProgramFolder tmp;
    ASSERT_TRUE(QDir().mkpath(tmp.folder.extensionIni()));
    EXPECT_EQ(readExtensionSettings(tmp.folder.extensionIni()).notes(),
              QStringList{QStringLiteral("velloran.ini を読めません（フォルダです）。すべて既定値を使います")});
    ExtensionSettings secret;
    secret.uplinkPassword = QStringLiteral("pw");
    EXPECT_FALSE(saveExtensionSettings(tmp.folder.extensionIni(), secret));
    EXPECT_TRUE(QFile::permissions(tmp.folder.extensionIni()) & QFile::ExeOwner);
}

}  // namespace
}  // namespace vel::test
