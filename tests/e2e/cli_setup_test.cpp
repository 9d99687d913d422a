// velloran-cli setup and velloran.ini take a value exactly or refuse it:
// `setup` names the key and what it takes and saves nothing; a hand-written
// file's value is named with the value used instead. And every command's
// --help, and `setup --keys`.
#include <gtest/gtest.h>

#include <QProcess>

#include "e2e/fault_run.h"
#include "settings/extension_settings.h"

namespace vel::test {
namespace {

struct Cli {
    int rc = -1;
    QString out;
    QString err;
};

Cli cli(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    Cli r;
    if (!p.waitForFinished(10000)) return r;
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString allowedOf(const QString& key) {
    if (key.startsWith(QLatin1String("ports."))) return kPortsAllowed;
    for (const ExtensionField& f : extensionFields())
        if (key == QLatin1String(f.name)) return f.allowed;
    return {};
}

TEST(CliSetup, AValueIsTakenExactlyOrRefusedOnTheLineAndInTheFile) {
    struct Case {
        const char* key;
        const char* value;
        bool taken;
        const char* fallback;  // what a refused value of the file leaves; a taken one as shown
    };
    const Case cases[] = {
        {"reconnect.intervalSeconds", "0.5", false, "2"},
        {"reconnect.intervalSeconds", "abc", false, "2"},
        {"reconnect.intervalSeconds", "-5", false, "2"},
        {"reconnect.intervalSeconds", "3601", false, "2"},
        {"reconnect.intervalSeconds", "3600", true, ""},
        {"reconnect.intervalSeconds", "0", true, ""},
        {"silence.cycles", "-1", false, "0"},
        {"silence.cycles", "99999999999999999999", false, "0"},
        {"silence.cycles", "1e3", false, "0"},
        {"uplink.spoolMb", "-3", false, "1024"},
        {"uplink.spoolMb", "0", false, "1024"},
        {"csv.isoTime", "1.5", false, "0"},
        {"csv.isoTime", "on", true, "1"},
        {"uplink.url", "tcp://broker:1883", false, ""},
        {"uplink.url", "ftp://broker", false, ""},
        {"uplink.url", "mqtt:/broker", false, ""},
        {"uplink.url", "mqtt://", false, ""},
        {"uplink.url", "mqtt://broker:99999", false, ""},
        {"uplink.url", "mqtt://user:pw@broker", false, ""},
        {"uplink.url", "mqtts://broker.example:8883", true, ""},
        {"uplink.url", "mqtt://10.0.0.5", true, ""},
        {"uplink.station", "line/2", false, ""},
        {"uplink.station", "st+1", false, ""},
        {"uplink.station", "st#", false, ""},
        {"uplink.station", "恒温槽-1", true, ""},
        {"uplink.prefix", "plant//line", false, "velloran"},
        {"uplink.prefix", "plant/", false, "velloran"},
        {"uplink.prefix", "a/+/b", false, "velloran"},
        {"uplink.prefix", "$SYS", false, "velloran"},
        {"uplink.prefix", "plant/line2", true, ""},
        {"uplink.discovery", "homeassistant", true, ""},
        {"uplink.discovery", "homeasistant", false, ""},
        {"ports.com3", "rfc2217://127.0.0.1:2217", true, ""},
        {"ports.com12", "tcp://[::1]:5025", true, ""},
        {"ports.com3", "tcp://meter", false, ""},
        {"ports.com3", "http://meter:80", false, ""},
        {"ports.com3", "rfc2217://meter:70000", false, ""},
        {"ports.com3", "tcp://user@meter:5025", false, ""},
        {"ports.com3", "tcp://meter:5025/scpi", false, ""},
    };
    for (const Case& c : cases) {
        const QString key = QString::fromLatin1(c.key);
        const QString value = QString::fromUtf8(c.value);
        const QString line = key + u'=' + value;
        const QString kept = key + u'=' + (c.taken && *c.fallback ? QString::fromLatin1(c.fallback) : value) + u'\n';
        // On the command line.
        TempProgramFolder home;
        const Cli set = cli(kCli, {"--home", home.folder.root, "setup", line, "csvOn=1"});
        EXPECT_EQ(set.rc, c.taken ? 0 : 2) << line.toStdString() << set.err.toStdString();
        const Cli shown = cli(kCli, {"--home", home.folder.root, "setup"});
        if (c.taken) {
            EXPECT_TRUE(shown.out.contains(kept)) << line.toStdString() << " is kept exactly";
        } else {
            EXPECT_TRUE(set.err.contains(line + QStringLiteral(" は使えません（") + allowedOf(key) + u'）'))
                << set.err.toStdString();
            EXPECT_FALSE(QFile::exists(home.folder.extensionIni())) << line.toStdString() << ": nothing saved";
            EXPECT_FALSE(QFile::exists(home.folder.setupDat())) << line.toStdString() << ": nothing saved";
        }
        // In a hand-written file.
        TempProgramFolder hand;
        hand.write("velloran.ini", QStringLiteral("[%1]\n%2=%3\n").arg(key.section(u'.', 0, 0), key.section(u'.', 1), value).toUtf8());
        const Cli read = cli(kCli, {"--home", hand.folder.root, "setup"});
        EXPECT_EQ(read.rc, 0);
        if (c.taken) {
            EXPECT_TRUE(read.out.contains(kept)) << line.toStdString();
            EXPECT_TRUE(read.err.isEmpty()) << read.err.toStdString();
        } else {
            const QString used = QString::fromLatin1(c.fallback);
            // A network Com refused leaves none: it is not listed.
            EXPECT_EQ(read.out.contains(key + u'=' + used + u'\n'), !key.startsWith(QLatin1String("ports.")))
                << line.toStdString();
            EXPECT_TRUE(read.err.contains(QStringLiteral("velloran.ini の ") + line + QStringLiteral(" は使えません（")))
                << read.err.toStdString();
            EXPECT_TRUE(read.err.contains(QStringLiteral("代わりに ") + (used.isEmpty() ? QStringLiteral("空欄") : used) +
                                          QStringLiteral(" を使います")))
                << read.err.toStdString();
        }
    }
}

// units.D001=V sets a unit, units.D001= removes it; only D001..D256 are items.
TEST(CliSetup, UnitsAreSetAndRemovedByItemName) {
    TempProgramFolder home;
    const QString root = home.folder.root;
    EXPECT_EQ(cli(kCli, {"--home", root, "setup", "units.D001=V", "units.D256=℃"}).rc, 0);
    EXPECT_EQ(loadExtensionSettings(home.folder.extensionIni()).units,
              (QMap<QString, QString>{{"D001", "V"}, {"D256", QStringLiteral("℃")}}));
    EXPECT_TRUE(cli(kCli, {"--home", root, "setup"}).out.contains(QStringLiteral("units.D256=℃\n")));
    EXPECT_EQ(cli(kCli, {"--home", root, "setup", "units.D001="}).rc, 0);
    EXPECT_EQ(loadExtensionSettings(home.folder.extensionIni()).units.keys(), QStringList{"D256"});
    for (const char* bad : {"units.D000=V", "units.D257=V", "units.d1=V", "units.X001=V"}) {
        const Cli r = cli(kCli, {"--home", root, "setup", "units.D002=A", bad});
        EXPECT_EQ(r.rc, 2) << bad;
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(bad))) << r.err.toStdString();
    }
    EXPECT_EQ(loadExtensionSettings(home.folder.extensionIni()).units.keys(), QStringList{"D256"}) << "nothing saved";
}

// A run names what the file held that was not taken, keys that are none of
// ours, and a password others can read, on stderr and in the alarm log at its start; and it runs with
// the values used instead.
TEST(CliSetup, ARunNamesTheFilesProblemsOnStderrAndInTheAlarmLog) {
    FaultRun run;
    ASSERT_TRUE(run.prepare("ITM:0.2\r\nSSS\r\nSND:MEAS?%CR\r\nRCV\r\nSET\r\nEEE\r\n", 0.01));  // 0.6 s
    // A key outside any section, one in the wrong section, an item that is none.
    const QString ini = run.write("velloran.ini", "cycles=3\n[reconnect]\nintervalSeconds=0.5\n[uplink]\npassword=pw\n"
                                                  "port=1883\nusername=a,b\n[units]\nD257=V\n");
    ASSERT_TRUE(QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(run.startSim({}));
    const CliResult r = run.cli(15000);
    ASSERT_TRUE(r.finished) << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList notes = readExtensionSettings(ini).notes();
    ASSERT_EQ(notes.size(), 5) << notes.join('\n').toStdString();
    EXPECT_EQ(readExtensionSettings(ini).settings.uplinkUsername, "a,b") << "commas are text, not a list";
    const QString alarmLog = cp932::decode(run.read("Log/AlarmLog.log"));
    for (const QString& note : notes) {
        EXPECT_EQ(occurrences(r.err, QStringLiteral("velloran-cli: ") + note + u'\n'), 1) << r.err.toStdString();
        EXPECT_EQ(occurrences(alarmLog, QStringLiteral(", ") + note + QStringLiteral("\r\n")), 1) << alarmLog.toStdString();
    }
    EXPECT_TRUE(alarmLog.indexOf(notes[0]) < alarmLog.indexOf(QStringLiteral("データ取得開始")));
}

TEST(CliHelp, EveryCommandHelpsOnStdout) {
    struct Case {
        QString program;
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {kCli, {"--help"}, "SIGHUP"},
        {kCli, {"--help"}, "setup --keys"},
        {kCli, {"check", "--help"}, "velloran-cli check SCRIPT"},
        {kCli, {"run", "--help"}, "velloran-cli [--home DIR] run"},
        {kCli, {"setup", "--help"}, "units.D001=V"},
        {kCli, {"setup", "--keys"}, "reconnect.intervalSeconds   0～3600 の整数（既定値: 2）"},
        {kCli, {"setup", "--keys"}, "alarmLog"},
        {kCli, {"setup", "--keys"}, "units.D001"},
        {kSimulator, {"--help"}, "--stream MS"},
    };
    for (const Case& c : cases) {
        const Cli r = cli(c.program, c.args);
        EXPECT_EQ(r.rc, 0) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.says))) << c.args.join(' ').toStdString() << "\n" << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    const QString keys = cli(kCli, {"setup", "--keys"}).out;
    for (const ExtensionField& f : extensionFields())
        EXPECT_TRUE(keys.contains(QString::fromLatin1(f.name) + u' ')) << f.name;
}

}  // namespace
}  // namespace vel::test
