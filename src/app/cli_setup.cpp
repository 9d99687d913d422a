#include "app/cli_setup.h"

#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include <QTemporaryDir>

#include "app/cli_message_box.h"
#include "settings/extension_settings.h"
#include "settings/named_fields.h"
#include "settings/setup_dat_file.h"
#include "text/vb.h"

namespace vel {
namespace {

using Field = NamedField<SettingsRecord>;

std::vector<Field> fields() {
    const QString path = QStringLiteral("ファイルのパス（空欄でなし）");
    return {
        {"port", [](const SettingsRecord& r) { return QString::number(r.portNumber[0]); },
         [](SettingsRecord& r, const QString& v) {
             const auto n = parseWholeNumber(v);
             if (!n || *n < 1 || *n > std::numeric_limits<int16_t>::max()) return false;
             r.portNumber[0] = static_cast<int16_t>(*n);
             return true;
         },
         rangeText(1, std::numeric_limits<int16_t>::max()) + QStringLiteral("（Com の番号）")},
        {"lineSettings", [](const SettingsRecord& r) { return r.portSettings[0]; },
         [](SettingsRecord& r, const QString& v) {
             r.portSettings[0] = v;
             return true;
         },
         QStringLiteral("速度,パリティ,データビット,ストップビット（例 9600,n,8,1）")},
        {"handshaking", [](const SettingsRecord& r) { return QString::number(r.handshaking[0]); },
         [](SettingsRecord& r, const QString& v) {
             const auto n = parseWholeNumber(v);
             if (!n || *n < 0 || *n > 2) return false;
             r.handshaking[0] = static_cast<int16_t>(*n);
             return true;
         },
         rangeText(0, 2) + QStringLiteral("（0 なし、1 XON/XOFF、2 RTS/CTS）")},
        textField("script", &SettingsRecord::scriptPath, path),
        boolField("csvOn", &SettingsRecord::csvOn),
        textField("csv", &SettingsRecord::csvPath, path),
        {"minutes", [](const SettingsRecord& r) { return vb::generalNumber(r.acquisitionLimitMs.raw / 10000.0 / 60000.0); },
         [](SettingsRecord& r, const QString& v) {
             if (!vb::isNumeric(v)) return false;
             const double minutes = vb::toDouble(v);
             if (minutes < 0 || minutes > 30000) return false;
             r.acquisitionLimitMs = Fixed4::fromDouble(minutes * 60000.0);
             return true;
         },
         QStringLiteral("0～30000 の数（小数も可、0 で止めるまで続ける）")},
        intField("timeStampMode", &SettingsRecord::timeStampMode, 0, 2),
        boolField("numberColumnOn", &SettingsRecord::numberColumnOn),
        intField("acquisitionNumber", &SettingsRecord::acquisitionNumber, 0),
        boolField("workbookOn", &SettingsRecord::workbookOn),
        textField("workbook", &SettingsRecord::workbookPath, path),
        boolField("useStartCell", &SettingsRecord::useStartCell),
        textField("startColumn", &SettingsRecord::startColumnLetters, QStringLiteral("列の英字（例 B）")),
        intField("startRow", &SettingsRecord::cursorRow, 0),
        boolField("normalMailOn", &SettingsRecord::normalMailOn),
        textField("normalMailFile", &SettingsRecord::normalMailFile, path),
        intField("normalMailMinutes", &SettingsRecord::normalMailMinutes, 0),
        boolField("alarmMailOn", &SettingsRecord::alarmMailOn),
        textField("alarmMailFile", &SettingsRecord::alarmMailFile, path),
        intField("alarmMailMinutes", &SettingsRecord::alarmMailMinutes, 0),
        boolField("mailOnRecovery", &SettingsRecord::mailOnRecovery),
        boolField("mailOnAutoEnd", &SettingsRecord::mailOnAutoEnd),
        boolField("rsLog", &SettingsRecord::rsLogEnabled),
        boolField("alarmLog", &SettingsRecord::alarmLogEnabled),
    };
}

void printUtf8(FILE* to, const QString& text) {
    std::fprintf(to, "%s\n", text.toUtf8().constData());
}

const char kUnitsPrefix[] = "units.";
const char kPortsPrefix[] = "ports.";

// Finds the named field of a table; null when there is none.
template <typename Record>
const NamedField<Record>* findField(const std::vector<NamedField<Record>>& table, const QString& name) {
    for (const NamedField<Record>& f : table)
        if (name == QLatin1String(f.name)) return &f;
    return nullptr;
}

// One line of --keys: the key, what it takes and what a fresh folder holds.
template <typename Record>
void printKeys(const std::vector<NamedField<Record>>& table, const Record& fresh) {
    for (const NamedField<Record>& f : table) {
        const QString value = f.get(fresh);
        printUtf8(stdout, QStringLiteral("%1  %2（既定値: %3）")
                              .arg(QString::fromLatin1(f.name).leftJustified(26), f.allowed,
                                   value.isEmpty() ? QStringLiteral("空欄") : value));
    }
}

int printAllKeys(const std::vector<Field>& all) {
    SettingsRecord fresh;
    QTemporaryDir empty;  // setup.dat as a fresh installation reads it
    StderrMessageBox messages;
    loadSettings(fresh, ProgramFolder{empty.path()}, messages);
    printUtf8(stdout, QStringLiteral("# setup.dat"));
    printKeys(all, fresh);
    printUtf8(stdout, QStringLiteral("# velloran.ini"));
    printKeys(extensionFields(), ExtensionSettings{});
    printUtf8(stdout, QStringLiteral("%1  %2（既定値: 空欄）").arg(QStringLiteral("units.D001").leftJustified(26), kUnitsAllowed));
    printUtf8(stdout, QStringLiteral("%1  %2（既定値: 空欄＝ローカルのデバイス）").arg(QStringLiteral("ports.com1").leftJustified(26), kPortsAllowed));
    return 0;
}

int refuse(const QString& text) {
    printUtf8(stderr, QStringLiteral("velloran-cli setup: ") + text + QStringLiteral("。何も保存しません"));
    return 2;
}

}  // namespace

void printSettingNotes(const ExtensionLoad& loaded, const QString& lead) {
    for (const QString& note : loaded.notes()) printUtf8(stderr, QStringLiteral("velloran-cli: ") + lead + note);
}

int runSetup(const QStringList& args, const ProgramFolder& folder) {
    const std::vector<Field> all = fields();
    if (args == QStringList{QStringLiteral("--keys")}) return printAllKeys(all);
    StderrMessageBox messages;
    SettingsRecord record;
    loadSettings(record, folder, messages);
    const ExtensionLoad loaded = readExtensionSettings(folder.extensionIni());
    printSettingNotes(loaded);
    ExtensionSettings extensions = loaded.settings;
    if (args.isEmpty()) {
        for (const Field& f : all) printUtf8(stdout, QString::fromLatin1(f.name) + "=" + f.get(record));
        for (const ExtensionField& f : extensionFields())
            printUtf8(stdout, QString::fromLatin1(f.name) + "=" + f.get(extensions));
        for (auto it = extensions.units.cbegin(); it != extensions.units.cend(); ++it)
            printUtf8(stdout, kUnitsPrefix + it.key() + "=" + it.value());
        for (auto it = extensions.networkPorts.cbegin(); it != extensions.networkPorts.cend(); ++it)
            printUtf8(stdout, QStringLiteral("%1com%2=%3").arg(QLatin1String(kPortsPrefix)).arg(it.key()).arg(it.value()));
        return 0;
    }
    bool extensionsChanged = false;
    for (const QString& arg : args) {
        const qsizetype eq = arg.indexOf('=');
        const QString name = eq < 0 ? arg : arg.left(eq);
        const QString value = arg.mid(eq + 1);
        if (name.startsWith(QLatin1String(kUnitsPrefix)) && eq >= 0) {
            const QString item = name.mid(qsizetype(sizeof kUnitsPrefix) - 1);
            if (!isItemName(item)) return refuse(refusedValueText(name, value, kUnitsAllowed));
            if (value.isEmpty()) extensions.units.remove(item);
            else extensions.units.insert(item, value);
            extensionsChanged = true;
            continue;
        }
        if (name.startsWith(QLatin1String(kPortsPrefix)) && eq >= 0) {
            const int number = comKeyNumber(name.mid(qsizetype(sizeof kPortsPrefix) - 1));
            if (!number || (!value.isEmpty() && !parseNetworkPortUrl(value)))
                return refuse(refusedValueText(name, value, kPortsAllowed));
            if (value.isEmpty()) extensions.networkPorts.remove(number);
            else extensions.networkPorts.insert(number, value.trimmed());
            extensionsChanged = true;
            continue;
        }
        const Field* field = findField(all, name);
        const ExtensionField* extension = findField(extensionFields(), name);
        if ((!field && !extension) || eq < 0)
            return refuse(QStringLiteral("知らないキーか NAME=VALUE でない引数です: ") + arg +
                          QStringLiteral("（一覧は velloran-cli setup --keys）"));
        if (field ? !field->set(record, value) : !extension->set(extensions, value))
            return refuse(refusedValueText(name, value, field ? field->allowed : extension->allowed));
        extensionsChanged = extensionsChanged || extension;
    }
    if (extensionsChanged && !saveExtensionSettings(folder.extensionIni(), extensions)) {
        printUtf8(stderr, QStringLiteral("velloran-cli setup: velloran.ini に書き込みできません（") + folder.extensionIni() +
                              QStringLiteral("）"));
        return 1;
    }
    PortSlot slot{record.portNumber[0], record.portSettings[0], record.handshaking[0]};
    return saveSettings(record, slot, folder, messages) ? 0 : 1;
}

}  // namespace vel
