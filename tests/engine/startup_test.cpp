#include "engine/startup.h"

#include <gtest/gtest.h>

#include "support/manual_clock.h"
#include "support/recording_message_box.h"

namespace vel {
namespace {

TEST(StartUp, GoesOnWithAWorkingClock) {
    test::ManualClock clock;
    Timer timer(clock);
    test::RecordingMessageBox messages;
    RunState state;
    for (QString& b : state.receiveBuffer) b = "left over";
    state.numberFormats.fill(QString());

    bool buffersEmptyAtRotation = false;
    int rotations = 0;
    const bool ok = startUp(timer, messages, state, [&] {
        ++rotations;
        buffersEmptyAtRotation = true;
        for (const QString& b : state.receiveBuffer) buffersEmptyAtRotation &= b.isEmpty();
    });

    EXPECT_TRUE(ok);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(timer.timerReady());
    EXPECT_EQ(rotations, 1);
    EXPECT_TRUE(buffersEmptyAtRotation);
    for (const QString& b : state.receiveBuffer) EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(state.numberFormats[0], QStringLiteral("#0"));
    EXPECT_EQ(state.numberFormats[3], QStringLiteral("#0.000"));
    EXPECT_EQ(state.numberFormats[9], QStringLiteral("#0.000000000"));
}

TEST(StartUp, EndsWithTheNoClockMessageWhenTheCounterFails) {
    test::ManualClock clock;
    clock.counterWorks = false;
    Timer timer(clock);
    test::RecordingMessageBox messages;
    RunState state;
    state.receiveBuffer[0] = "kept";
    int rotations = 0;

    EXPECT_FALSE(startUp(timer, messages, state, [&] { ++rotations; }));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0],
              QStringLiteral("このプログラムは、このPCでは動作できません。（高精度タイマーが使用できない為）"));
    EXPECT_FALSE(timer.timerReady());
    EXPECT_EQ(rotations, 0);  // nothing after the clock step runs
    EXPECT_EQ(state.receiveBuffer[0], QStringLiteral("kept"));
}

TEST(StartUp, AcceptsAClockThatIsAlreadyPrepared) {
    test::ManualClock clock;
    Timer timer(clock);
    ASSERT_TRUE(timer.timerInit());
    test::RecordingMessageBox messages;
    RunState state;

    EXPECT_TRUE(startUp(timer, messages, state));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST(Timer, PreparesOnceAndReadsMilliseconds) {
    test::ManualClock clock;
    Timer timer(clock);
    EXPECT_EQ(timer.timerNowMs(), Fixed4{});  // not prepared: no reading
    ASSERT_TRUE(timer.timerInit());
    EXPECT_EQ(timer.counterFrequency(), 10'000'000);
    EXPECT_FALSE(timer.timerInit());
    EXPECT_EQ(timer.counterFrequency(), 10'000'000);

    struct Step { double advanceMs; int64_t raw; };
    const Step steps[] = {{0, 0}, {1.5, 15'000}, {0.0001, 15'001}, {10'000'000, 100'000'015'001}};
    Fixed4 previous = timer.timerNowMs();
    for (const Step& s : steps) {
        clock.advanceMs(s.advanceMs);
        const Fixed4 now = timer.timerNowMs();
        EXPECT_EQ(now.raw, s.raw) << s.advanceMs;
        EXPECT_GE(now, previous);
        previous = now;
    }
}

}  // namespace
}  // namespace vel
