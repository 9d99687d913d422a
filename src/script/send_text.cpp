#include "script/send_text.h"

#include "text/cp932.h"

namespace vel {
namespace {

constexpr QChar kMarker(char16_t(0));

// The one character that the system code page maps to a single byte 1..128.
QChar singleByteChar(int byte) {
    const QString s = cp932::decode(QByteArray(1, static_cast<char>(byte)));
    return s.isEmpty() ? QChar(char16_t(byte)) : s[0];
}

// Walks the text as the send path does and reports each write and whether
// the character belongs to the log text.
template <typename Sink>
void walkSend(const QString& text, Sink&& sink) {
    bool escaped = false;
    for (QChar c : text) {
        if (escaped) {
            escaped = false;
            const int code = cp932::ansiCode(c);
            if (code <= 0)
                sink(cp932::encode(QString(c)), QChar());
            else
                sink(QByteArray(1, static_cast<char>((code + 128) & 0xFF)), QChar());
        } else if (c == kMarker) {
            escaped = true;
        } else {
            sink(cp932::encode(QString(c)), c);
        }
    }
}

}  // namespace

QString textForByte(int byte) {
    if (byte <= 0) return QString(2, kMarker);
    if (byte <= 128) return QString(singleByteChar(byte));
    return QString(kMarker) + singleByteChar(byte - 128);
}

std::vector<QByteArray> sendWrites(const QString& text) {
    std::vector<QByteArray> writes;
    walkSend(text, [&](const QByteArray& bytes, QChar) { writes.push_back(bytes); });
    return writes;
}

QByteArray sendBytes(const QString& text) {
    QByteArray out;
    walkSend(text, [&](const QByteArray& bytes, QChar) { out.append(bytes); });
    return out;
}

QString sendLogText(const QString& text) {
    QString out;
    walkSend(text, [&](const QByteArray&, QChar logged) {
        if (!logged.isNull()) out.append(logged);
    });
    return out;
}

}  // namespace vel
