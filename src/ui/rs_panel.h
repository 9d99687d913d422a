#pragma once
// The serial panel FrameRs: port, speed, data bits, parity, stop bits and
// flow control of channel 0, written straight into the port object on OK
// (and with it into setup.dat as the program ends). A channel choice shows
// the port and line settings of channels 1–7 instead, which OK writes into
// velloran.ini; Cancel forgets them, and the panel opens on channel 0 with
// what the file holds.
// Beside the port list it shows which Linux device the chosen Com number
// reaches and whether it is there (a network Com: its URL, whether it
// answers, and that raw tcp leaves the line settings to the device server),
// every Com number's device in a table, and
// the serial devices present, one of which can be linked as the chosen Com
// number; under the lists, the settings the open port refused.
#include <QGroupBox>

#include <array>

#include "settings/extension_settings.h"
#include "ui/main_context.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace vel::ui {

class RsPanel : public QGroupBox {
public:
    RsPanel(MainContext& context, QWidget* parent);

    // Fills the lists (once) and selects the entries of the port object.
    void loadPropertySettings();
    // Writes the choices into the port object: port number (reopening an
    // open port on the new number), settings string, handshaking. The first
    // refusal is shown with a warning and ends the action (a refused port
    // change restores the old number); false then, and the panel stays open.
    // Settings the open device refuses are shown with a warning too, but the
    // port keeps running with what it took, so the action ends normally.
    // Channels 1–7 first: their changed line settings must be ones a port
    // can take (else a warning names them and the panel shows that channel),
    // then velloran.ini is written when any of them changed.
    bool apply();

    // Shows channel `channel`'s values (0: the lists as channel 0 left them).
    void showChannel(int channel);
    // The shown channel (1–7) gets no port; OK then removes its section.
    void clearChannelPort();

    // Looks again for the devices: the Com table and the list of present devices.
    void refreshDevices();
    // Links the chosen Com number to the device chosen in cboDevice.
    void linkChosenDevice();

    QComboBox* cboChannel;
    QLabel* labelChannelFile;
    QPushButton* commandPortClear;
    QComboBox* cboPort;
    QComboBox* cboSpeed;
    QComboBox* cboDataBits;
    QComboBox* cboParity;
    QComboBox* cboStopBits;
    QComboBox* cboFlow;
    QLabel* labelPortDevice;
    QLabel* labelPortMissing;
    QTreeWidget* listComDevices;
    QComboBox* cboDevice;
    QPushButton* commandDeviceLink;
    QLabel* labelRefused;
    QPushButton* commandRsOk;
    QPushButton* commandRsNg;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The entries channel 0's lists show while another channel is shown.
    struct ListIndexes {
        int port = -1, speed = -1, dataBits = -1, parity = -1, stopBits = -1, flow = -1;
    };
    using Channels = decltype(ExtensionSettings::channels);

    void showDevice();
    void showRefusal();
    bool applyPortNumber();
    bool applyChannel0();
    bool saveChannels();
    void loadChannels();
    void portChosen();
    void lineChosen();
    ListIndexes listIndexes() const;
    void selectIndexes(const ListIndexes& indexes);

    MainContext& context_;
    int channel_ = 0;                // the channel the lists show
    ListIndexes channel0_;           // channel 0's lists while another channel is shown
    Channels channels_{};            // channels 1–7 as edited
    Channels channelsInFile_{};      // as velloran.ini held them when the panel opened
    bool showingChannel_ = false;    // lists being filled, not chosen by the user
    bool reopened_ = true;           // hidden itself since last shown
};

}  // namespace vel::ui
