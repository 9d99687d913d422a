#include "settings/extension_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <arpa/inet.h>

namespace vel {

bool isBrokerUrl(const QString& value) {
    const QString text = value.trimmed();
    if (text.isEmpty()) return true;  // no uplink
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "mqtt" || scheme == "mqtts") && !url.host().isEmpty() &&
           url.userInfo().isEmpty() && (url.path().isEmpty() || url.path() == "/") && !url.hasQuery() &&
           !url.hasFragment() && url.port(1) >= 1;
}

bool isListenAddress(const QString& value) {
    const QString text = value.trimmed();
    if (text.isEmpty()) return true;  // no web page
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0) return false;
    QString host = text.left(colon);
    const auto port = parseWholeNumber(text.mid(colon + 1));
    if (!port || *port < 1 || *port > 65535 || text.mid(colon + 1).startsWith(u'+')) return false;
    if (host.startsWith(u'[')) {
        if (!host.endsWith(u']') || host.size() < 3) return false;
        host = host.mid(1, host.size() - 2);
        in6_addr address{};
        return ::inet_pton(AF_INET6, host.toLatin1().constData(), &address) == 1;
    }
    if (host.contains(u':')) return false;  // an IPv6 address needs its brackets
    for (const QChar c : host)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-') return false;
    return true;
}

namespace {

// A part of the uplink's topics. + and # are the broker's wildcards and a
// control character no topic may hold; the station is a single level, the
// prefix one or more levels, none of them empty. A topic starting with $ is
// the broker's own.
bool isTopicPart(const QString& value, bool levels) {
    const QString text = value.trimmed();
    if (text.isEmpty()) return true;  // the default (the host name, "velloran")
    for (const QChar c : text)
        if (c == u'+' || c == u'#' || c.category() == QChar::Other_Control || (!levels && c == u'/')) return false;
    if (!levels) return true;
    if (text.startsWith(u'$')) return false;
    for (const QString& level : text.split(u'/'))
        if (level.isEmpty()) return false;
    return true;
}

bool isDiscovery(const QString& value) {
    const QString text = value.trimmed();
    return text.isEmpty() || text == QLatin1String("homeassistant");
}

// "uplink.url" is the key "url" of the section [uplink].
QString iniKey(const char* name) { return QString::fromLatin1(name).replace(QLatin1Char('.'), QLatin1Char('/')); }

const QString unitsGroup = QStringLiteral("units");
const QString portsGroup = QStringLiteral("ports");
constexpr int kItemCount = 256;

// QSettings reads a value with commas as a list; the key meant the text.
QString iniText(const QVariant& value) {
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(QLatin1Char(',')) : value.toString();
}

bool restrictToOwner(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) return false;  // a folder keeps its modes; the save fails anyway
    QFile file(path);
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
    if (!info.exists() && !file.open(QIODevice::WriteOnly | QIODevice::NewOnly, owner)) return false;
    return file.setPermissions(owner);
}

}  // namespace

const std::vector<ExtensionField>& channelFields();

const std::vector<ExtensionField>& extensionFields() {
    using S = ExtensionSettings;
    static const std::vector<ExtensionField> fields{
        intField("reconnect.intervalSeconds", &S::reconnectSeconds, 0, 3600),
        intField("silence.cycles", &S::silenceCycles, 0, 1'000'000),
        boolField("csv.daily", &S::csvDaily),
        boolField("csv.isoTime", &S::csvIsoTime),
        textField("uplink.url", &S::uplinkUrl, QStringLiteral("空欄、または mqtt://ホスト[:ポート] か mqtts://ホスト[:ポート]"),
                  isBrokerUrl),
        textField("uplink.station", &S::uplinkStation,
                  QStringLiteral("空欄（ホスト名）、または + # / と制御文字のない文字列"),
                  [](const QString& v) { return isTopicPart(v, false); }),
        textField("uplink.username", &S::uplinkUsername),
        textField("uplink.password", &S::uplinkPassword),
        textField("uplink.ca", &S::uplinkCa, QStringLiteral("空欄、または CA 証明書のファイル")),
        textField("uplink.prefix", &S::uplinkPrefix,
                  QStringLiteral("空欄（velloran）、または / で区切った空でない段（+ # と制御文字なし、$ で始まらない）"),
                  [](const QString& v) { return isTopicPart(v, true); }),
        intField("uplink.spoolMb", &S::uplinkSpoolMb, 1, 1'000'000),
        textField("uplink.discovery", &S::uplinkDiscovery, QStringLiteral("空欄、または homeassistant"), isDiscovery),
        textField("web.listen", &S::webListen,
                  QStringLiteral("空欄（Web ページなし）、または ホスト:ポート（IPv6 は [アドレス]:ポート）"), isListenAddress),
        textField("web.token", &S::webToken),
        textField("web.cert", &S::webCert, QStringLiteral("空欄、または証明書のファイル（PEM）")),
        textField("web.key", &S::webKey, QStringLiteral("空欄、または秘密鍵のファイル（PEM）")),
    };
    static const std::vector<ExtensionField> all = [] {
        std::vector<ExtensionField> f = fields;
        for (const ExtensionField& channel : channelFields()) f.push_back(channel);
        return f;
    }();
    return all;
}

bool isChannelKey(const QString& key) { return key.startsWith(QLatin1String("channel")); }

bool isProcessKey(const QString& key) { return key.startsWith(QLatin1String("web.")); }

const std::vector<ExtensionField>& channelFields() {
    static const char* const portKeys[] = {nullptr, "channel1.port", "channel2.port", "channel3.port", "channel4.port",
                                           "channel5.port", "channel6.port", "channel7.port"};
    static const char* const lineKeys[] = {nullptr, "channel1.lineSettings", "channel2.lineSettings",
                                           "channel3.lineSettings", "channel4.lineSettings", "channel5.lineSettings",
                                           "channel6.lineSettings", "channel7.lineSettings"};
    static const std::vector<ExtensionField> fields = [] {
        std::vector<ExtensionField> f;
        for (size_t ch = 1; ch < 8; ++ch) {
            f.push_back({portKeys[ch], [ch](const ExtensionSettings& s) { return QString::number(s.channels[ch].port); },
                         [ch](ExtensionSettings& s, const QString& v) {
                             const auto n = parseWholeNumber(v);
                             if (!n || *n < 0 || *n > std::numeric_limits<int16_t>::max()) return false;
                             s.channels[ch].port = static_cast<int>(*n);
                             return true;
                         },
                         rangeText(0, std::numeric_limits<int16_t>::max()) + QStringLiteral("（0：なし）")});
            f.push_back({lineKeys[ch], [ch](const ExtensionSettings& s) { return s.channels[ch].lineSettings; },
                         // Taken as text, as channel 0's: the port refuses what it cannot apply.
                         [ch](ExtensionSettings& s, const QString& v) {
                             s.channels[ch].lineSettings = v.trimmed();
                             return true;
                         },
                         QStringLiteral("速度,パリティ,データビット,ストップビット（例 9600,n,8,1）")});
        }
        return f;
    }();
    return fields;
}

QString itemUnit(const ExtensionSettings& settings, int index) {
    return settings.units.value(QStringLiteral("D%1").arg(index + 1, 3, 10, QLatin1Char('0')));
}

int comKeyNumber(const QString& key) {
    if (!key.startsWith(QLatin1String("com")) || key.size() < 4 || !key[3].isDigit()) return 0;
    bool ok = false;
    const int n = key.mid(3).toInt(&ok);
    return ok && n >= 1 && n <= 9999 && key == QStringLiteral("com%1").arg(n) ? n : 0;
}

QString networkPortUrl(const ExtensionSettings& settings, int number) { return settings.networkPorts.value(number); }

bool isItemName(const QString& name) {
    if (name.size() != 4 || name[0] != u'D') return false;
    bool ok = false;
    const int n = name.mid(1).toInt(&ok);
    return ok && name[1].isDigit() && n >= 1 && n <= kItemCount;
}

QString refusedValueText(const QString& key, const QString& value, const QString& allowed) {
    return key + u'=' + value + QStringLiteral(" は使えません（") + allowed + QStringLiteral("）");
}

QString problemText(const SettingProblem& problem) {
    if (problem.key.isEmpty())
        return QStringLiteral("velloran.ini を読めません（") + problem.value + QStringLiteral("）。すべて既定値を使います");
    // The value of a key that is none of ours stays unshown: it may be a
    // misspelt password.
    if (problem.allowed.isEmpty())
        return QStringLiteral("velloran.ini の ") + problem.key +
               QStringLiteral(" は知らないキーです（一覧は velloran-cli setup --keys）。読み飛ばします");
    return QStringLiteral("velloran.ini の ") + refusedValueText(problem.key, problem.value, problem.allowed) +
           QStringLiteral("。代わりに ") + (problem.used.isEmpty() ? QStringLiteral("空欄") : problem.used) +
           QStringLiteral(" を使います");
}

QStringList ExtensionLoad::notes() const {
    QStringList lines;
    for (const SettingProblem& problem : problems) lines << problemText(problem);
    if (secretReadableByOthers)
        lines << QStringLiteral("velloran.ini はパスワードを含みますが、ほかのユーザーも読めます。"
                                "chmod 600 velloran.ini で持ち主だけが読めるようにしてください");
    return lines;
}

ExtensionLoad readExtensionSettings(const QString& iniPath) {
    ExtensionLoad load;
    const QFileInfo info(iniPath);
    if (!info.exists()) return load;
    if (!info.isFile() || !info.isReadable()) {
        load.problems.push_back({{}, info.isDir() ? QStringLiteral("フォルダです") : QStringLiteral("読む権限がありません"), {}, {}});
        return load;
    }
    const QSettings ini(iniPath, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) load.problems.push_back({{}, QStringLiteral("形式が正しくありません"), {}, {}});
    QStringList ours;
    for (const ExtensionField& field : extensionFields()) {
        ours << iniKey(field.name);
        const QVariant value = ini.value(ours.last());
        if (!value.isValid()) continue;
        const QString text = iniText(value);
        if (!field.set(load.settings, text))
            load.problems.push_back({QString::fromLatin1(field.name), text, field.allowed, field.get(load.settings)});
    }
    for (const QString& key : ini.allKeys()) {
        if (ours.contains(key)) continue;
        const QString text = iniText(ini.value(key));
        const QString item = key.section(u'/', 1);
        if (key.section(u'/', 0, 0) == unitsGroup && isItemName(item)) {
            if (!text.isEmpty()) load.settings.units.insert(item, text);
            continue;
        }
        if (key.section(u'/', 0, 0) == portsGroup && comKeyNumber(item)) {
            if (text.isEmpty()) continue;
            if (parseNetworkPortUrl(text)) load.settings.networkPorts.insert(comKeyNumber(item), text.trimmed());
            else load.problems.push_back({QString(key).replace(u'/', u'.'), text, kPortsAllowed, {}});
            continue;
        }
        load.problems.push_back({QString(key).replace(u'/', u'.'), text, {}, {}});
    }
    load.secretReadableByOthers = (!load.settings.uplinkPassword.isEmpty() || !load.settings.webToken.isEmpty()) &&
                                  (info.permissions() & (QFile::ReadGroup | QFile::ReadOther));
    return load;
}

ExtensionSettings loadExtensionSettings(const QString& iniPath) { return readExtensionSettings(iniPath).settings; }

bool saveExtensionSettings(const QString& iniPath, const ExtensionSettings& settings) {
    // Made private before the password is written: QSettings replaces the
    // file with one that keeps its permissions.
    const bool secret = !settings.uplinkPassword.isEmpty() || !settings.webToken.isEmpty();
    if (secret && !restrictToOwner(iniPath)) return false;
    QSettings ini(iniPath, QSettings::IniFormat);
    for (const ExtensionField& field : extensionFields()) {
        // A channel without a port leaves no section in the file.
        const QString key = QString::fromLatin1(field.name);
        if (isChannelKey(key) && settings.channels[static_cast<size_t>(key.mid(7, 1).toInt())].port == 0) {
            ini.remove(iniKey(field.name));
            continue;
        }
        ini.setValue(iniKey(field.name), field.get(settings));
    }
    ini.remove(unitsGroup);
    for (auto it = settings.units.cbegin(); it != settings.units.cend(); ++it)
        if (!it.value().isEmpty()) ini.setValue(unitsGroup + QLatin1Char('/') + it.key(), it.value());
    ini.remove(portsGroup);
    for (auto it = settings.networkPorts.cbegin(); it != settings.networkPorts.cend(); ++it)
        if (!it.value().isEmpty()) ini.setValue(portsGroup + QStringLiteral("/com%1").arg(it.key()), it.value());
    ini.sync();
    return ini.status() == QSettings::NoError && (!secret || restrictToOwner(iniPath));
}

}  // namespace vel
