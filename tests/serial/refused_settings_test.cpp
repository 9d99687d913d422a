#include "serial/refused_settings.h"

#include <gtest/gtest.h>

#include "support/qstring_printer.h"

namespace vel {
namespace {

TEST(RefusedSettings, NamesEachRefusedSettingWithTheRequestedValue) {
    const QString lead = QStringLiteral("通信ポートが次の通信条件を受け付けませんでした: ");
    struct Case {
        QStringList refused;
        QString settings;
        int16_t handshaking;
        QString want;  // after the lead; empty: no line at all
    };
    const Case cases[] = {
        {{}, "9600,e,8,1", 0, {}},
        {{"parity"}, "9600,e,8,1", 0, "ﾊﾟﾘﾃｨ(Even)"},
        {{"parity"}, "9600,O,8,1", 0, "ﾊﾟﾘﾃｨ(Odd)"},
        {{"parity"}, "9600,n,8,1", 0, "ﾊﾟﾘﾃｨ(None)"},
        // In the order the port applies them, whatever order the keys come in.
        {{"parity", "data bits"}, "4800,e,7,1.5", 0, "ﾃﾞｰﾀ ﾋﾞｯﾄ(7)、ﾊﾟﾘﾃｨ(Even)"},
        {{"handshaking", "stop bits", "speed"}, "115200,n,8,1.5", 2,
         "通信速度(115200)、ｽﾄｯﾌﾟ ﾋﾞｯﾄ(1.5)、ﾌﾛｰ制御(RTS)"},
        {{"handshaking"}, "9600,n,8,1", 3, "ﾌﾛｰ制御(RTS)"},
        {{"handshaking"}, "9600,n,8,1", 1, "ﾌﾛｰ制御(Xon/Xoff)"},
        // A settings string the port cannot read: the names alone.
        {{"speed", "parity"}, "x,y,z,w", 0, "通信速度、ﾊﾟﾘﾃｨ"},
        // A key from a newer port is still reported rather than dropped.
        {{"break", "parity"}, "9600,o,8,1", 0, "ﾊﾟﾘﾃｨ(Odd)、break"},
    };
    for (const Case& c : cases) {
        const QString got = refusedSettingsLine(c.refused, c.settings, c.handshaking);
        EXPECT_EQ(got, c.want.isEmpty() ? QString() : lead + c.want) << c.refused.join(',').toStdString();
    }
}

}  // namespace
}  // namespace vel
