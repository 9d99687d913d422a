#pragma once
// The decoded text of SND/ERR and the bytes it stands for. A decoded text
// carries bytes that no single character can hold with a NUL marker:
//   byte 0        NUL, NUL
//   byte 1..128   the one character of that code
//   byte 129..255 NUL, then the character of code (byte - 128)
// The send path turns each marker pair back into its one byte.
#include <QByteArray>
#include <QString>
#include <vector>

namespace vel {

// The text that stands for one byte (0..255) in a decoded text.
QString textForByte(int byte);

// What SND writes to the port, one entry per write: a character as text
// (its bytes in the system code page) or, after a NUL marker, one byte.
// A marker followed by a character whose code is 0 or less writes that
// character as text (NUL NUL gives the byte 0).
std::vector<QByteArray> sendWrites(const QString& text);

// All bytes of sendWrites, in order: what the instrument receives.
QByteArray sendBytes(const QString& text);

// The text SND logs: every character that is not part of a marker pair.
QString sendLogText(const QString& text);

}  // namespace vel
