#include "serial/reply_assembler.h"
#include "log/log_lines.h"

#include "measure/value_store.h"
#include "serial/end_code.h"
#include "text/cp932.h"

namespace vel {
namespace {

void handField(MeasureContext& ctx, const QString& field) {
    if (ctx.run.valueCount >= kMaxValuesPerRecord) return;  // no room left in this record
    stampRecord(ctx);
    storeValue(ctx, ctx.run.valueCount, field);
    ctx.run.valueCount += 1;
}

void cutFields(MeasureContext& ctx, const QString& reply, int startCode, int delimiterCode, int endCode) {
    QString field;
    for (const QChar c : reply) {
        const int code = cp932::ansiCode(c);
        const bool closes = (startCode != 0 && code == startCode) || code == delimiterCode || code == endCode;
        if (closes) {
            if (!field.isEmpty()) handField(ctx, field);
            field.clear();
        } else if (code < 0 || code > 31) {
            field.append(c);
        }
    }
}

}  // namespace

bool replyBuffered(const RunState& run, int channel) {
    if (channel < 0 || channel >= kChannels) return false;
    const auto ch = static_cast<size_t>(channel);
    return endCodeAt(run.receiveBuffer[ch], run.endCode[ch]) >= 0;
}

bool takeReply(MeasureContext& ctx, int channel, const std::function<void()>& beep) {
    if (channel < 0 || channel >= kChannels) return false;
    const auto ch = static_cast<size_t>(channel);
    QString& buffer = ctx.run.receiveBuffer[ch];
    if (buffer.isEmpty()) return false;
    const int startCode = ctx.run.startCode[ch];
    const int delimiterCode = ctx.run.delimiterCode[ch];
    const int endCode = ctx.run.endCode[ch];

    const qsizetype end = endCodeAt(buffer, endCode);
    if (end < 0) return false;
    QString reply;
    for (qsizetype i = 0; i <= end; ++i) {
        const QChar c = buffer[i];
        if (i == end || c.unicode() >= 32 || cp932::ansiCode(c) == delimiterCode) reply.append(c);
    }
    buffer.remove(0, end + 1);

    ctx.log.rsLogLine(loglines::received(reply));
    if (ctx.run.beepOnReceive && beep) beep();
    cutFields(ctx, reply, startCode, delimiterCode, endCode);
    return true;
}

}  // namespace vel
