#pragma once
// What the main window does with setup.dat before its start button, for a
// station started without the window (velloran-cli, the line overview).
#include "base/message_box.h"
#include "engine/engine.h"
#include "serial/serial_port.h"

namespace vel {

// Reads setup.dat onto the engine's record and the port, passes it through
// the window's fields (which corrects values out of range) and takes the
// panels back as the start button does; opens the workbook when it is
// switched on.
void prepareUnattendedRun(Engine& engine, SerialPort& port, MessageBox& messages);

}  // namespace vel
