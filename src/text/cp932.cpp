#include "text/cp932.h"

#include <iconv.h>

#include <array>
#include <stdexcept>
#include <vector>

namespace vel::cp932 {
namespace {

constexpr char16_t kNoChar = 0xFFFF;
constexpr int kUnmapped = -1;

bool isLeadByte(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Both directions of the code page, built once from glibc's CP932 converter.
// Only byte sequences that convert to one character and back to the same
// bytes are taken, so the two tables are exact inverses; everything else is
// carried as raw-byte characters.
struct Tables {
    std::array<char16_t, 256> single{};
    std::vector<char16_t> pair;     // lead * 256 + trail
    std::vector<int> fromUnicode;   // char -> byte (< 256) or lead * 256 + trail

    Tables() : pair(65536, kNoChar), fromUnicode(65536, kUnmapped) {
        single.fill(kNoChar);
        iconv_t toUtf16 = iconv_open("UTF-16LE", "CP932");
        iconv_t fromUtf16 = iconv_open("CP932", "UTF-16LE");
        if (toUtf16 == reinterpret_cast<iconv_t>(-1) || fromUtf16 == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("the C library has no CP932 converter");
        for (int b = 0; b < 256; ++b) {
            if (isLeadByte(b)) continue;
            const unsigned char in[1] = {static_cast<unsigned char>(b)};
            char16_t c = convertOne(toUtf16, in, 1);
            if (c != kNoChar && roundTrips(fromUtf16, c, in, 1)) {
                single[b] = c;
                fromUnicode[c] = b;
            }
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(lead)) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const unsigned char in[2] = {static_cast<unsigned char>(lead),
                                             static_cast<unsigned char>(trail)};
                char16_t c = convertOne(toUtf16, in, 2);
                if (c == kNoChar || !roundTrips(fromUtf16, c, in, 2)) continue;
                pair[lead * 256 + trail] = c;
                fromUnicode[c] = lead * 256 + trail;
            }
        }
        iconv_close(toUtf16);
        iconv_close(fromUtf16);
    }

    // The single UTF-16 unit the bytes convert to, or kNoChar.
    static char16_t convertOne(iconv_t cd, const unsigned char* bytes, size_t n) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char inBuf[2] = {};
        for (size_t i = 0; i < n; ++i) inBuf[i] = static_cast<char>(bytes[i]);
        char outBuf[8] = {};
        char* inPtr = inBuf;
        char* outPtr = outBuf;
        size_t inLeft = n, outLeft = sizeof outBuf;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            return kNoChar;
        if (sizeof outBuf - outLeft != 2) return kNoChar;
        char16_t c = static_cast<char16_t>(static_cast<unsigned char>(outBuf[0]) |
                                           (static_cast<unsigned char>(outBuf[1]) << 8));
        if (c >= kRawByteBase && c <= kRawByteBase + 0xFF) return kNoChar;
        return c;
    }

    static bool roundTrips(iconv_t cd, char16_t c, const unsigned char* bytes, size_t n) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char inBuf[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        char outBuf[8] = {};
        char* inPtr = inBuf;
        char* outPtr = outBuf;
        size_t inLeft = 2, outLeft = sizeof outBuf;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
        if (sizeof outBuf - outLeft != n) return false;
        for (size_t i = 0; i < n; ++i)
            if (static_cast<unsigned char>(outBuf[i]) != bytes[i]) return false;
        return true;
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

QChar rawByte(int b) { return QChar(static_cast<char16_t>(kRawByteBase + b)); }

// Bytes of one character: a byte (< 256), a pair (lead * 256 + trail) or
// kUnmapped.
int codeOf(QChar c) {
    const char16_t u = c.unicode();
    if (u >= kRawByteBase && u <= kRawByteBase + 0xFF) return u - kRawByteBase;
    return tables().fromUnicode[u];
}

}  // namespace

QString Decoder::feed(const QByteArray& chunk) {
    const Tables& t = tables();
    QString out;
    out.reserve(chunk.size() + 1);
    for (char ch : chunk) {
        const int b = static_cast<unsigned char>(ch);
        if (pending_ >= 0) {
            const char16_t c = t.pair[pending_ * 256 + b];
            const int lead = pending_;
            pending_ = -1;
            if (c != kNoChar) {
                out.append(QChar(c));
                continue;
            }
            // Not a character: keep the lead byte as it came and read this
            // byte afresh, it may start a character of its own.
            out.append(rawByte(lead));
        }
        if (isLeadByte(b)) {
            pending_ = b;
        } else if (t.single[b] != kNoChar) {
            out.append(QChar(t.single[b]));
        } else {
            out.append(rawByte(b));
        }
    }
    return out;
}

QString Decoder::flush() {
    if (pending_ < 0) return {};
    const int lead = pending_;
    pending_ = -1;
    return QString(rawByte(lead));
}

QString decode(const QByteArray& bytes) {
    Decoder d;
    QString s = d.feed(bytes);
    s += d.flush();
    return s;
}

QByteArray encode(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        const int code = codeOf(c);
        if (code == kUnmapped) {
            out.append('?');
        } else if (code < 256) {
            out.append(static_cast<char>(code));
        } else {
            out.append(static_cast<char>(code >> 8));
            out.append(static_cast<char>(code & 0xFF));
        }
    }
    return out;
}

int16_t ansiCode(QChar c) {
    const int code = codeOf(c);
    if (code == kUnmapped) return 63;
    return static_cast<int16_t>(static_cast<uint16_t>(code));
}

int byteLength(const QString& text) {
    int n = 0;
    for (QChar c : text) n += codeOf(c) >= 256 ? 2 : 1;
    return n;
}

}  // namespace vel::cp932
