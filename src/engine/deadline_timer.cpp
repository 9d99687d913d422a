#include "engine/deadline_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

namespace vel {
namespace {

// Arms (ns > 0) or disarms (ns == 0) a timerfd once, `ns` from now. The
// timer setting's type is taken from timerfd_settime itself.
template <typename Setting>
bool setTimer(int fd, int64_t ns, int (*settime)(int, int, const Setting*, Setting*)) {
    Setting setting{};
    setting.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    setting.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    return settime(fd, 0, &setting, nullptr) == 0;
}

}  // namespace

DeadlineTimer::DeadlineTimer(std::function<void()> onExpiry, QObject* parent)
    : QObject(parent), onExpiry_(std::move(onExpiry)) {
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    connect(&fallback_, &QTimer::timeout, this, [this] { onExpiry_(); });
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        uint64_t expirations = 0;
        if (::read(fd_, &expirations, sizeof expirations) != static_cast<ssize_t>(sizeof expirations)) return;
        armed_ = false;
        onExpiry_();
    });
}

DeadlineTimer::~DeadlineTimer() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

// Setting a timerfd replaces its earlier setting and drops an expiry not yet
// read, so neither a new start nor a stop needs a read of its own: a
// notification already on its way finds nothing to read and is ignored.
void DeadlineTimer::start(int64_t nanoseconds) {
    fallback_.stop();
    if (fd_ < 0) {
        const int64_t ms = (std::max<int64_t>(nanoseconds, 0) + 999'999) / 1'000'000;
        fallback_.start(static_cast<int>(std::min<int64_t>(ms, std::numeric_limits<int>::max())));
        return;
    }
    // A zero it_value would disarm the timer: the earliest is one nanosecond.
    armed_ = setTimer(fd_, std::max<int64_t>(nanoseconds, 1), ::timerfd_settime);
}

void DeadlineTimer::stop() {
    fallback_.stop();
    if (fd_ < 0 || !armed_) return;
    armed_ = false;
    setTimer(fd_, 0, ::timerfd_settime);
}

}  // namespace vel
