#pragma once
// Reading a script file line by line: CP932 text, a carriage return ends a
// line, every other control character is dropped wherever it stands, and
// each line is trimmed of spaces. LF-only files therefore read as one line.
#include <QFile>
#include <QString>

#include "text/cp932.h"

namespace vel {

enum class LineKind {
    Ignored,     // fewer than 3 characters
    Comment,     // starts with ";" or "'"
    Definition,  // ALM, NAM, DEC, MAX, MIN
    Command,     // everything else: the first three characters are the mnemonic
};

LineKind classifyLine(const QString& trimmed);

// A line longer than this is not a script line; reading stops with an error
// instead of holding an unbounded amount of text.
inline constexpr qsizetype kMaxScriptLineLength = 65536;

class ScriptLineReader {
public:
    enum class Result { Line, End, Error };

    explicit ScriptLineReader(const QString& path) : file_(path) {}
    bool open();
    // The next trimmed line (possibly empty); End after the last one; Error
    // on a read failure or an overlong line.
    Result next(QString& line);

private:
    bool refill();

    QFile file_;
    cp932::Decoder decoder_;
    QString chunk_;
    qsizetype chunkPos_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
};

}  // namespace vel
