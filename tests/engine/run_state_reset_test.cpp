#include "engine/run_state_reset.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

// A run state as the end of a busy run leaves it: every field away from its default.
RunState usedRunState() {
    RunState s;
    s.running = true;
    s.paused = true;
    s.endRequested = true;
    s.stepIndex = 7;
    s.stepPhase = 1;
    s.loopStart = 3;
    s.lastExecutedCode = OpEEE;
    s.valueCount = 5;
    s.evaluatedCount = 4;
    s.cycleInterval = Fixed4::fromInt(1000);
    s.nextCycleMs = Fixed4::fromInt(123456);
    s.waitRemaining = Fixed4::fromRaw(5);
    s.runStartMs = Fixed4::fromInt(99);
    s.runStartDate = QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0));
    s.runEndDate = QDateTime(QDate(2024, 5, 1), QTime(11, 0, 0));
    s.beepOnReceive = true;
    for (int ch = 0; ch < kChannels; ++ch) {
        s.receiveBuffer[ch] = "12.5\r";
        s.startCode[ch] = 2;
        s.delimiterCode[ch] = 59;
        s.endCode[ch] = 10;
        s.receiveTimeout[ch] = Fixed4::fromInt(500);
        s.sendTimeout[ch] = Fixed4::fromInt(100);
    }
    return s;
}

TEST(ResetRunState, RestoresTheStartOfRunValuesOfChannelZero) {
    RunState s = usedRunState();
    resetRunState(s);

    EXPECT_EQ(s.startCode[0], 0);
    EXPECT_EQ(s.delimiterCode[0], 44);
    EXPECT_EQ(s.endCode[0], 13);
    EXPECT_EQ(s.receiveTimeout[0], Fixed4::fromInt(9'999'000));
    EXPECT_EQ(s.sendTimeout[0], Fixed4::fromInt(2'000));
    EXPECT_EQ(s.cycleInterval, Fixed4{});
    EXPECT_EQ(s.waitRemaining, Fixed4{});
    EXPECT_FALSE(s.beepOnReceive);
    EXPECT_EQ(s.loopStart, -1);
}

TEST(ResetRunState, LeavesWhatTheRunStartAndTheMainWindowOwn) {
    const RunState before = usedRunState();
    RunState s = before;
    resetRunState(s);

    EXPECT_EQ(s.lastExecutedCode, before.lastExecutedCode);  // belongs to the main window
    EXPECT_EQ(s.running, before.running);
    EXPECT_EQ(s.paused, before.paused);
    EXPECT_EQ(s.endRequested, before.endRequested);
    EXPECT_EQ(s.stepIndex, before.stepIndex);
    EXPECT_EQ(s.stepPhase, before.stepPhase);
    EXPECT_EQ(s.valueCount, before.valueCount);
    EXPECT_EQ(s.evaluatedCount, before.evaluatedCount);
    EXPECT_EQ(s.nextCycleMs, before.nextCycleMs);
    EXPECT_EQ(s.runStartMs, before.runStartMs);
    EXPECT_EQ(s.runStartDate, before.runStartDate);
    EXPECT_EQ(s.runEndDate, before.runEndDate);
    EXPECT_EQ(s.receiveBuffer, before.receiveBuffer);
    EXPECT_EQ(s.numberFormats, before.numberFormats);
    const RunState fresh;
    for (int ch = 1; ch < kChannels; ++ch) {  // every channel a script may select starts afresh
        EXPECT_EQ(s.startCode[ch], fresh.startCode[ch]) << ch;
        EXPECT_EQ(s.delimiterCode[ch], fresh.delimiterCode[ch]) << ch;
        EXPECT_EQ(s.endCode[ch], fresh.endCode[ch]) << ch;
        EXPECT_EQ(s.receiveTimeout[ch], fresh.receiveTimeout[ch]) << ch;
        EXPECT_EQ(s.sendTimeout[ch], fresh.sendTimeout[ch]) << ch;
    }
    EXPECT_EQ(s.channel, 0) << "a run starts on channel 0";
}

TEST(ResetRunState, PutsTheDefaultScriptAndClearedItemsInPlace) {
    RunState s = usedRunState();
    ScriptTables t;
    t.scriptTable.assign(9, ScriptCommand{OpSND, 0, Fixed4::fromInt(5), "X"});
    t.scriptCount = 8;
    t.dataItems[0].name = "Temp";
    t.dataItems[0].decimals = 2;
    t.dataItems[0].count = 12;
    t.dataItems[0].alarm = true;
    t.dataItems[0].maxSet = true;
    t.dataItems[258].valueText = "2024/05/01 12:00:00";

    resetRunState(s, t);

    EXPECT_EQ(s.loopStart, -1);
    ASSERT_EQ(t.scriptTable.size(), 5u);
    EXPECT_EQ(t.scriptCount, 4);
    const int16_t expected[] = {OpSSS, OpRCV, OpSET, OpEEE, OpNone};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(t.scriptTable[i].code, expected[i]) << i;
        EXPECT_TRUE(t.scriptTable[i].text.isEmpty()) << i;
    }
    EXPECT_NE(t.dataItems[0].name, QStringLiteral("Temp"));
    EXPECT_EQ(t.dataItems[0].count, 0);
    EXPECT_FALSE(t.dataItems[0].alarm);
    EXPECT_FALSE(t.dataItems[0].maxSet);
    EXPECT_TRUE(t.dataItems[258].valueText.isEmpty());
    EXPECT_EQ(t.dataItems[257].name, QStringLiteral("No."));
    EXPECT_EQ(t.dataItems[258].name, QStringLiteral("時間"));
}

}  // namespace
}  // namespace vel
