#pragma once
// The line that tells the user which line settings the open device did not
// take, each named as the serial panel names it, with the value that was
// asked for.
#include <QString>
#include <QStringList>

#include <cstdint>

#include "serial/serial_port.h"

namespace vel {

// "通信ポートが次の通信条件を受け付けませんでした: ﾃﾞｰﾀ ﾋﾞｯﾄ(7)、ﾊﾟﾘﾃｨ(Even)" from
// refused_key keys, the requested settings string and handshaking code. The
// settings are named in the order the port applies them; a key this program
// does not know is named as it is. Empty when nothing was refused.
QString refusedSettingsLine(const QStringList& refused, const QString& settings, int16_t handshaking);

// The same for what the port refused of its current settings.
QString refusedSettingsLine(const SerialPort& port);

}  // namespace vel
