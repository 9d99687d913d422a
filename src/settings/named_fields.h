#pragma once
// Settings fields addressed by name, read and written as text: velloran-cli
// setup shows and changes setup.dat and velloran.ini through them, and
// velloran.ini is loaded and saved through the same table. A field takes a
// value exactly or refuses it; `allowed` says in the program's words what it
// takes, for messages and for `velloran-cli setup --keys`.
#include <QString>
#include <functional>
#include <limits>
#include <optional>

namespace vel {

template <typename Record>
struct NamedField {
    const char* name;
    std::function<QString(const Record&)> get;
    std::function<bool(Record&, const QString&)> set;  // false: the value does not fit, the record is unchanged
    QString allowed;                                   // e.g. "0～3600 の整数"
};

// "1", "true", "on", "yes" and their opposites, in any case.
inline std::optional<bool> parseBool(const QString& v) {
    const QString t = v.trimmed().toLower();
    if (t == "1" || t == "true" || t == "on" || t == "yes") return true;
    if (t == "0" || t == "false" || t == "off" || t == "no") return false;
    return std::nullopt;
}

// A whole number written as one (an optional sign and digits): "0.5", "1e3",
// "abc" and numbers beyond 64 bits are none.
inline std::optional<int64_t> parseWholeNumber(const QString& v) {
    const QString t = v.trimmed();
    if (t.isEmpty() || t.contains(QLatin1Char(' '))) return std::nullopt;
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok, 10);
    return ok ? std::optional<int64_t>(n) : std::nullopt;
}

inline QString rangeText(int64_t low, int64_t high) {
    return QString::number(low) + QStringLiteral("～") + QString::number(high) + QStringLiteral(" の整数");
}

template <typename Record>
NamedField<Record> boolField(const char* name, bool Record::*member) {
    return {name, [member](const Record& r) { return QString(r.*member ? "1" : "0"); },
            [member](Record& r, const QString& v) {
                const auto b = parseBool(v);
                if (b) r.*member = *b;
                return b.has_value();
            },
            QStringLiteral("1 または 0（on/off、true/false、yes/no も可）")};
}

// Any text, or the texts `accepts` takes (described by `allowed`).
template <typename Record>
NamedField<Record> textField(const char* name, QString Record::*member,
                             const QString& allowed = QStringLiteral("文字列"),
                             std::function<bool(const QString&)> accepts = {}) {
    return {name, [member](const Record& r) { return r.*member; },
            [member, accepts](Record& r, const QString& v) {
                if (accepts && !accepts(v)) return false;
                r.*member = v;
                return true;
            },
            allowed};
}

// A whole number within [low, high] (by default the range of the member's type).
template <typename Record, typename Int>
NamedField<Record> intField(const char* name, Int Record::*member, int64_t low = std::numeric_limits<Int>::min(),
                            int64_t high = std::numeric_limits<Int>::max()) {
    return {name, [member](const Record& r) { return QString::number(r.*member); },
            [member, low, high](Record& r, const QString& v) {
                const auto n = parseWholeNumber(v);
                if (!n || *n < low || *n > high) return false;
                r.*member = static_cast<Int>(*n);
                return true;
            },
            rangeText(low, high)};
}

}  // namespace vel
