#include "script/script_lines.h"
#include "text/vb.h"

namespace vel {
namespace {

constexpr qint64 kReadChunk = 64 * 1024;

}  // namespace

LineKind classifyLine(const QString& trimmed) {
    if (trimmed.size() < 3) return LineKind::Ignored;
    if (trimmed[0] == QLatin1Char(';') || trimmed[0] == QLatin1Char('\'')) return LineKind::Comment;
    static const char* const kDefinitionKeywords[] = {"ALM", "NAM", "DEC", "MAX", "MIN"};
    const QString head = trimmed.left(3);
    for (const char* keyword : kDefinitionKeywords)
        if (head == QLatin1String(keyword)) return LineKind::Definition;
    return LineKind::Command;
}

bool ScriptLineReader::open() { return file_.open(QIODevice::ReadOnly); }

bool ScriptLineReader::refill() {
    chunk_.clear();
    chunkPos_ = 0;
    if (atEnd_) return false;
    const QByteArray bytes = file_.read(kReadChunk);
    if (bytes.isEmpty()) {
        // Nothing more: either the end of the file or a failed read.
        if (file_.error() != QFileDevice::NoError) failed_ = true;
        atEnd_ = true;
        chunk_ = decoder_.flush();
        return !chunk_.isEmpty();
    }
    chunk_ = decoder_.feed(bytes);
    return true;
}

ScriptLineReader::Result ScriptLineReader::next(QString& line) {
    if (failed_) return Result::Error;
    QString text;
    bool gathered = false;  // at least one character (even a dropped one) of this line
    for (;;) {
        if (chunkPos_ >= chunk_.size()) {
            if (!refill()) {
                if (failed_) return Result::Error;
                if (!gathered) return Result::End;
                line = vb::trim(text);
                return Result::Line;
            }
            continue;
        }
        const QChar c = chunk_[chunkPos_++];
        gathered = true;
        if (c == QChar(char16_t(13))) {
            line = vb::trim(text);
            return Result::Line;
        }
        if (c.unicode() < 0x20) continue;
        if (text.size() >= kMaxScriptLineLength) {
            failed_ = true;
            return Result::Error;
        }
        text.append(c);
    }
}

}  // namespace vel
