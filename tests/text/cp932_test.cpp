#include "text/cp932.h"

#include <gtest/gtest.h>

namespace vel::cp932 {
namespace {

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list) b.append(static_cast<char>(v));
    return b;
}

TEST(Cp932, KnownCharactersBothWays) {
    struct Case { QString text; QByteArray bytes; };
    const Case cases[] = {
        {QStringLiteral("A1 ~\\"), QByteArray("A1 ~\\")},
        {QStringLiteral("時間"), bytes({0x8E, 0x9E, 0x8A, 0xD4})},
        {QStringLiteral("ｱ"), bytes({0xB1})},                // half-width katakana: one byte
        {QStringLiteral("①"), bytes({0x87, 0x40})},          // NEC special character
        {QStringLiteral("～"), bytes({0x81, 0x60})},          // full-width tilde as CP932 has it
        {QStringLiteral("表"), bytes({0x95, 0x5C})},          // trail byte that looks like '\'
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encode(c.text), c.bytes) << c.text.toStdString();
        EXPECT_EQ(decode(c.bytes), c.text) << c.text.toStdString();
        EXPECT_EQ(byteLength(c.text), c.bytes.size()) << c.text.toStdString();
    }
}

TEST(Cp932, EveryByteStringSurvivesARoundTrip) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
    EXPECT_EQ(encode(decode(all)), all);
    // Every pair, including invalid trails and lead bytes at the very end.
    for (int lead = 0x80; lead < 0x100; ++lead) {
        QByteArray pairs;
        for (int trail = 0; trail < 256; ++trail) {
            pairs.append(static_cast<char>(lead));
            pairs.append(static_cast<char>(trail));
        }
        pairs.append(static_cast<char>(lead));
        ASSERT_EQ(encode(decode(pairs)), pairs) << "lead " << lead;
    }
}

TEST(Cp932, InvalidBytesBecomeRawByteCharacters) {
    const QString s = decode(bytes({0x81, 0x20, 0xFF}));  // lead byte followed by a space
    ASSERT_EQ(s.size(), 3);
    EXPECT_EQ(s[0].unicode(), kRawByteBase + 0x81);
    EXPECT_EQ(s[1], QChar(' '));
    EXPECT_EQ(s[2].unicode(), kRawByteBase + 0xFF);
}

TEST(Cp932, IncrementalDecoderJoinsCharactersSplitAcrossChunks) {
    Decoder d;
    EXPECT_EQ(d.feed(bytes({'1', 0x8E})), QStringLiteral("1"));
    EXPECT_TRUE(d.hasPending());
    EXPECT_EQ(d.feed(bytes({0x9E, 0x8A})), QStringLiteral("時"));
    EXPECT_EQ(d.flush(), QString(QChar(char16_t(kRawByteBase + 0x8A))));
    EXPECT_FALSE(d.hasPending());
}

TEST(Cp932, AnsiCodeAndCharactersOutsideTheCodePage) {
    EXPECT_EQ(ansiCode(QChar('A')), 65);
    EXPECT_EQ(ansiCode(QChar(char16_t(0xFF71))), 0xB1);  // ｱ
    EXPECT_EQ(ansiCode(QStringLiteral("時")[0]), static_cast<int16_t>(0x8E9E));
    EXPECT_EQ(ansiCode(QChar(char16_t(kRawByteBase + 0x85))), 0x85);
    const QString korean = QStringLiteral("한");
    EXPECT_EQ(ansiCode(korean[0]), 63);
    EXPECT_EQ(encode(korean), QByteArray("?"));
    EXPECT_EQ(byteLength(korean), 1);
}

}  // namespace
}  // namespace vel::cp932
