#include "app/cli_setup.h"

#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "app/cli_message_box.h"
#include "settings/setup_dat_file.h"
#include "text/vb.h"

namespace vel {
namespace {

struct Field {
    const char* name;
    std::function<QString(const SettingsRecord&)> get;
    std::function<bool(SettingsRecord&, const QString&)> set;  // false: the value does not fit
};

std::optional<bool> parseBool(const QString& v) {
    const QString t = v.trimmed().toLower();
    if (t == "1" || t == "true" || t == "on" || t == "yes") return true;
    if (t == "0" || t == "false" || t == "off" || t == "no") return false;
    return std::nullopt;
}

Field boolField(const char* name, bool SettingsRecord::*member) {
    return {name, [member](const SettingsRecord& r) { return QString(r.*member ? "1" : "0"); },
            [member](SettingsRecord& r, const QString& v) {
                const auto b = parseBool(v);
                if (b) r.*member = *b;
                return b.has_value();
            }};
}

Field textField(const char* name, QString SettingsRecord::*member) {
    return {name, [member](const SettingsRecord& r) { return r.*member; },
            [member](SettingsRecord& r, const QString& v) {
                r.*member = v;
                return true;
            }};
}

template <typename Int>
Field intField(const char* name, Int SettingsRecord::*member) {
    return {name, [member](const SettingsRecord& r) { return QString::number(r.*member); },
            [member](SettingsRecord& r, const QString& v) {
                if (!vb::isNumeric(v)) return false;
                const auto n = vb::roundToInt32(vb::toDouble(v));
                if (!n || *n < std::numeric_limits<Int>::min() || *n > std::numeric_limits<Int>::max()) return false;
                r.*member = static_cast<Int>(*n);
                return true;
            }};
}

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

int runSetup(const QStringList& args, const ProgramFolder& folder) {
    StderrMessageBox messages;
    SettingsRecord record;
    loadSettings(record, folder, messages);
    const std::vector<Field> all = fields();
    if (args.isEmpty()) {
        for (const Field& f : all) printUtf8(stdout, QString::fromLatin1(f.name) + "=" + f.get(record));
        return 0;
    }
    for (const QString& arg : args) {
        const qsizetype eq = arg.indexOf('=');
        const QString name = eq < 0 ? arg : arg.left(eq);
        const Field* field = nullptr;
        for (const Field& f : all)
            if (name == QLatin1String(f.name)) field = &f;
        if (!field || eq < 0) {
            printUtf8(stderr, "velloran-cli setup: unknown setting " + arg);
            return 2;
        }
        if (!field->set(record, arg.mid(eq + 1))) {
            printUtf8(stderr, "velloran-cli setup: value does not fit: " + arg);
            return 2;
        }
    }
    PortSlot slot{record.portNumber[0], record.portSettings[0], record.handshaking[0]};
    return saveSettings(record, slot, folder, messages) ? 0 : 1;
}

}  // namespace vel
