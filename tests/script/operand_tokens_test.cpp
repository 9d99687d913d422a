#include "script/operand_tokens.h"

#include <gtest/gtest.h>

#include "script/send_text.h"
#include "text/cp932.h"

namespace vel {
namespace {

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list) b.append(static_cast<char>(v));
    return b;
}

TEST(ParseMsec, SecondsWithDecimalsBecomeMilliseconds) {
    struct Case { const char* line; int32_t ms; };
    const Case cases[] = {
        {"WTM:2", 2000},       {"WTM:", 0},           {"WTM:2.5", 2500},    {"WTM:1 2", 12000},
        {"WTM:+3", 3000},      {"WTM:0.0015", 2},     {"WTM:0.0005", 0},    {"WTM:9999.9994", 9999999},
        {"WTM:10000", 10000000}, {"WTM:20000", 10000000}, {"WTM:99999999999999999999", 10000000},
        {"WTM:-1", -1},        {"WTM:1e3", -1},       {"WTM:abc", -1},      {"WTM:1,5", -1},
        {"WTM", -1},           {"WTM 2", -1},         {"WT", -1},           {"WTM:.", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(parseMsec(QString::fromUtf8(c.line)), c.ms) << c.line;
}

TEST(ParseCharCode, CharactersAndTokens) {
    struct Case { const char* line; int16_t code; };
    const Case cases[] = {
        {"SCD:%02", 2},  {"SCD:,", 44},   {"DCD:%SP", 32}, {"ECD:%0D", 13}, {"ECD:%0d", 13},
        {"ECD:%cr", 13}, {"SCD:%%%", 37}, {"SCD:%%", -1},  {"SCD:%ff", 255}, {"SCD:", 0},    {"SCD:%00", 0},
        {"SCD:%", -1},   {"SCD:%2", -1},  {"SCD:%G1", -1}, {"SCD:AB", -1},  {"SCD:%0D0", -1},
        {"SCD", -1},     {"SCD;,", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(parseCharCode(QString::fromUtf8(c.line)), c.code) << c.line;
    // A double-byte character gives its two-byte code as a negative number.
    EXPECT_EQ(parseCharCode(QStringLiteral("SCD:時")), static_cast<int16_t>(0x8E9E));
    EXPECT_EQ(parseCharCode(QStringLiteral("SCD:ｱ")), 0xB1);
}

TEST(DecodeText, TokensAndMarkersGiveTheBytesOnTheWire) {
    struct Case { const char* line; QByteArray wire; };
    const Case cases[] = {
        {"SND:%02ABC%03", bytes({2, 65, 66, 67, 3})},
        {"SND:%0d%0A", bytes({13, 10})},
        {"SND:%CR%LF%SP%TB%SX%EX%EQ%AK%NK%%", bytes({13, 10, 32, 9, 2, 3, 5, 6, 21, 37})},
        {"SND:%cr%lf%sp%tb%sx%ex%eq%ak%nk", bytes({13, 10, 32, 9, 2, 3, 5, 6, 21})},
        {"SND:50%%RH", QByteArray("50%RH")},
        {"SND:%%%", QByteArray("%")},
        {"SND:5%%", QByteArray("5%")},
        {"SND:%%%0D", QByteArray("%0D")},  // the token "%%" comes first
        {"SND:%%%%", {}},
        {"SND:%FF", bytes({255})},
        {"SND:%00", bytes({0})},
        {"SND:%80%81", bytes({128, 129})},
        {"SND:R 1", QByteArray("R 1")},
        {"SND:温度?", cp932::encode(QStringLiteral("温度?"))},
        {"SND:100%", {}},
        {"SND:%G1", {}},
        {"SND:A%1", {}},
        {"SND:", {}},
        {"SND", {}},
        {"SNDX", {}},
    };
    for (const Case& c : cases) {
        const QString text = decodeText(QString::fromUtf8(c.line));
        EXPECT_EQ(sendBytes(text), c.wire) << c.line;
    }
}

TEST(DecodeText, MarkerEncodingOfEveryByte) {
    const QChar nul(char16_t(0));
    EXPECT_EQ(decodeText("SND:%FF"), QString(nul) + QChar(char16_t(127)));
    EXPECT_EQ(decodeText("SND:%00"), QString(2, nul));
    const QString b128 = decodeText("SND:%80");
    ASSERT_EQ(b128.size(), 1);
    EXPECT_EQ(cp932::ansiCode(b128[0]), 128);
    for (int b = 0; b < 256; ++b) {
        const QString t = textForByte(b);
        EXPECT_EQ(t.size(), (b == 0 || b > 128) ? 2 : 1) << b;
        EXPECT_EQ(sendBytes(t), bytes({b})) << b;
        EXPECT_EQ(sendWrites(t).size(), 1u) << b;  // one write per byte, marker or not
    }
}

TEST(SendText, MarkerPairsAreLeftOutOfTheLog) {
    const QString text = QStringLiteral("A") + QChar(char16_t(0)) + QStringLiteral("1");
    EXPECT_EQ(sendBytes(text), bytes({65, 177}));
    EXPECT_EQ(sendLogText(text), QStringLiteral("A"));
    EXPECT_EQ(sendLogText(decodeText(QStringLiteral("SND:計測%FF%0D"))), QStringLiteral("計測\r"));
    EXPECT_EQ(sendWrites(QStringLiteral("計")).front(), cp932::encode(QStringLiteral("計")));
}

}  // namespace
}  // namespace vel
