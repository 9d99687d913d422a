#include "ui/rs_choices.h"

namespace vel::ui {

QStringList portEntries() {
    QStringList ports;
    for (int n = 1; n <= 16; ++n) ports << QStringLiteral("Com%1").arg(n);
    return ports;
}

QStringList speedEntries() {
    return {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
}

QStringList dataBitsEntries() { return {"7", "8"}; }
QStringList parityEntries() { return {"Even", "Odd", "None"}; }
QStringList stopBitsEntries() { return {"1", "1.5", "2"}; }
QStringList flowEntries() { return {"None", "Xon/Xoff", "RTS"}; }

RsSelection selectionFor(const QString& s, int portNumber, int& handshaking) {
    RsSelection sel;
    const qsizetype d = s.contains(u'.') ? 2 : 0;
    const qsizetype n = s.size();
    // 1-based character positions counted back from the end; a string too
    // short for one of them leaves that list unselected.
    auto at = [&](qsizetype position) { return position >= 1 && position <= n ? QString(s[position - 1]) : QString(); };
    if (n - d - 6 > 0) sel.speed = s.left(n - d - 6);
    const QString parity = at(n - d - 4);
    if (parity == u"e") sel.parityIndex = 0;
    else if (parity == u"o") sel.parityIndex = 1;
    else if (parity == u"n") sel.parityIndex = 2;
    sel.dataBits = at(n - d - 2);
    if (n >= d + 1) sel.stopBits = s.right(d + 1);
    if (portNumber >= 1 && portNumber <= 16) sel.portIndex = portNumber - 1;
    if (handshaking == 3) handshaking = 2;
    if (handshaking >= 0 && handshaking <= 2) sel.flowIndex = handshaking;
    return sel;
}

QString settingsFromLists(const QString& speed, const QString& parity, const QString& dataBits,
                          const QString& stopBits) {
    return speed.trimmed() + u',' + parity.left(1) + u',' + dataBits.trimmed() + u',' + stopBits.trimmed();
}

}  // namespace vel::ui
