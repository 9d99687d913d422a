#include "serial/reply_assembler.h"
#include "log/log_lines.h"

#include "serial/end_code.h"
#include "text/cp932.h"

namespace vel {
namespace {

QStringList cutFields(const QString& reply, int startCode, int delimiterCode, int endCode) {
    QStringList fields;
    QString field;
    for (const QChar c : reply) {
        const int code = cp932::ansiCode(c);
        const bool closes = (startCode != 0 && code == startCode) || code == delimiterCode || code == endCode;
        if (closes) {
            if (!field.isEmpty()) fields.append(field);
            field.clear();
        } else if (code < 0 || code > 31) {
            field.append(c);
        }
    }
    return fields;
}

}  // namespace

bool replyBuffered(const RunState& run, int channel) {
    if (channel < 0 || channel >= kChannels) return false;
    const auto ch = static_cast<size_t>(channel);
    return endCodeAt(run.receiveBuffer[ch], run.endCode[ch]) >= 0;
}

std::optional<QStringList> takeReply(RunState& run, LogSink& log, int channel, const std::function<void()>& beep) {
    if (channel < 0 || channel >= kChannels) return std::nullopt;
    const auto ch = static_cast<size_t>(channel);
    QString& buffer = run.receiveBuffer[ch];
    if (buffer.isEmpty()) return std::nullopt;
    const int startCode = run.startCode[ch];
    const int delimiterCode = run.delimiterCode[ch];
    const int endCode = run.endCode[ch];

    const qsizetype end = endCodeAt(buffer, endCode);
    if (end < 0) return std::nullopt;
    QString reply;
    for (qsizetype i = 0; i <= end; ++i) {
        const QChar c = buffer[i];
        if (i == end || c.unicode() >= 32 || cp932::ansiCode(c) == delimiterCode) reply.append(c);
    }
    buffer.remove(0, end + 1);

    log.rsLogLine(loglines::received(reply, channel));
    if (run.beepOnReceive && beep) beep();
    return cutFields(reply, startCode, delimiterCode, endCode);
}

}  // namespace vel
