// The nanosecond deadline timer: never before its time, soon after it, once;
// a new start replaces the pending one and a stop drops it.
#include "engine/deadline_timer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include <functional>

#include "support/event_spin.h"

namespace vel::test {
namespace {

TEST(DeadlineTimer, FiresOnceNotBeforeItsTime) {
    ensureCoreApplication();
    for (const int64_t ns : {int64_t{0}, int64_t{1'500'000}, int64_t{20'250'000}}) {
        int fired = 0;
        qint64 firedAfterNs = -1;
        QElapsedTimer clock;
        DeadlineTimer timer([&] {
            ++fired;
            firedAfterNs = clock.nsecsElapsed();
        });
        clock.start();
        timer.start(ns);
        ASSERT_TRUE(spinUntil([&] { return fired > 0; }, 2000)) << ns;
        EXPECT_GE(firedAfterNs, ns);
        EXPECT_LT(firedAfterNs, ns + 50'000'000) << "well within the event loop's latency";
        spinUntil([] { return false; }, 40);
        EXPECT_EQ(fired, 1) << ns;
    }
}

TEST(DeadlineTimer, ANewStartReplacesThePendingOneAndStopDropsIt) {
    ensureCoreApplication();
    int fired = 0;
    DeadlineTimer timer([&] { ++fired; });
    timer.start(5'000'000);
    timer.start(60'000'000);  // later: the first deadline is gone
    spinUntil([] { return false; }, 30);
    EXPECT_EQ(fired, 0);
    timer.stop();
    spinUntil([] { return false; }, 80);
    EXPECT_EQ(fired, 0);
    timer.start(1'000'000);
    EXPECT_TRUE(spinUntil([&] { return fired == 1; }, 2000));
}

TEST(DeadlineTimer, AnExpiryNotYetSeenIsDroppedByAStopOrANewStart) {
    ensureCoreApplication();
    const std::function<void(DeadlineTimer&)> thenWhat[] = {
        [](DeadlineTimer& t) { t.stop(); },
        [](DeadlineTimer& t) { t.start(60'000'000); },
    };
    for (const auto& then : thenWhat) {
        int fired = 0;
        DeadlineTimer timer([&] { ++fired; });
        timer.start(1);
        QThread::msleep(5);  // expired, the event loop not yet told
        then(timer);
        spinUntil([] { return false; }, 30);
        EXPECT_EQ(fired, 0);
    }
}

}  // namespace
}  // namespace vel::test
