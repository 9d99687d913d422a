#pragma once
// The two clocks of the program behind one small interface: a monotonic
// high-resolution counter (the only time base for waits, cycle grids and the
// acquisition-time limit) and the local wall clock (time stamps in logs, CSV,
// mail). The program uses SystemClock; tests use ManualClock (tests/support).
#include <QDateTime>
#include <cstdint>

#include "base/fixed4.h"

namespace vel {

class Clock {
public:
    virtual ~Clock() = default;
    // Reads the high-resolution counter; false when it cannot be read.
    virtual bool readCounter(int64_t& counts) = 0;
    // Counts per second of the counter; 0 when there is no usable counter.
    virtual int64_t counterFrequency() = 0;
    // The current local date and time.
    virtual QDateTime localNow() = 0;
};

// The clock module: timerInit once at start-up, then timerNowMs everywhere.
class Timer {
public:
    explicit Timer(Clock& clock) : clock_(clock) {}

    // Prepares the clock. A second call returns false and keeps the first frequency.
    bool timerInit() {
        if (timerReady_) return false;
        int64_t probe = 0;
        if (!clock_.readCounter(probe)) return false;
        clock_.readCounter(probe);
        const int64_t freq = clock_.counterFrequency();
        if (freq <= 0) return false;
        counterFrequency_ = freq;
        timerReady_ = true;
        return true;
    }

    // Current counter reading in milliseconds (counter * 1000 / frequency),
    // computed in integers so that no precision is lost on long runs.
    Fixed4 timerNowMs() const {
        int64_t counts = 0;
        clock_.readCounter(counts);
        if (counterFrequency_ <= 0) return Fixed4{};
        const __int128 raw = static_cast<__int128>(counts) * 1000 * Fixed4::kScale / counterFrequency_;
        return Fixed4::fromRaw(static_cast<int64_t>(raw));
    }

    QDateTime localNow() const { return clock_.localNow(); }

    bool timerReady() const { return timerReady_; }
    int64_t counterFrequency() const { return counterFrequency_; }

private:
    Clock& clock_;
    bool timerReady_ = false;
    int64_t counterFrequency_ = 0;
};

}  // namespace vel
