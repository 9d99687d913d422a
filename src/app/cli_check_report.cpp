#include "app/cli_check_report.h"

#include <QLocale>

#include "script/command_encoding.h"
#include "script/definition_parser.h"
#include "script/script_defaults.h"
#include "script/send_text.h"
#include "text/cp932.h"

namespace vel {
namespace {

// The name without the padding the loader appended.
QString unpadded(const QString& name) {
    qsizetype n = name.size();
    while (n > 0 && name[n - 1] == QLatin1Char(' ')) --n;
    return name.left(n);
}

QString jsonString(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u == '"') out += QStringLiteral("\\\"");
        else if (u == '\\') out += QStringLiteral("\\\\");
        else if (u < 0x20) out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else out += c;
    }
    return out + QLatin1Char('"');
}

QString jsonNumber(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }
QString jsonBool(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }
QString milliseconds(Fixed4 v) {
    return v.raw % Fixed4::kScale == 0 ? QString::number(v.raw / Fixed4::kScale) : jsonNumber(v.toDouble());
}

bool hasText(int16_t code) { return code == OpSND || code == OpERR; }

QString jsonCommand(const ScriptCommand& cmd, int index) {
    QStringList bytes;
    if (hasText(cmd.code))
        for (char b : sendBytes(cmd.text)) bytes << QString::number(static_cast<unsigned char>(b));
    return QStringLiteral("{\"index\": %1, \"mnemonic\": %2, \"code\": %3, \"param\": %4, \"value\": %5, \"bytes\": [%6]}")
        .arg(index)
        .arg(jsonString(mnemonicOf(cmd.code)))
        .arg(cmd.code)
        .arg(cmd.param)
        .arg(milliseconds(cmd.value))
        .arg(bytes.join(QLatin1Char(',')));
}

QString jsonItem(const DataItem& item, int index) {
    // Built by concatenation: a name or match text may itself contain "%1".
    return QStringLiteral("{\"index\": ") + QString::number(index) +
           QStringLiteral(", \"name\": ") + jsonString(item.name) +
           QStringLiteral(", \"decimals\": ") + QString::number(item.decimals) +
           QStringLiteral(", \"maxSet\": ") + jsonBool(item.maxSet) +
           QStringLiteral(", \"maxLimit\": ") + jsonNumber(item.maxLimit) +
           QStringLiteral(", \"minSet\": ") + jsonBool(item.minSet) +
           QStringLiteral(", \"minLimit\": ") + jsonNumber(item.minLimit) +
           QStringLiteral(", \"alarmOp\": [") + QString::number(item.alarmOp[0]) + QStringLiteral(", ") +
           QString::number(item.alarmOp[1]) + QStringLiteral("], \"alarmValue\": [") +
           jsonNumber(item.alarmValue[0]) + QStringLiteral(", ") + jsonNumber(item.alarmValue[1]) +
           QStringLiteral("], \"matchText\": [") + jsonString(item.matchText[0]) + QStringLiteral(", ") +
           jsonString(item.matchText[1]) + QStringLiteral("]}");
}

// The bytes of a text written back in script notation: printable characters
// as they are, everything else as an escape token.
QString scriptNotation(const QByteArray& wire) {
    static const struct { int byte; const char* token; } kNamed[] = {
        {13, "%CR"}, {10, "%LF"}, {32, "%SP"}, {9, "%TB"}, {2, "%SX"},
        {3, "%EX"},  {5, "%EQ"},  {6, "%AK"},  {21, "%NK"}, {37, "%%%"},
    };
    QString out;
    for (QChar c : cp932::decode(wire)) {
        const char16_t u = c.unicode();
        if (u > 32 && u != 127 && u != '%' && !(u >= cp932::kRawByteBase && u <= cp932::kRawByteBase + 0xFF)) {
            out += c;
            continue;
        }
        const QByteArray b = cp932::encode(QString(c));
        const int byte = b.isEmpty() ? 0 : static_cast<unsigned char>(b[0]);
        QString token = QLatin1Char('%') + QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        for (const auto& n : kNamed)
            if (n.byte == byte) token = QLatin1String(n.token);
        out += token;
    }
    return out;
}

QString operandText(const ScriptCommand& cmd) {
    switch (cmd.code) {
    case OpSCD:
    case OpECD:
    case OpDCD:
        return cmd.param == 0 ? QStringLiteral("(none)") : QStringLiteral("%1").arg(cmd.param);
    case OpBRK:
    case OpRTM:
    case OpSTM:
    case OpWTM:
    case OpITM:
        return milliseconds(cmd.value) + QStringLiteral(" ms");
    case OpSND:
    case OpERR:
        return scriptNotation(sendBytes(cmd.text));
    default:
        return {};
    }
}

QString itemLabel(int entry) {
    if (entry == kRecordNumberItem || entry == kTimeStampItem) return QStringLiteral("(%1)").arg(defaultItemName(entry));
    return QStringLiteral("D%1").arg(entry + 1, 3, 10, QLatin1Char('0'));
}

// Pads to a width in terminal columns, counted as CP932 bytes (a double-byte
// character is two columns wide).
QString padToWidth(const QString& text, int width) {
    const int missing = width - cp932::byteLength(text);
    return missing > 0 ? text + QString(missing, QLatin1Char(' ')) : text;
}

QString itemDetails(const DataItem& item) {
    QStringList parts;
    parts << QStringLiteral("name \"%1\"").arg(item.name);
    parts << (item.decimals < 0 ? QStringLiteral("decimals as received")
                                : QStringLiteral("decimals %1").arg(item.decimals));
    if (item.maxSet) parts << QStringLiteral("MAX %1").arg(jsonNumber(item.maxLimit));
    if (item.minSet) parts << QStringLiteral("MIN %1").arg(jsonNumber(item.minLimit));
    for (size_t s = 0; s < 2; ++s)
        if (item.alarmOp[s] != AlarmNone)
            parts << QStringLiteral("alarm %1 %2").arg(alarmOperatorText(item.alarmOp[s]), jsonNumber(item.alarmValue[s]));
    for (size_t s = 0; s < 2; ++s)
        if (!item.matchText[s].isEmpty()) parts << QStringLiteral("alarm == \"%1\"").arg(item.matchText[s]);
    return parts.join(QStringLiteral(", "));
}

}  // namespace

bool isReportedItem(const ScriptTables& tables, int entry) {
    if (entry < 0 || entry > kTimeStampItem) return false;
    if (entry == kRecordNumberItem || entry == kTimeStampItem) return true;
    const DataItem& item = tables.dataItems[static_cast<size_t>(entry)];
    return unpadded(item.name) != defaultItemName(entry) || item.decimals != -1 || item.maxSet || item.minSet ||
           item.maxLimit != 0 || item.minLimit != 0 || item.alarmOp[0] != 0 || item.alarmOp[1] != 0 ||
           item.alarmValue[0] != 0 || item.alarmValue[1] != 0 || !item.matchText[0].isEmpty() ||
           !item.matchText[1].isEmpty();
}

QByteArray checkJson(const ScriptTables& tables) {
    QStringList commands;
    for (int i = 0; i < tables.scriptCount; ++i) commands << jsonCommand(tables.scriptTable[static_cast<size_t>(i)], i);
    QStringList items;
    for (int i = 0; i <= kTimeStampItem; ++i)
        if (isReportedItem(tables, i)) items << jsonItem(tables.dataItems[static_cast<size_t>(i)], i);
    const QString json = QStringLiteral("{\"ok\": true, \"scriptCount\": %1,\n \"commands\": [%2],\n \"items\": [%3]}\n")
                             .arg(QString::number(tables.scriptCount), commands.join(QStringLiteral(",\n  ")),
                                  items.join(QStringLiteral(",\n  ")));
    return json.toUtf8();
}

QByteArray checkFailureJson(const QString& message) {
    return (QStringLiteral("{\"ok\": false, \"message\": %1}\n").arg(jsonString(message))).toUtf8();
}

QString checkText(const ScriptTables& tables, const QString& path) {
    const QString shown = path.trimmed().isEmpty() ? QStringLiteral("(none, default script)") : path;
    QString out = QStringLiteral("Script %1: %2 commands\n").arg(shown, QString::number(tables.scriptCount));
    out += QStringLiteral("  No.  Command  Operand\n");
    for (int i = 0; i < tables.scriptCount; ++i) {
        const ScriptCommand& cmd = tables.scriptTable[static_cast<size_t>(i)];
        out += QStringLiteral("  %1  %2      %3").arg(QStringLiteral("%1").arg(i + 1, 3), mnemonicOf(cmd.code), operandText(cmd));
        while (out.endsWith(QLatin1Char(' '))) out.chop(1);
        out += QLatin1Char('\n');
    }
    out += QStringLiteral("Data items (names padded to %1 bytes):\n")
               .arg(cp932::byteLength(tables.dataItems[kRecordNumberItem].name));
    for (int i = 0; i <= kTimeStampItem; ++i)
        if (isReportedItem(tables, i))
            out += QStringLiteral("  %1  %2\n").arg(padToWidth(itemLabel(i), 6), itemDetails(tables.dataItems[static_cast<size_t>(i)]));
    return out;
}

}  // namespace vel
