#pragma once
// The program's clock: std::chrono::steady_clock in nanoseconds and the
// local wall clock.
#include <chrono>

#include "base/clock.h"

namespace vel {

class SystemClock : public Clock {
public:
    bool readCounter(int64_t& counts) override {
        counts = std::chrono::duration_cast<std::chrono::nanoseconds>(
                     std::chrono::steady_clock::now().time_since_epoch()).count();
        return true;
    }
    int64_t counterFrequency() override { return 1'000'000'000; }
    QDateTime localNow() override { return QDateTime::currentDateTime(); }
};

}  // namespace vel
