#include "output/call_watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace vel {
namespace {

using namespace std::chrono_literals;

TEST(CallWatchdog, CutsOnlyCallsThatOutliveTheirLimit) {
    std::atomic<int> cuts = 0;
    std::atomic<bool> cut = false;
    CallWatchdog watchdog([&] {
        ++cuts;
        cut = true;
    });

    {  // a call that comes back in time
        ArmedCall armed(watchdog, 200ms);
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(cuts, 0);

    {  // a call that waits until it is cut, as a call on a cut connection does
        ArmedCall armed(watchdog, 50ms);
        const auto start = std::chrono::steady_clock::now();
        while (!cut && std::chrono::steady_clock::now() - start < 5s) std::this_thread::sleep_for(1ms);
        EXPECT_TRUE(cut);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    }
    EXPECT_EQ(cuts, 1);
    EXPECT_EQ(watchdog.expiries(), 1);

    // Re-armed calls get their own limit; a disarmed one is never cut later.
    for (int i = 0; i < 20; ++i) {
        ArmedCall armed(watchdog, 100ms);
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(cuts, 1);
}

}  // namespace
}  // namespace vel
