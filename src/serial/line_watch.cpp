#include "serial/line_watch.h"

#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>

#include "serial/serial_port.h"

namespace vel {

std::vector<int> lineErrorEvents(const LineErrorCounts& before, const LineErrorCounts& after) {
    std::vector<int> events;
    if (after.breaks != before.breaks) events.push_back(CommErBreak);
    if (after.frames != before.frames) events.push_back(CommErFrame);
    if (after.overruns != before.overruns) events.push_back(CommErOverrun);
    if (after.bufferOverruns != before.bufferOverruns) events.push_back(CommErRxOver);
    if (after.parities != before.parities) events.push_back(CommErParity);
    return events;
}

std::vector<int> modemLineEvents(const ModemLines& before, const ModemLines& after) {
    std::vector<int> events;
    if (after.cts != before.cts) events.push_back(CommEvCts);
    if (after.dsr != before.dsr) events.push_back(CommEvDsr);
    if (after.cd != before.cd) events.push_back(CommEvCd);
    if (after.ring && !before.ring) events.push_back(CommEvRing);
    return events;
}

bool deviceHungUp(int fd) {
    if (fd < 0) return true;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) return false;  // interrupted: not a verdict on the device
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

std::optional<LineErrorCounts> readLineErrorCounts(int fd) {
    serial_icounter_struct ic{};
    if (fd < 0 || ::ioctl(fd, TIOCGICOUNT, &ic) != 0) return std::nullopt;
    LineErrorCounts c;
    c.breaks = ic.brk;
    c.frames = ic.frame;
    c.overruns = ic.overrun;
    c.bufferOverruns = ic.buf_overrun;
    c.parities = ic.parity;
    return c;
}

std::optional<ModemLines> readModemLines(int fd) {
    int bits = 0;
    if (fd < 0 || ::ioctl(fd, TIOCMGET, &bits) != 0) return std::nullopt;
    ModemLines m;
    m.cts = bits & TIOCM_CTS;
    m.dsr = bits & TIOCM_DSR;
    m.cd = bits & TIOCM_CD;
    m.ring = bits & TIOCM_RNG;
    return m;
}

void LineWatch::start(int fd) {
    fd_ = fd;
    counts_ = readLineErrorCounts(fd);
    modem_ = readModemLines(fd);
}

void LineWatch::stop() {
    fd_ = -1;
    counts_.reset();
    modem_.reset();
}

std::vector<int> LineWatch::poll() {
    std::vector<int> events;
    if (fd_ < 0) return events;
    if (counts_) {
        // A request that stops working (device gone) just ends this kind of report.
        const auto now = readLineErrorCounts(fd_);
        if (now) events = lineErrorEvents(*counts_, *now);
        counts_ = now;
    }
    if (modem_) {
        const auto now = readModemLines(fd_);
        if (now) {
            const auto more = modemLineEvents(*modem_, *now);
            events.insert(events.end(), more.begin(), more.end());
        }
        modem_ = now;
    }
    return events;
}

}  // namespace vel
