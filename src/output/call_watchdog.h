#pragma once
// A time bound for blocking calls made on the caller's own thread. Before a
// call the caller arms the watchdog with a limit; if the call has not come
// back (disarm) when the limit runs out, the watchdog's thread runs the
// expiry action, which cuts the connection the call waits on, so that the
// call returns with an error. The calls themselves never leave the caller's
// thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace vel {

class CallWatchdog {
public:
    explicit CallWatchdog(std::function<void()> onExpiry);
    ~CallWatchdog();
    CallWatchdog(const CallWatchdog&) = delete;
    CallWatchdog& operator=(const CallWatchdog&) = delete;

    void arm(std::chrono::milliseconds limit);
    void disarm();
    // How many times the expiry action has run.
    int expiries() const;

private:
    void watch();

    std::function<void()> onExpiry_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    bool stopping_ = false;
    int expiries_ = 0;
    std::thread thread_;
};

// Arms a watchdog for one scope.
class ArmedCall {
public:
    ArmedCall(CallWatchdog& watchdog, std::chrono::milliseconds limit) : watchdog_(watchdog) { watchdog_.arm(limit); }
    ~ArmedCall() { watchdog_.disarm(); }
    ArmedCall(const ArmedCall&) = delete;
    ArmedCall& operator=(const ArmedCall&) = delete;

private:
    CallWatchdog& watchdog_;
};

}  // namespace vel
