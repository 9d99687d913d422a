#include "engine/run_driver.h"

namespace vel {

RunDriver::RunDriver(Engine& engine, QObject* parent) : QObject(parent), engine_(engine) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    // Data from the line may end a receive wait: look again at once.
    engine_.afterReceiveEvent = [this] { schedule(); };
}

RunDriver::~RunDriver() { engine_.afterReceiveEvent = nullptr; }

void RunDriver::start() {
    overReported_ = false;
    timer_.start(0);
}

void RunDriver::continueAfterPause() {
    engine_.continueAfterPause();
    settle();
}

void RunDriver::stopConfirmed() {
    engine_.stopConfirmed();
    settle();
}

void RunDriver::stopNow() {
    if (engine_.running()) engine_.forceEnd();
    settle();
}

void RunDriver::tick() {
    pacedArmed_ = false;
    ++ticks_;
    engine_.timerTick();
    settle();
}

// After anything that may have changed the run: views, the end, the next tick.
void RunDriver::settle() {
    if (afterTick) afterTick();
    if (!engine_.running()) {
        timer_.stop();
        deadline_.stop();
        if (!overReported_ && engine_.runOver()) {
            overReported_ = true;
            if (runOver) runOver();
        }
        return;
    }
    schedule();
}

void RunDriver::schedule() {
    if (!engine_.running()) return;
    const TickPlan plan = engine_.nextTick();
    // Data from the line plans again at every arrival: a paced look keeps the
    // moment it was armed for, so that a line that never pauses (a flood
    // without an end code) cannot put it off for ever.
    if (plan.when == TickPlan::When::Paced && pacedArmed_ && timer_.isActive()) return;
    pacedArmed_ = false;
    timer_.stop();
    deadline_.stop();
    switch (plan.when) {
    case TickPlan::When::Now:
        timer_.start(0);
        break;
    case TickPlan::When::At:
        // Fixed4 counts ten-thousandths of a millisecond: 100 ns each.
        deadline_.start((plan.atMs - engine_.timer().timerNowMs()).raw * 100);
        break;
    case TickPlan::When::Paced:
        timer_.start(kUsualTickMs);
        pacedArmed_ = true;
        break;
    case TickPlan::When::Idle:
        break;
    }
}

}  // namespace vel
