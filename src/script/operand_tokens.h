#pragma once
// The operands of command lines: times in seconds, character codes and texts
// with "%" escape tokens. Each function takes the whole trimmed command line
// ("WTM:1.5", "SCD:%02", "SND:R%0D") and looks at the operand from the 5th
// character on.
#include <QString>
#include <cstdint>
#include <optional>

namespace vel {

// The byte of a two-character escape token ("CR", "lf", "%%", "0D", "ff"),
// or nullopt. `hexAllowed` also accepts two hexadecimal digits.
std::optional<int> escapeTokenByte(QChar first, QChar second, bool hexAllowed);

// The time operand in milliseconds; 0 when nothing follows the colon; -1 when
// invalid (no colon, or a character other than digits, space, "." and "+").
// 10,000 s and more give 10,000,000 ms.
int32_t parseMsec(const QString& line);

// The character-code operand: 0 = none (nothing after the colon), -1 =
// invalid; a single character gives its code in the system code page (a
// double-byte character a negative number), "%" and a token the token's byte.
int16_t parseCharCode(const QString& line);

// The text operand with its escape tokens resolved; empty when the operand is
// missing or a "%" is not followed by a valid token. Where "%%" does not begin
// a token of its own, it stands for one "%" ("50%%RH" is 50%RH). Bytes that no single
// character carries are written with NUL markers: byte 0 as NUL NUL, bytes
// 129..255 as NUL and the character of (byte - 128).
QString decodeText(const QString& line);

}  // namespace vel
