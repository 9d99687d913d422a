#pragma once
// Slot 0 of the record and the channel-0 port object. Written for any type
// with the port object's accessors (the serial layer's SerialPort, or a test
// double), so the settings store needs nothing from the serial layer.
#include "settings/setup_dat_file.h"

namespace vel {

// What saveSettings copies into slot 0.
template <typename Port>
PortSlot portSlotOf(const Port& port) {
    return PortSlot{port.portNumber(), port.settings(), port.handshaking()};
}

// What loadSettings hands slot 0 to: port number, settings string and
// handshaking in that order, stopping at the first value the port object
// cannot take. Port numbers start at 1 (a record that never saw a port holds
// 0); handshaking codes are 0..3; the settings string is refused when the
// port cannot parse it.
template <typename Port>
ConfigurePort configurePortOf(Port& port) {
    return [&port](const PortSlot& slot) {
        if (slot.portNumber < 1) return false;
        port.setPortNumber(slot.portNumber);
        if (!port.setSettings(slot.settings)) return false;
        if (slot.handshaking < 0 || slot.handshaking > 3) return false;
        port.setHandshaking(slot.handshaking);
        return true;
    };
}

}  // namespace vel
