#include "script/command_encoding.h"

#include "script/operand_tokens.h"

namespace vel {
namespace {

const char* const kMnemonics[] = {
    nullptr, "SCD", "ECD", "DCD", "ERR", "BRK", "RTM", "STM", "WTM", "ITM",
    "PAU",   "CLR", "BZ0", "BZ1", "SSS", "EEE", "RCV", "SND", "SET", "CHN",
};
constexpr int kLastOpcode = OpCHN;

}  // namespace

int16_t opcodeOf(const QString& mnemonic) {
    for (int code = 1; code <= kLastOpcode; ++code)
        if (mnemonic == QLatin1String(kMnemonics[code])) return static_cast<int16_t>(code);
    return OpNone;
}

QString mnemonicOf(int16_t code) {
    if (code < 1 || code > kLastOpcode) return {};
    return QLatin1String(kMnemonics[code]);
}

ScriptCommand encodeLine(const QString& line) {
    ScriptCommand cmd;
    if (line.size() < 3) return cmd;
    const int16_t code = opcodeOf(line.left(3));
    switch (code) {
    case OpSCD:
    case OpECD:
    case OpDCD: {
        // The start, delimiter and end codes are single bytes: a double-byte
        // character (a negative code) cannot be one and is refused here.
        const int16_t c = parseCharCode(line);
        if (c < 0 || c > 255) return ScriptCommand{};
        cmd.param = c;
        break;
    }
    case OpERR:
        cmd.text = decodeText(line);
        break;
    case OpBRK: {
        const int32_t ms = parseMsec(line);
        cmd.value = Fixed4::fromInt(ms > 0 ? ms : 0);
        break;
    }
    case OpRTM:
    case OpSTM:
    case OpWTM:
    case OpITM: {
        const int32_t ms = parseMsec(line);
        if (ms < 0) return ScriptCommand{};
        cmd.value = Fixed4::fromInt(ms);
        break;
    }
    case OpPAU:
    case OpCLR:
    case OpBZ0:
    case OpBZ1:
    case OpSSS:
    case OpEEE:
    case OpRCV:
    case OpSET:
        if (line.size() != 3) return ScriptCommand{};
        break;
    case OpCHN:
        // CHN:n, the channel 0 to 7 the commands after it act on.
        if (line.size() != 5 || line[3] != u':' || line[4] < u'0' || line[4] > u'7') return ScriptCommand{};
        cmd.param = static_cast<int16_t>(line[4].unicode() - u'0');
        break;
    case OpSND:
        cmd.text = decodeText(line);
        if (cmd.text.isEmpty()) return ScriptCommand{};
        break;
    default:
        return ScriptCommand{};
    }
    cmd.code = code;
    return cmd;
}

bool encodeCommand(ScriptTables& tables, int index, const QString& line) {
    if (index < 0 || index >= static_cast<int>(tables.scriptTable.size())) return false;
    ScriptCommand cmd = encodeLine(line);
    if (cmd.code == OpNone) return false;
    tables.scriptTable[static_cast<size_t>(index)] = std::move(cmd);
    return true;
}

}  // namespace vel
