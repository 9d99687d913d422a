#pragma once
// The serial panel FrameRs: port, speed, data bits, parity, stop bits and
// flow control of channel 0, written straight into the port object on OK.
// Beside the port list it shows which Linux device the chosen Com number
// reaches and whether it is there (a network Com: its URL, whether it
// answers, and that raw tcp leaves the line settings to the device server),
// every Com number's device in a table, and
// the serial devices present, one of which can be linked as the chosen Com
// number; under the lists, the settings the open port refused.
#include <QGroupBox>

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
    bool apply();

    // Looks again for the devices: the Com table and the list of present devices.
    void refreshDevices();
    // Links the chosen Com number to the device chosen in cboDevice.
    void linkChosenDevice();

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

private:
    void showDevice();
    void showRefusal();
    bool applyPortNumber();

    MainContext& context_;
};

}  // namespace vel::ui
