#pragma once
// Line errors and modem-line changes of an open serial device, read from the
// driver's error counters and modem status and turned into communication
// event codes. Devices that cannot report them (a pseudo-terminal) simply
// produce no events.
#include <optional>
#include <vector>

namespace vel {

// The driver's running error counts.
struct LineErrorCounts {
    long breaks = 0;
    long frames = 0;
    long overruns = 0;      // characters lost in the UART
    long bufferOverruns = 0;  // characters lost because the driver's buffer was full
    long parities = 0;
};

// Modem status lines as booleans.
struct ModemLines {
    bool cts = false;
    bool dsr = false;
    bool cd = false;
    bool ring = false;
};

// Event codes for what changed between two readings, one code per kind,
// errors first. A ring is reported when the ring line comes on.
std::vector<int> lineErrorEvents(const LineErrorCounts& before, const LineErrorCounts& after);
std::vector<int> modemLineEvents(const ModemLines& before, const ModemLines& after);

// Whether an open device has hung up (unplugged, or the other side of a
// pseudo-terminal closed): a failed read alone does not say so.
bool deviceHungUp(int fd);

// Reading the device. Nothing when the device does not support the request.
std::optional<LineErrorCounts> readLineErrorCounts(int fd);
std::optional<ModemLines> readModemLines(int fd);

// Keeps the last readings of one device and reports what changed since.
class LineWatch {
public:
    // Takes the first readings; events are reported relative to them.
    void start(int fd);
    void stop();
    // True while at least one of the two readings is supported.
    bool active() const { return fd_ >= 0 && (counts_ || modem_); }
    std::vector<int> poll();

private:
    int fd_ = -1;
    std::optional<LineErrorCounts> counts_;
    std::optional<ModemLines> modem_;
};

}  // namespace vel
