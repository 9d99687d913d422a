#include "script/command_encoding.h"

#include <gtest/gtest.h>

#include "script/send_text.h"

namespace vel {
namespace {

TEST(EncodeCommand, EveryMnemonicAndItsOperand) {
    struct Case { const char* line; int16_t code; int16_t param; int64_t ms; QByteArray wire; };
    const Case cases[] = {
        {"SCD:%02", OpSCD, 2, 0, {}},      {"ECD:%0D", OpECD, 13, 0, {}},   {"DCD:,", OpDCD, 44, 0, {}},
        {"SCD:", OpSCD, 0, 0, {}},         {"ERR:E%0D", OpERR, 0, 0, "E\r"}, {"ERR:", OpERR, 0, 0, {}},
        {"ERR", OpERR, 0, 0, {}},          {"BRK", OpBRK, 0, 0, {}},        {"BRK:", OpBRK, 0, 0, {}},
        {"BRK:x", OpBRK, 0, 0, {}},        {"BRK:5", OpBRK, 0, 5000, {}},   {"RTM:3", OpRTM, 0, 3000, {}},
        {"STM:0.5", OpSTM, 0, 500, {}},    {"WTM:2", OpWTM, 0, 2000, {}},   {"ITM:1", OpITM, 0, 1000, {}},
        {"ITM:", OpITM, 0, 0, {}},         {"PAU", OpPAU, 0, 0, {}},        {"CLR", OpCLR, 0, 0, {}},
        {"BZ0", OpBZ0, 0, 0, {}},          {"BZ1", OpBZ1, 0, 0, {}},        {"SSS", OpSSS, 0, 0, {}},
        {"EEE", OpEEE, 0, 0, {}},          {"RCV", OpRCV, 0, 0, {}},        {"SET", OpSET, 0, 0, {}},
        {"SND:R%0D%0A", OpSND, 0, 0, "R\r\n"},
        {"CHN:0", OpCHN, 0, 0, {}},        {"CHN:7", OpCHN, 7, 0, {}},      {"CHN:8", OpNone, 0, 0, {}},
        {"CHN:", OpNone, 0, 0, {}},        {"CHN", OpNone, 0, 0, {}},       {"CHN:10", OpNone, 0, 0, {}},
        {"CHN:a", OpNone, 0, 0, {}},       {"CHN:-1", OpNone, 0, 0, {}},
        // Rejected lines.
        {"snd:ABC", OpNone, 0, 0, {}},     {"PAU:1", OpNone, 0, 0, {}},     {"EEE:", OpNone, 0, 0, {}},
        {"pau", OpNone, 0, 0, {}},         {"SND:", OpNone, 0, 0, {}},      {"SND", OpNone, 0, 0, {}},
        {"SND:100%", OpNone, 0, 0, {}},    {"WTM:-1", OpNone, 0, 0, {}},    {"RTM:1e3", OpNone, 0, 0, {}},
        {"SCD:%", OpNone, 0, 0, {}},       {"SCD:%2", OpNone, 0, 0, {}},    {"XYZ", OpNone, 0, 0, {}},
        {"SSS ", OpNone, 0, 0, {}},        {"STMX", OpNone, 0, 0, {}},
    };
    for (const Case& c : cases) {
        const ScriptCommand cmd = encodeLine(QString::fromUtf8(c.line));
        EXPECT_EQ(cmd.code, c.code) << c.line;
        EXPECT_EQ(cmd.param, c.param) << c.line;
        EXPECT_EQ(cmd.value, Fixed4::fromInt(c.ms)) << c.line;
        EXPECT_EQ(sendBytes(cmd.text), c.wire) << c.line;
    }
}

TEST(EncodeCommand, DoubleByteCharacterCodeIsRefused) {
    // Start, delimiter and end codes are single bytes.
    EXPECT_EQ(encodeLine(QStringLiteral("DCD:、")).code, OpNone);
    EXPECT_EQ(encodeLine(QStringLiteral("DCD:ｱ")).param, 0xB1);
}

TEST(EncodeCommand, RejectedLineLeavesTheEntryAsItWas) {
    ScriptTables t;
    t.scriptTable.assign(2, ScriptCommand{});
    ASSERT_TRUE(encodeCommand(t, 0, "WTM:1"));
    EXPECT_FALSE(encodeCommand(t, 0, "WTM:x"));
    EXPECT_EQ(t.scriptTable[0].code, OpWTM);
    EXPECT_EQ(t.scriptTable[0].value, Fixed4::fromInt(1000));
    EXPECT_FALSE(encodeCommand(t, 2, "SSS"));  // outside the table
    EXPECT_FALSE(encodeCommand(t, -1, "SSS"));
}

TEST(EncodeCommand, MnemonicsAndOpcodesMatchBothWays) {
    for (int16_t code = 1; code <= OpSET; ++code) EXPECT_EQ(opcodeOf(mnemonicOf(code)), code);
    EXPECT_EQ(opcodeOf("Snd"), OpNone);
    EXPECT_TRUE(mnemonicOf(0).isEmpty());
}

}  // namespace
}  // namespace vel
