#include "script/definition_parser.h"

#include <cmath>
#include <optional>

#include "text/vb.h"

namespace vel {
namespace {

constexpr int kHighestDataNumber = 256;
constexpr int kHighestDecimals = 9;  // the display patterns go up to nine decimals

struct DigitRun {
    qsizetype length = 0;
    int value = 0;
    bool tooLarge = false;  // beyond a 16-bit integer
};

DigitRun readDigits(const QString& text, qsizetype from) {
    DigitRun run;
    for (qsizetype i = from; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < '0' || u > '9') break;
        ++run.length;
        if (!run.tooLarge) {
            run.value = run.value * 10 + (u - '0');
            if (run.value > 32767) run.tooLarge = true;
        }
    }
    return run;
}

std::optional<double> numericOperand(const QString& text) {
    if (!vb::isNumeric(text)) return std::nullopt;
    const double v = vb::toDouble(text);
    if (!std::isfinite(v)) return std::nullopt;  // beyond the range of a double
    return v;
}

template <typename Apply>
void forRange(DataItems& items, int first, int last, Apply&& apply) {
    for (int n = first; n <= last; ++n) apply(items[static_cast<size_t>(n - 1)]);
}

}  // namespace

int16_t alarmOperatorOf(const QString& text) {
    static const char* const kTexts[] = {nullptr, "<", "<=", "=", ">=", ">", "<>", "=="};
    for (int code = AlarmLess; code <= AlarmContains; ++code)
        if (text == QLatin1String(kTexts[code])) return static_cast<int16_t>(code);
    return AlarmNone;
}

QString alarmOperatorText(int16_t code) {
    static const char* const kTexts[] = {nullptr, "<", "<=", "=", ">=", ">", "<>", "=="};
    if (code < AlarmLess || code > AlarmContains) return {};
    return QLatin1String(kTexts[code]);
}

bool parseDefinition(DataItems& items, const QString& line) {
    if (line.size() < 7) return false;
    const QString head = line.left(5);
    const bool isNam = head == QLatin1String("NAM:D");
    const bool isDec = head == QLatin1String("DEC:D");
    const bool isAlm = head == QLatin1String("ALM:D");
    const bool isMax = head == QLatin1String("MAX:D");
    const bool isMin = head == QLatin1String("MIN:D");
    if (!(isNam || isDec || isAlm || isMax || isMin)) return false;
    const QString rest = line.mid(5);

    // The first data number must be followed by an operator and something after it.
    const DigitRun firstRun = readDigits(rest, 0);
    if (firstRun.tooLarge) return false;
    if (rest.size() < firstRun.length + 2) return false;
    const int first = firstRun.value;
    if (first < 1) return false;

    qsizetype pos = firstRun.length;
    int last = first;
    if (rest[pos] == QLatin1Char('-')) {
        const DigitRun lastRun = readDigits(rest, pos + 1);
        if (lastRun.tooLarge) return false;
        if (lastRun.length > 0 && lastRun.value >= first) last = lastRun.value;
        // Without a character after the last number the position stays on
        // the "-", which no keyword accepts as its operator.
        if (pos + 1 + lastRun.length < rest.size()) pos += 1 + lastRun.length;
    }
    if (last > kHighestDataNumber) return false;

    const QChar c = rest[pos];
    if (isNam || isDec) {
        if (c != QLatin1Char('=')) return false;
        const QString value = rest.mid(pos + 1);
        if (isNam) {
            forRange(items, first, last, [&](DataItem& item) { item.name = value; });
            return true;
        }
        const std::optional<int16_t> decimals = vb::roundToInt16(vb::leadingValue(value));
        if (!decimals) return false;
        const int16_t kept = *decimals > kHighestDecimals ? int16_t(kHighestDecimals) : *decimals;
        forRange(items, first, last, [&](DataItem& item) { item.decimals = kept; });
        return true;
    }

    QString opText(c);
    if (pos + 1 < rest.size() && (rest[pos + 1] == QLatin1Char('>') || rest[pos + 1] == QLatin1Char('=')))
        opText.append(rest[pos + 1]);
    const int16_t op = alarmOperatorOf(opText);
    if (op == AlarmNone) return false;
    const QString operand = rest.mid(pos + opText.size());

    if (isMax || isMin) {
        if (op != AlarmEqual) return false;
        const std::optional<double> limit = numericOperand(operand);
        if (!limit) return false;
        forRange(items, first, last, [&](DataItem& item) {
            if (isMax) {
                item.maxLimit = *limit;
                item.maxSet = true;
            } else {
                item.minLimit = *limit;
                item.minSet = true;
            }
        });
        return true;
    }

    if (op == AlarmContains) {
        forRange(items, first, last, [&](DataItem& item) {
            item.matchText[item.matchText[0].isEmpty() ? 0 : 1] = operand;
        });
        return true;
    }
    const std::optional<double> threshold = numericOperand(operand);
    if (!threshold) return false;
    forRange(items, first, last, [&](DataItem& item) {
        const size_t slot = item.alarmOp[0] == AlarmNone ? 0 : 1;
        item.alarmOp[slot] = op;
        item.alarmValue[slot] = *threshold;
    });
    return true;
}

}  // namespace vel
