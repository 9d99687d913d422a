#pragma once
// The one codec of the program: every byte boundary (files, setup.dat strings,
// serial bytes, mail) converts through it, always code page 932.
//
// Decoding never loses a byte: a byte that does not start a valid CP932
// character (or a pair that would not encode back to the same bytes) becomes
// the private-use character U+F700 + byte, which encodes back to that byte.
// Hence encode(decode(b)) == b for every byte string b.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace vel::cp932 {

inline constexpr char16_t kRawByteBase = 0xF700;  // U+F700..U+F7FF stand for raw bytes 00..FF

QString decode(const QByteArray& bytes);
// Characters CP932 cannot carry become "?" (63), as the system code page does.
QByteArray encode(const QString& text);

// The character's code in the system code page read as a signed 16-bit
// number: 0..255 for a single byte (raw-byte characters give their byte),
// lead*256+trail as int16 (negative) for a double-byte character, 63 for a
// character outside the code page.
int16_t ansiCode(QChar c);

// Byte length of the text in the system code page (double-byte characters 2,
// half-width katakana 1).
int byteLength(const QString& text);

// Incremental decoder for serial input: a lead byte at the end of a chunk
// waits for its trail byte in the next chunk.
class Decoder {
public:
    QString feed(const QByteArray& chunk);
    // Whatever is still pending (a lone lead byte) as raw-byte characters.
    QString flush();
    bool hasPending() const { return pending_ >= 0; }

private:
    int pending_ = -1;  // lead byte waiting for its trail, or -1
};

}  // namespace vel::cp932
