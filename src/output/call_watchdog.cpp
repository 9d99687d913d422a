#include "output/call_watchdog.h"

namespace vel {

CallWatchdog::CallWatchdog(std::function<void()> onExpiry)
    : onExpiry_(std::move(onExpiry)), thread_([this] { watch(); }) {}

CallWatchdog::~CallWatchdog() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CallWatchdog::arm(std::chrono::milliseconds limit) {
    {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + limit;
    }
    wake_.notify_all();
}

void CallWatchdog::disarm() {
    std::lock_guard lock(mutex_);
    deadline_.reset();
}

int CallWatchdog::expiries() const {
    std::lock_guard lock(mutex_);
    return expiries_;
}

void CallWatchdog::watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!deadline_) {
            wake_.wait(lock);
            continue;
        }
        const auto deadline = *deadline_;
        if (wake_.wait_until(lock, deadline) == std::cv_status::no_timeout) continue;
        // Still the same call and still not back: cut it, outside the lock
        // so that the caller can disarm meanwhile.
        if (!deadline_ || *deadline_ != deadline) continue;
        deadline_.reset();
        ++expiries_;
        lock.unlock();
        if (onExpiry_) onExpiry_();
        lock.lock();
    }
}

}  // namespace vel
