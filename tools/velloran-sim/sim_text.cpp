#include "sim_text.h"

#include "text/cp932.h"

namespace vel::sim {
namespace {

int hexDigit(QChar c) {
    if (c >= QChar('0') && c <= QChar('9')) return c.unicode() - '0';
    if (c >= QChar('a') && c <= QChar('f')) return c.unicode() - 'a' + 10;
    if (c >= QChar('A') && c <= QChar('F')) return c.unicode() - 'A' + 10;
    return -1;
}

QString hexByte(int b) { return QString::asprintf("\\x%02X", b); }

}  // namespace

QString unescapeReply(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QChar('\\') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[i + 1];
        if (n == QChar('r')) { out += QChar('\r'); ++i; }
        else if (n == QChar('n')) { out += QChar('\n'); ++i; }
        else if (n == QChar('t')) { out += QChar('\t'); ++i; }
        else if (n == QChar('\\')) { out += QChar('\\'); ++i; }
        else if (n == QChar('x') && i + 3 < text.size() && hexDigit(text[i + 2]) >= 0 &&
                 hexDigit(text[i + 3]) >= 0) {
            const int b = hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]);
            // Below 0x80 a byte is its own character; above, the codec's
            // raw-byte character carries it through encoding unchanged.
            out += b < 0x80 ? QChar(b) : QChar(char16_t(cp932::kRawByteBase + b));
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}

QString escapeForLog(const QString& text) {
    QString out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\r') out += "\\r";
        else if (u == '\n') out += "\\n";
        else if (u == '\t') out += "\\t";
        else if (u == '\\') out += "\\\\";
        else if (u < 0x20 || u == 0x7F) out += hexByte(u);
        else if (u >= cp932::kRawByteBase && u <= cp932::kRawByteBase + 0xFF) out += hexByte(u - cp932::kRawByteBase);
        else out += c;
    }
    return out;
}

}  // namespace vel::sim
