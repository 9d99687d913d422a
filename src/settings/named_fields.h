#pragma once
// Settings fields addressed by name, read and written as text: velloran-cli
// setup shows and changes setup.dat and velloran.ini through them, and
// velloran.ini is loaded and saved through the same table.
#include <QString>
#include <functional>
#include <limits>
#include <optional>

#include "text/vb.h"

namespace vel {

template <typename Record>
struct NamedField {
    const char* name;
    std::function<QString(const Record&)> get;
    std::function<bool(Record&, const QString&)> set;  // false: the value does not fit
};

// "1", "true", "on", "yes" and their opposites, in any case.
inline std::optional<bool> parseBool(const QString& v) {
    const QString t = v.trimmed().toLower();
    if (t == "1" || t == "true" || t == "on" || t == "yes") return true;
    if (t == "0" || t == "false" || t == "off" || t == "no") return false;
    return std::nullopt;
}

template <typename Record>
NamedField<Record> boolField(const char* name, bool Record::*member) {
    return {name, [member](const Record& r) { return QString(r.*member ? "1" : "0"); },
            [member](Record& r, const QString& v) {
                const auto b = parseBool(v);
                if (b) r.*member = *b;
                return b.has_value();
            }};
}

template <typename Record>
NamedField<Record> textField(const char* name, QString Record::*member) {
    return {name, [member](const Record& r) { return r.*member; },
            [member](Record& r, const QString& v) {
                r.*member = v;
                return true;
            }};
}

// A whole number within [low, high] (by default the range of the member's type).
template <typename Record, typename Int>
NamedField<Record> intField(const char* name, Int Record::*member, int64_t low = std::numeric_limits<Int>::min(),
                            int64_t high = std::numeric_limits<Int>::max()) {
    return {name, [member](const Record& r) { return QString::number(r.*member); },
            [member, low, high](Record& r, const QString& v) {
                if (!vb::isNumeric(v)) return false;
                const auto n = vb::roundToInt32(vb::toDouble(v));
                if (!n || *n < low || *n > high) return false;
                r.*member = static_cast<Int>(*n);
                return true;
            }};
}

}  // namespace vel
