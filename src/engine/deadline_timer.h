#pragma once
// A single-shot timer armed to the nanosecond: a Linux timerfd on the
// monotonic clock, read by the event loop. Qt's own timers count whole
// milliseconds, so a deadline in between would always be passed by up to a
// millisecond; a cycle grid kept with this timer starts each cycle within
// the scheduler's wake-up latency of its grid point.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

namespace vel {

class DeadlineTimer : public QObject {
public:
    explicit DeadlineTimer(std::function<void()> onExpiry, QObject* parent = nullptr);
    ~DeadlineTimer() override;
    DeadlineTimer(const DeadlineTimer&) = delete;
    DeadlineTimer& operator=(const DeadlineTimer&) = delete;

    // Fires once, `nanoseconds` from now (at once for 0 or less); a new
    // start replaces the one pending.
    void start(int64_t nanoseconds);
    void stop();

private:
    std::function<void()> onExpiry_;
    int fd_ = -1;
    bool armed_ = false;  // a timerfd deadline is pending (stop costs nothing otherwise)
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer fallback_;  // where no timerfd can be made: whole milliseconds, rounded up
};

}  // namespace vel
