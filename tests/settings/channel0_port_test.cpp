#include "settings/channel0_port.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

// The port object's accessors; settings strings need four comma-separated parts.
struct FakePort {
    int16_t number = 1;
    QString line = QStringLiteral("9600,n,8,1");
    int16_t mode = 0;

    void setPortNumber(int16_t n) { number = n; }
    int16_t portNumber() const { return number; }
    bool setSettings(const QString& s) {
        if (s.split(QLatin1Char(',')).size() != 4) return false;
        line = s;
        return true;
    }
    QString settings() const { return line; }
    void setHandshaking(int16_t h) { mode = h; }
    int16_t handshaking() const { return mode; }
};

TEST(Channel0Port, LoadedSlotConfiguresThePortUntilARefusal) {
    struct Case {
        const char* what; PortSlot slot; bool accepted;
        int16_t number; QString line; int16_t mode;
    };
    const Case cases[] = {
        {"all taken", {3, "19200,o,8,2", 3}, true, 3, "19200,o,8,2", 3},
        {"port 0 refused first", {0, "19200,o,8,2", 2}, false, 1, "9600,n,8,1", 0},
        {"bad settings stop before handshaking", {4, "", 2}, false, 4, "9600,n,8,1", 0},
        {"handshaking out of range", {5, "4800,e,7,1.5", 9}, false, 5, "4800,e,7,1.5", 0},
    };
    for (const Case& c : cases) {
        FakePort port;
        EXPECT_EQ(configurePortOf(port)(c.slot), c.accepted) << c.what;
        EXPECT_EQ(port.number, c.number) << c.what;
        EXPECT_EQ(port.line, c.line) << c.what;
        EXPECT_EQ(port.mode, c.mode) << c.what;
    }
    FakePort port{7, "300,e,7,2", 1};
    const PortSlot slot = portSlotOf(port);
    EXPECT_EQ(slot.portNumber, 7);
    EXPECT_EQ(slot.settings, "300,e,7,2");
    EXPECT_EQ(slot.handshaking, 1);
}

}  // namespace
}  // namespace vel
