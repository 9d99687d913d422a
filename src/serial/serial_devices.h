#pragma once
// The serial devices present on this machine, for choosing what "Com N"
// reaches: the stable names in /dev/serial/by-id first (they survive
// re-plugging a USB adapter into another socket), then the USB adapters
// (ttyUSB*, ttyACM*) and the on-board ports (ttyS*) that have hardware behind
// them. `root` is prefixed to /dev and /sys so that tests use fake folders;
// the paths returned never carry it.
#include <QList>
#include <QString>

#include "base/program_folder.h"

namespace vel {

struct SerialDevice {
    QString path;         // what dev/comN links to: /dev/serial/by-id/NAME or /dev/ttyUSB0
    QString node;         // the device node it reaches: /dev/ttyUSB0
    QString description;  // the by-id name, the product from sysfs, or the kind of port in Japanese
};

QList<SerialDevice> presentSerialDevices(const QString& root = {});

// Whether a device path (a link is followed) exists below `root`.
bool serialDevicePresent(const QString& device, const QString& root = {});

// Points dev/comN of the program folder at `device`, replacing what was there.
// Returns an empty string, or why the link could not be made.
QString linkComDevice(const ProgramFolder& folder, int number, const QString& device);

}  // namespace vel
