#include "script/operand_tokens.h"

#include "script/send_text.h"
#include "text/cp932.h"
#include "text/vb.h"

namespace vel {
namespace {

// The operand starts at the 5th character; the 4th must be the colon.
bool hasOperandColon(const QString& line) { return line.size() > 3 && line[3] == QLatin1Char(':'); }

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Upper case of ASCII letters only, so that a token never changes length or
// turns a full-width letter into something that looks like a token.
QChar asciiUpper(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') ? QChar(char16_t(u - 'a' + 'A')) : c;
}

}  // namespace

std::optional<int> escapeTokenByte(QChar first, QChar second, bool hexAllowed) {
    struct Named { char a, b; int byte; };
    static const Named kNamed[] = {
        {'C', 'R', 13}, {'L', 'F', 10}, {'S', 'P', 32}, {'T', 'B', 9},  {'S', 'X', 2},
        {'E', 'X', 3},  {'E', 'Q', 5},  {'A', 'K', 6},  {'N', 'K', 21}, {'%', '%', 37},
    };
    const QChar a = asciiUpper(first), b = asciiUpper(second);
    for (const Named& n : kNamed)
        if (a == QLatin1Char(n.a) && b == QLatin1Char(n.b)) return n.byte;
    if (hexAllowed) {
        const int hi = hexDigit(a), lo = hexDigit(b);
        if (hi >= 0 && lo >= 0) return hi * 16 + lo;
    }
    return std::nullopt;
}

int32_t parseMsec(const QString& line) {
    if (!hasOperandColon(line)) return -1;
    if (line.size() == 4) return 0;
    const QString operand = line.mid(4);
    for (QChar c : operand) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= '0' && u <= '9') || u == ' ' || u == '.' || u == '+';
        if (!allowed) return -1;
    }
    const double seconds = vb::leadingValue(operand);
    if (seconds >= 10000) return 10'000'000;
    // Below 10,000 s the product always fits; a failure here cannot happen
    // for the characters allowed above, but is never taken as a time.
    const std::optional<int32_t> ms = vb::roundToInt32(seconds * 1000);
    return ms ? *ms : -1;
}

int16_t parseCharCode(const QString& line) {
    if (!hasOperandColon(line)) return -1;
    switch (line.size()) {
    case 4:
        return 0;
    case 5:
        if (line[4] == QLatin1Char('%')) return -1;
        return cp932::ansiCode(line[4]);
    case 7: {
        if (line[4] != QLatin1Char('%')) return -1;
        const std::optional<int> byte = escapeTokenByte(line[5], line[6], true);
        return byte ? static_cast<int16_t>(*byte) : int16_t(-1);
    }
    default:
        return -1;
    }
}

QString decodeText(const QString& line) {
    if (!hasOperandColon(line)) return {};
    QString out;
    out.reserve(line.size());
    const qsizetype n = line.size();
    qsizetype i = 4;
    while (i < n) {
        const QChar c = line[i];
        if (c != QLatin1Char('%')) {
            out.append(c);
            ++i;
            continue;
        }
        const std::optional<int> named =
            n - i >= 3 ? escapeTokenByte(line[i + 1], line[i + 2], false) : std::nullopt;
        const std::optional<int> hex =
            n - i >= 3 && !named ? escapeTokenByte(line[i + 1], line[i + 2], true) : std::nullopt;
        if (named) {
            out.append(QChar(char16_t(*named)));
            i += 3;
        } else if (hex) {
            out.append(textForByte(*hex));
            i += 3;
        } else if (n - i >= 2 && line[i + 1] == QLatin1Char('%')) {
            // A doubled "%" that does not start a token ("50%%RH") is one
            // "%"; "%%%" still reads as the token "%%".
            out.append(QLatin1Char('%'));
            i += 2;
        } else {
            return {};
        }
    }
    return out;
}

}  // namespace vel
