#pragma once
// A fake / with the serial devices of a machine: an FTDI adapter with its
// stable by-id name, a second FTDI adapter known only to sysfs, a modem, two
// on-board ports with a UART and one without, and a by-id link an unplugged
// adapter left behind. Device nodes are plain files.
#include <QDir>
#include <QFile>

#include "support/temp_folder.h"

namespace vel::test {

struct FakeDeviceRoot {
    TempProgramFolder dir;
    QString root() const { return dir.folder.root; }

    FakeDeviceRoot() {
        for (const char* node : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS1", "ttyS10"})
            dir.write(QStringLiteral("dev/") + node, {});
        QDir().mkpath(dir.path("dev/serial/by-id"));
        QFile::link("../../ttyUSB0", dir.path("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0"));
        QFile::link("../../ttyUSB7", dir.path("dev/serial/by-id/usb-Prolific_gone-if00-port0"));
        for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS10", "4"}})
            dir.write(QStringLiteral("sys/class/tty/%1/type").arg(name), type);
        // A USB interface folder; the product is named by the device above it.
        const QString usb = "sys/devices/usb1/1-2";
        dir.write(usb + "/product", "FT232R USB UART\n");
        QDir().mkpath(dir.path(usb + "/1-2:1.0"));
        QDir().mkpath(dir.path("sys/bus/usb-serial/drivers/ftdi_sio"));
        QFile::link(dir.path("sys/bus/usb-serial/drivers/ftdi_sio"), dir.path(usb + "/1-2:1.0/driver"));
        QDir().mkpath(dir.path("sys/class/tty/ttyUSB1"));
        QFile::link(dir.path(usb + "/1-2:1.0"), dir.path("sys/class/tty/ttyUSB1/device"));
    }
};

}  // namespace vel::test
