#pragma once
// The line settings string of a port: speed, parity letter, data bits and stop
// bits separated by commas, e.g. "9600,n,8,1" or "4800,e,7,1.5".
#include <QString>

#include <cstdint>
#include <optional>

namespace vel {

struct LineSettings {
    int speed = 9600;           // bits per second
    char parity = 'n';          // n none, e even, o odd, m mark, s space (always lower case)
    int dataBits = 8;           // 5..8
    QString stopBits = "1";     // "1", "1.5" or "2"
};

// Reads a settings string; blanks around the parts and the case of the parity
// letter do not matter. Nothing when the text is not a settings string the
// port can apply.
std::optional<LineSettings> parseLineSettings(const QString& text);

// A handshaking mode as a port keeps it: 0 none, 1 XON/XOFF, 2 RTS/CTS; the
// driver offers one flow control at a time, so both together (3) means
// RTS/CTS. Nothing for a mode out of range (the port keeps its own).
inline std::optional<int16_t> portHandshaking(int16_t mode) {
    if (mode < 0 || mode > 3) return std::nullopt;
    return static_cast<int16_t>(mode == 3 ? 2 : mode);
}

// The settings as the port reports them: parity letter in lower case.
QString formatLineSettings(const LineSettings& settings);

}  // namespace vel
