#include "app/cli_setup.h"

#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "app/cli_message_box.h"
#include "settings/extension_settings.h"
#include "settings/named_fields.h"
#include "settings/setup_dat_file.h"
#include "text/vb.h"

namespace vel {
namespace {

using Field = NamedField<SettingsRecord>;

std::vector<Field> fields() {
    return {
        {"port", [](const SettingsRecord& r) { return QString::number(r.portNumber[0]); },
         [](SettingsRecord& r, const QString& v) {
             const auto n = vb::isNumeric(v) ? vb::roundToInt16(vb::toDouble(v)) : std::nullopt;
             if (!n || *n < 1) return false;
             r.portNumber[0] = *n;
             return true;
         }},
        {"lineSettings", [](const SettingsRecord& r) { return r.portSettings[0]; },
         [](SettingsRecord& r, const QString& v) {
             r.portSettings[0] = v;
             return true;
         }},
        {"handshaking", [](const SettingsRecord& r) { return QString::number(r.handshaking[0]); },
         [](SettingsRecord& r, const QString& v) {
             const auto n = vb::isNumeric(v) ? vb::roundToInt16(vb::toDouble(v)) : std::nullopt;
             if (!n || *n < 0 || *n > 2) return false;
             r.handshaking[0] = *n;
             return true;
         }},
        textField("script", &SettingsRecord::scriptPath),
        boolField("csvOn", &SettingsRecord::csvOn),
        textField("csv", &SettingsRecord::csvPath),
        {"minutes", [](const SettingsRecord& r) { return vb::generalNumber(r.acquisitionLimitMs.raw / 10000.0 / 60000.0); },
         [](SettingsRecord& r, const QString& v) {
             if (!vb::isNumeric(v)) return false;
             const double minutes = vb::toDouble(v);
             if (minutes < 0 || minutes > 30000) return false;
             r.acquisitionLimitMs = Fixed4::fromDouble(minutes * 60000.0);
             return true;
         }},
        intField("timeStampMode", &SettingsRecord::timeStampMode),
        boolField("numberColumnOn", &SettingsRecord::numberColumnOn),
        intField("acquisitionNumber", &SettingsRecord::acquisitionNumber),
        boolField("workbookOn", &SettingsRecord::workbookOn),
        textField("workbook", &SettingsRecord::workbookPath),
        boolField("useStartCell", &SettingsRecord::useStartCell),
        textField("startColumn", &SettingsRecord::startColumnLetters),
        intField("startRow", &SettingsRecord::cursorRow),
        boolField("normalMailOn", &SettingsRecord::normalMailOn),
        textField("normalMailFile", &SettingsRecord::normalMailFile),
        intField("normalMailMinutes", &SettingsRecord::normalMailMinutes),
        boolField("alarmMailOn", &SettingsRecord::alarmMailOn),
        textField("alarmMailFile", &SettingsRecord::alarmMailFile),
        intField("alarmMailMinutes", &SettingsRecord::alarmMailMinutes),
        boolField("mailOnRecovery", &SettingsRecord::mailOnRecovery),
        boolField("mailOnAutoEnd", &SettingsRecord::mailOnAutoEnd),
        boolField("rsLog", &SettingsRecord::rsLogEnabled),
        boolField("alarmLog", &SettingsRecord::alarmLogEnabled),
    };
}

void printUtf8(FILE* to, const QString& text) {
    std::fprintf(to, "%s\n", text.toUtf8().constData());
}

}  // namespace

// Finds the named field of a table; null when there is none.
template <typename Record>
const NamedField<Record>* findField(const std::vector<NamedField<Record>>& table, const QString& name) {
    for (const NamedField<Record>& f : table)
        if (name == QLatin1String(f.name)) return &f;
    return nullptr;
}

int runSetup(const QStringList& args, const ProgramFolder& folder) {
    StderrMessageBox messages;
    SettingsRecord record;
    loadSettings(record, folder, messages);
    ExtensionSettings extensions = loadExtensionSettings(folder.extensionIni());
    const std::vector<Field> all = fields();
    if (args.isEmpty()) {
        for (const Field& f : all) printUtf8(stdout, QString::fromLatin1(f.name) + "=" + f.get(record));
        for (const ExtensionField& f : extensionFields())
            printUtf8(stdout, QString::fromLatin1(f.name) + "=" + f.get(extensions));
        return 0;
    }
    bool extensionsChanged = false;
    for (const QString& arg : args) {
        const qsizetype eq = arg.indexOf('=');
        const QString name = eq < 0 ? arg : arg.left(eq);
        const Field* field = findField(all, name);
        const ExtensionField* extension = findField(extensionFields(), name);
        if ((!field && !extension) || eq < 0) {
            printUtf8(stderr, "velloran-cli setup: unknown setting " + arg);
            return 2;
        }
        const QString value = arg.mid(eq + 1);
        if (field ? !field->set(record, value) : !extension->set(extensions, value)) {
            printUtf8(stderr, "velloran-cli setup: value does not fit: " + arg);
            return 2;
        }
        extensionsChanged = extensionsChanged || extension;
    }
    if (extensionsChanged && !saveExtensionSettings(folder.extensionIni(), extensions)) {
        printUtf8(stderr, "velloran-cli setup: cannot write " + folder.extensionIni());
        return 1;
    }
    PortSlot slot{record.portNumber[0], record.portSettings[0], record.handshaking[0]};
    return saveSettings(record, slot, folder, messages) ? 0 : 1;
}

}  // namespace vel
