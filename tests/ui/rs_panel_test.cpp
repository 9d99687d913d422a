// The serial panel: how a port's settings select the list entries, what OK
// writes into the port, what a refused port change leaves behind, how
// settings the open device refused are shown, and where each channel's
// choices are kept.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <map>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/fake_device_root.h"
#include "ui/rs_choices.h"
#include "ui/rs_panel.h"
#include "ui_rig.h"

namespace vel {
namespace {

TEST(RsChoices, SettingsStringSelectsTheEntries) {
    struct Case {
        QString settings;
        int port;
        int handshaking;
        ui::RsSelection want;
        int handshakingAfter;
    };
    const Case cases[] = {
        {"9600,n,8,1", 1, 0, {"9600", 2, "8", "1", 0, 0}, 0},
        {"4800,e,7,1.5", 16, 1, {"4800", 0, "7", "1.5", 15, 1}, 1},
        {"115200,o,8,2", 3, 3, {"115200", 1, "8", "2", 2, 2}, 2},
        {"9600,N,8,1", 0, 2, {"9600", -1, "8", "1", -1, 2}, 2},  // upper-case parity is not matched
        {"", 17, 5, {"", -1, "", "", -1, -1}, 5},
    };
    for (const Case& c : cases) {
        int handshaking = c.handshaking;
        const ui::RsSelection got = ui::selectionFor(c.settings, c.port, handshaking);
        const std::string what = c.settings.toStdString();
        EXPECT_EQ(got.speed, c.want.speed) << what;
        EXPECT_EQ(got.parityIndex, c.want.parityIndex) << what;
        EXPECT_EQ(got.dataBits, c.want.dataBits) << what;
        EXPECT_EQ(got.stopBits, c.want.stopBits) << what;
        EXPECT_EQ(got.portIndex, c.want.portIndex) << what;
        EXPECT_EQ(got.flowIndex, c.want.flowIndex) << what;
        EXPECT_EQ(handshaking, c.handshakingAfter) << what;
    }
    EXPECT_EQ(ui::settingsFromLists(" 19200 ", "Odd", "8", "2"), "19200,O,8,2");
}

struct RsRig : test::FormRig {
    ui::RsPanel* rs() { return window->rsPanel(); }
    void choose(const char* port, const char* speed, const char* parity, const char* bits, const char* stop,
                const char* flow) {
        rs()->cboPort->setCurrentText(port);
        rs()->cboSpeed->setCurrentText(speed);
        rs()->cboParity->setCurrentText(parity);
        rs()->cboDataBits->setCurrentText(bits);
        rs()->cboStopBits->setCurrentText(stop);
        rs()->cboFlow->setCurrentText(flow);
    }
};

TEST(RsPanel, OkWritesTheChoicesIntoThePort) {
    RsRig rig;
    rig.load();
    EXPECT_EQ(rig.rs()->cboPort->count(), 16);
    EXPECT_EQ(rig.rs()->cboSpeed->count(), 10);
    rig.window->openRsPanel();
    rig.choose("Com3", "19200", "Odd", "8", "2", "Xon/Xoff");
    EXPECT_EQ(rig.find<QLabel>("LabelPortDevice")->text(), "→ /dev/ttyS2");
    rig.window->commandRsOk();
    EXPECT_EQ(rig.port.portNumber(), 3);
    EXPECT_EQ(rig.port.settings(), "19200,O,8,2");
    EXPECT_EQ(rig.port.handshaking(), 1);
    EXPECT_TRUE(rig.box.shown.isEmpty());
    EXPECT_TRUE(rig.find<QWidget>("FrameMain")->isVisible());
}

TEST(RsPanel, CancelLeavesThePortAndKeepsTheLists) {
    RsRig rig;
    rig.load();
    rig.window->openRsPanel();
    rig.choose("Com5", "300", "Even", "7", "1.5", "RTS");
    rig.window->commandRsNg();
    EXPECT_EQ(rig.port.portNumber(), 1);
    EXPECT_EQ(rig.port.settings(), "9600,n,8,1");
    EXPECT_EQ(rig.port.handshaking(), 0);
    EXPECT_EQ(rig.rs()->cboPort->currentText(), "Com5");
}

TEST(RsPanel, RefusedReopenRestoresThePortNumberAndKeepsThePanelOpen) {
    RsRig rig;
    rig.load();
    ASSERT_TRUE(rig.port.open());  // left open by a run that ended by itself
    rig.window->openRsPanel();
    rig.choose("Com2", "9600", "None", "8", "1", "None");
    rig.port.canOpen = false;
    rig.window->commandRsOk();
    ASSERT_EQ(rig.box.shown.size(), 1);
    EXPECT_TRUE(rig.box.shown[0].contains("Com2")) << rig.box.shown[0].toStdString();
    EXPECT_EQ(rig.port.portNumber(), 1);
    EXPECT_TRUE(rig.find<QWidget>("FrameRs")->isVisible());
}

TEST(RsPanel, PortChangeOnAnOpenPortReopensOnTheNewNumber) {
    RsRig rig;
    rig.load();
    ASSERT_TRUE(rig.port.open());
    rig.window->openRsPanel();
    rig.choose("Com4", "9600", "None", "8", "1", "None");
    rig.window->commandRsOk();
    EXPECT_TRUE(rig.box.shown.isEmpty());
    EXPECT_EQ(rig.port.portNumber(), 4);
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.port.closes, 1);
}

TEST(RsPanel, SettingsTheOpenPortRefusesAreShownOnOkAndUnderTheDevice) {
    const QString line = QStringLiteral("通信ポートが次の通信条件を受け付けませんでした: ﾃﾞｰﾀ ﾋﾞｯﾄ(7)、ﾊﾟﾘﾃｨ(Even)");
    struct Case {
        const char* what;
        bool open;
        QStringList refuses;
        QString shown;  // warning on OK and the line under the device; empty: neither
    };
    const Case cases[] = {
        {"open, all taken", true, {}, {}},
        {"open, two refused", true, {"parity", "data bits"}, line},
        {"closed: nothing is known yet", false, {"parity", "data bits"}, {}},
    };
    for (const Case& c : cases) {
        RsRig rig;
        rig.load();
        if (c.open) {
            ASSERT_TRUE(rig.port.open());
        }
        rig.port.refuses = c.refuses;
        rig.window->openRsPanel();
        rig.choose("Com1", "9600", "Even", "7", "1", "None");
        rig.window->commandRsOk();
        EXPECT_EQ(rig.port.settings(), "9600,E,7,1") << c.what;  // written whatever the device takes
        EXPECT_EQ(rig.box.shown, c.shown.isEmpty() ? QStringList{} : QStringList{c.shown}) << c.what;
        EXPECT_TRUE(rig.find<QWidget>("FrameMain")->isVisible()) << c.what;

        QLabel* refused = rig.find<QLabel>("LabelRefused");
        rig.window->openRsPanel();  // the line stays under the device while the port runs so
        EXPECT_EQ(refused->text(), c.shown) << c.what;
        EXPECT_EQ(rig.find<QLabel>("LabelPortDevice")->text(), "→ /dev/ttyS0") << c.what;
        rig.window->commandRsNg();
        rig.port.close();  // e.g. at the end of a run
        rig.window->openRsPanel();
        EXPECT_TRUE(refused->text().isEmpty()) << c.what;
    }
}

}  // namespace
}  // namespace vel

namespace vel {
namespace {

TEST(RsPanel, ShowsWhereEachComGoesAndLinksAPresentDevice) {
    test::FakeDeviceRoot fake;
    RsRig rig;
    rig.window->context().deviceRoot = fake.root();
    rig.load();
    rig.window->openRsPanel();
    auto* table = rig.find<QTreeWidget>("ListComDevices");
    ASSERT_EQ(table->topLevelItemCount(), 16);
    const std::tuple<int, QString, QString> rows[] = {
        {0, "/dev/ttyS0", "あり"}, {2, "/dev/ttyS2", "なし"}, {10, "/dev/ttyS10", "あり"}};
    for (const auto& [row, device, state] : rows) {
        EXPECT_EQ(table->topLevelItem(row)->text(0), QStringLiteral("Com%1").arg(row + 1));
        EXPECT_EQ(table->topLevelItem(row)->text(1), device);
        EXPECT_EQ(table->topLevelItem(row)->text(2), state);
    }
    rig.rs()->cboPort->setCurrentText("Com3");
    EXPECT_EQ(rig.find<QLabel>("LabelPortMissing")->text(), "（見つかりません）");
    rig.rs()->cboPort->setCurrentText("Com1");
    EXPECT_EQ(rig.find<QLabel>("LabelPortMissing")->text(), "");

    QComboBox* present = rig.find<QComboBox>("cboDevice");
    QStringList paths;
    for (int i = 0; i < present->count(); ++i) paths << present->itemData(i).toString();
    EXPECT_EQ(paths, QStringList({"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0", "/dev/ttyUSB1",
                                  "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS10"}));
    // A by-id name readable at both ends, whole in the tool tip; ports named
    // in words, never by their kernel driver.
    for (int i = 0; i < present->count(); ++i) {
        const QString text = present->itemText(i);
        EXPECT_LE(QFontMetrics(present->font()).horizontalAdvance(text), present->width()) << text.toStdString();
        EXPECT_TRUE(present->itemData(i, Qt::ToolTipRole).toString().startsWith(paths[i])) << i;
    }
    EXPECT_TRUE(present->itemText(0).startsWith("usb-FTDI")) << present->itemText(0).toStdString();
    EXPECT_TRUE(present->itemText(0).endsWith("port0")) << present->itemText(0).toStdString();
    EXPECT_EQ(present->itemText(3), "/dev/ttyS0　内蔵シリアルポート");

    rig.rs()->cboPort->setCurrentText("Com3");
    present->setCurrentIndex(0);
    rig.find<QPushButton>("CommandDeviceLink")->click();
    EXPECT_EQ(QFileInfo(rig.engine.platform().folder.comLink(3)).symLinkTarget(), paths[0]);
    EXPECT_TRUE(rig.box.shown.isEmpty());
    // Linking is not a port choice: Cancel still leaves the port as it was.
    rig.window->commandRsNg();
    EXPECT_EQ(rig.port.portNumber(), 1);
}

// A socket on 127.0.0.1 that listens (or, closed, a port nobody answers on).
struct Listener {
    Listener() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 4) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
            port = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd); }
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
};

TEST(RsPanel, ANetworkComShowsItsUrlAndWhetherItAnswers) {
    test::FakeDeviceRoot fake;
    RsRig rig;
    rig.window->context().deviceRoot = fake.root();
    Listener answering;
    int silent = 0;
    {
        Listener closed;
        silent = closed.port;
    }
    const QString tcp = QStringLiteral("tcp://127.0.0.1:%1").arg(answering.port);
    const QString rfc = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent);
    rig.port.networkUrls = {{4, tcp}, {5, rfc}};
    rig.load();
    rig.window->openRsPanel();
    auto* table = rig.find<QTreeWidget>("ListComDevices");
    const std::tuple<int, QString, QString> rows[] = {{3, tcp, "応答あり"}, {4, rfc, "応答なし"}, {0, "/dev/ttyS0", "あり"}};
    for (const auto& [row, device, state] : rows) {
        EXPECT_EQ(table->topLevelItem(row)->text(1), device);
        EXPECT_EQ(table->topLevelItem(row)->text(2), state) << device.toStdString();
    }
    rig.rs()->cboPort->setCurrentText("Com4");
    EXPECT_EQ(rig.find<QLabel>("LabelPortMissing")->text(), "（tcp:// は通信条件を使いません）");
    rig.rs()->cboPort->setCurrentText("Com5");
    EXPECT_EQ(rig.find<QLabel>("LabelPortMissing")->text(), "");
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

// The port list's entry, or the text standing for a port it has no entry for.
QString shownPort(const RsRig& rig) {
    const QComboBox* list = rig.window->rsPanel()->cboPort;
    return list->currentIndex() >= 0 ? list->currentText() : list->placeholderText();
}

TEST(RsPanel, ChannelsOtherThan0AreKeptInVelloranIniAndChannel0InSetupDat) {
    // setup.dat after Cancel (0) or OK (1) on the panel as it opens.
    QByteArray untouchedSetup[2];
    for (int ok = 0; ok < 2; ++ok) {
        RsRig rig;
        rig.load();
        rig.window->openRsPanel();
        ok ? rig.window->commandRsOk() : rig.window->commandRsNg();
        rig.window->close();
        untouchedSetup[ok] = fileBytes(rig.tmp.folder.setupDat());
    }
    const QByteArray held =
        "[channel3]\nport=5\nlineSettings=4800,o,8,2\n[channel4]\nport=20\nlineSettings=9600,N,8,1\n";
    auto channel = [](RsRig& rig, const char* n) { rig.rs()->cboChannel->setCurrentText(n); };
    struct Case {
        const char* what;
        QByteArray iniBefore;                 // empty: no file
        std::function<void(RsRig&)> edit;     // on the open panel
        bool ok;                              // OK, else Cancel
        std::map<QString, QString> iniAfter;  // empty value: no such key; no keys: the file unchanged
        bool setupChanged;
    };
    const Case cases[] = {
        {"channel 2 gets a port", {}, [&](RsRig& rig) {
             channel(rig, "2");
             EXPECT_EQ(shownPort(rig), "なし");
             rig.choose("Com3", "19200", "Even", "7", "1", "None");
         }, true, {{"channel2/port", "3"}, {"channel2/lineSettings", "19200,e,7,1"}, {"channel1/port", ""}}, false},
        {"channel 0 reaches setup.dat only", {}, [](RsRig& rig) { rig.choose("Com4", "9600", "None", "8", "1", "None"); },
         true, {}, true},
        {"a cleared channel loses its section, the others stay as held", held, [&](RsRig& rig) {
             channel(rig, "3");
             EXPECT_EQ(shownPort(rig) + rig.rs()->cboSpeed->currentText(), "Com54800");
             channel(rig, "4");
             EXPECT_EQ(shownPort(rig), "Com20");  // beyond the list
             channel(rig, "3");
             rig.rs()->commandPortClear->click();
         }, true, {{"channel3/port", ""}, {"channel4/port", "20"}, {"channel4/lineSettings", "9600,N,8,1"}}, false},
        {"cancel forgets every channel's edits", held, [&](RsRig& rig) {
             channel(rig, "3");
             rig.rs()->commandPortClear->click();
             channel(rig, "6");
             rig.choose("Com9", "300", "Odd", "8", "2", "None");
         }, false, {}, false},
    };
    for (const Case& c : cases) {
        RsRig rig;
        const QString ini = rig.tmp.folder.extensionIni();
        QFile file(ini);
        if (!c.iniBefore.isEmpty()) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.iniBefore) > 0);
            file.close();
        }
        const QByteArray iniBefore = fileBytes(ini);
        rig.load();
        rig.window->openRsPanel();
        c.edit(rig);
        c.ok ? rig.window->commandRsOk() : rig.window->commandRsNg();
        EXPECT_TRUE(rig.box.shown.isEmpty()) << c.what;
        if (c.iniAfter.empty()) {
            EXPECT_EQ(fileBytes(ini), iniBefore) << c.what;
        }
        const QSettings saved(ini, QSettings::IniFormat);
        for (const auto& [key, value] : c.iniAfter)
            EXPECT_EQ(saved.value(key).toString(), value) << c.what << ": " << key.toStdString();
        // Opened again: channel 0, and the other channels as the file holds them.
        rig.window->openRsPanel();
        EXPECT_EQ(rig.rs()->cboChannel->currentText(), "0") << c.what;
        channel(rig, "3");
        EXPECT_EQ(shownPort(rig), saved.contains("channel3/port") ? "Com5" : "なし") << c.what;
        rig.window->commandRsNg();
        rig.window->close();
        EXPECT_EQ(fileBytes(rig.tmp.folder.setupDat()) != untouchedSetup[c.ok], c.setupChanged) << c.what;
    }
}

}  // namespace
}  // namespace vel
