#pragma once
// The serial panel's lists and how a port's settings select their entries,
// and the settings string the chosen entries make. No widgets here.
#include <QString>
#include <QStringList>

namespace vel::ui {

// The entries of the six lists, in their order.
QStringList portEntries();      // "Com1" .. "Com16"
QStringList speedEntries();     // "300" .. "115200"
QStringList dataBitsEntries();  // "7", "8"
QStringList parityEntries();    // "Even", "Odd", "None"
QStringList stopBitsEntries();  // "1", "1.5", "2"
QStringList flowEntries();      // "None", "Xon/Xoff", "RTS": index = handshaking code

// What the lists show for a port: list texts, or -1 indexes when nothing
// matches (the list stays unselected).
struct RsSelection {
    QString speed;
    int parityIndex = -1;
    QString dataBits;
    QString stopBits;
    int portIndex = -1;
    int flowIndex = -1;
};

// Cuts a settings string such as "9600,n,8,1" or "4800,e,7,1.5" at its
// fixed positions from the end. A handshaking of 3 (RTS and XON/XOFF) is
// changed to 2 in `handshaking`, which is why it is passed by reference.
RsSelection selectionFor(const QString& settings, int portNumber, int& handshaking);

// The settings string of the chosen entries: speed, parity letter (E, O
// or N), data bits and stop bits, e.g. "19200,O,8,2".
QString settingsFromLists(const QString& speed, const QString& parity, const QString& dataBits,
                          const QString& stopBits);

}  // namespace vel::ui
