#pragma once
// A clock the test steps by hand: the counter runs at 10 MHz so one count is
// one Fixed4 unit (0.0001 ms), and the wall clock moves with it.
#include "base/clock.h"

namespace vel::test {

class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0)))
        : start_(start) {}

    bool readCounter(int64_t& counts) override {
        if (!counterWorks) return false;
        counts = counts_;
        return true;
    }
    int64_t counterFrequency() override { return counterWorks ? 10'000'000 : 0; }
    QDateTime localNow() override { return start_.addMSecs(counts_ / 10'000); }

    void advanceMs(double ms) { counts_ += static_cast<int64_t>(ms * 10'000); }
    void setMs(double ms) { counts_ = static_cast<int64_t>(ms * 10'000); }
    double nowMs() const { return static_cast<double>(counts_) / 10'000; }

    bool counterWorks = true;

private:
    QDateTime start_;
    int64_t counts_ = 0;
};

}  // namespace vel::test
