// Finding the serial devices of a machine in a fake / and linking one as a
// Com number of the program folder.
#include <QFileInfo>

#include <gtest/gtest.h>

#include "serial/port_device.h"
#include "serial/serial_devices.h"
#include "support/fake_device_root.h"

namespace vel {
namespace {

const QString kFtdiById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0";

TEST(SerialDevices, ByIdFirstThenAdaptersThenOnBoardPortsWithHardware) {
    test::FakeDeviceRoot fake;
    struct Want {
        QString path, node, description;
    };
    const Want want[] = {
        {kFtdiById, "/dev/ttyUSB0", "usb-FTDI_FT232R_USB_UART_A10K-if00-port0"},
        {"/dev/ttyUSB1", "/dev/ttyUSB1", "FT232R USB UART"},
        {"/dev/ttyACM0", "/dev/ttyACM0", "USB 通信機器"},
        {"/dev/ttyS0", "/dev/ttyS0", "内蔵シリアルポート"},
        {"/dev/ttyS10", "/dev/ttyS10", "内蔵シリアルポート"},
    };
    const QList<SerialDevice> got = presentSerialDevices(fake.root());
    ASSERT_EQ(got.size(), static_cast<qsizetype>(std::size(want)));
    for (size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(got[i].path, want[i].path) << i;
        EXPECT_EQ(got[i].node, want[i].node) << i;
        EXPECT_EQ(got[i].description, want[i].description) << i;
    }
}

TEST(SerialDevices, PresenceFollowsLinksBelowTheRoot) {
    test::FakeDeviceRoot fake;
    const std::pair<QString, bool> cases[] = {
        {"/dev/ttyUSB0", true},
        {kFtdiById, true},
        {"/dev/serial/by-id/usb-Prolific_gone-if00-port0", false},
        {"/dev/ttyS2", false},
        {"", false},
    };
    for (const auto& [device, present] : cases)
        EXPECT_EQ(serialDevicePresent(device, fake.root()), present) << device.toStdString();
}

TEST(SerialDevices, LinkingAComNumberReplacesWhatItReachedBefore) {
    test::TempProgramFolder home;
    EXPECT_EQ(comDevice(home.folder, 2), "/dev/ttyS1");
    EXPECT_EQ(linkComDevice(home.folder, 2, "/dev/pts/9"), "");  // dev/ is made on the way
    EXPECT_EQ(comDevice(home.folder, 2), "/dev/pts/9");
    EXPECT_EQ(linkComDevice(home.folder, 2, kFtdiById), "");
    EXPECT_EQ(QFileInfo(home.folder.comLink(2)).symLinkTarget(), kFtdiById);
    EXPECT_EQ(comDevice(home.folder, 1), "/dev/ttyS0");
}

}  // namespace
}  // namespace vel
