#include "mail/mail_check.h"
#include "log/log_lines.h"

#include "mail/mail_compose.h"
#include "text/vb.h"

#include <functional>
#include <utility>

namespace vel {
namespace {

// Frames the lines and hands the record to the sender; `done` gets the
// library's result.
void send(MailContext& ctx, MailSettings& r, const QString& lines, QString subject,
          std::function<void(const QString&)> done) {
    r.body = r.bodyHead + lines + r.bodyTail;
    ctx.sender.send(MailJob{ctx.folder.logFile(QStringLiteral("MailLog.log")), r.server, r.recipients, r.sender,
                            std::move(subject), r.body, std::move(done)});
}

// Writes a refusal to the alarm log with the time at which it arrived.
std::function<void(const QString&)> refusalLine(MailContext& ctx,
                                                QString (*line)(const QDateTime&, const QString&)) {
    return [&log = ctx.log, &timer = ctx.timer, line](const QString& result) {
        if (!result.isEmpty()) log.alarmLogLine(line(timer.localNow(), result));
    };
}

MailItems currentRecord(const MailContext& ctx) {
    return MailItems{ctx.tables.dataItems, ctx.run.valueCount, ctx.settings.numberColumnOn,
                     ctx.settings.timeStampMode};
}

void normalMail(MailContext& ctx) {
    MailSettings& r = ctx.records[kNormalMailRecord];
    const QString lines = composeNormalLines(currentRecord(ctx), r.alarmMark);
    ++ctx.state.normalMailCount;
    send(ctx, r, lines, QString::number(ctx.state.normalMailCount) + QStringLiteral(" ") + r.subject,
         refusalLine(ctx, loglines::normalMailRefused));
    ctx.state.lastNormalMailMs += ctx.state.normalMailIntervalMs;
}

void alarmMail(MailContext& ctx, Fixed4 now) {
    ctx.pending.raised = false;
    ctx.pending.cleared = false;
    MailSettings& r = ctx.records[kAlarmMailRecord];
    AlarmLines lines = composeAlarmLines(currentRecord(ctx), r.alarmMark, ctx.state.lastAlarmMailDate,
                                         ctx.settings.mailOnRecovery);
    for (const QString& note : std::as_const(ctx.pending.notes)) {
        lines.text += note;
        ++lines.count;
    }
    ctx.pending.notes.clear();
    if (lines.count == 0) return;
    ctx.state.lastAlarmMailDate = ctx.timer.localNow();
    ++ctx.state.alarmMailCount;
    send(ctx, r, lines.text, QStringLiteral("[") + QString::number(ctx.state.alarmMailCount) + QStringLiteral("] ") + r.subject,
         refusalLine(ctx, loglines::alarmMailRefused));
    ctx.state.lastAlarmMailMs = now;
}

void autoEndMail(MailContext& ctx) {
    if (!ctx.settings.alarmMailOn || !ctx.settings.mailOnAutoEnd) return;
    MailSettings& r = ctx.records[kAlarmMailRecord];
    ++ctx.state.alarmMailCount;
    // The run is over: a refusal has nobody left to act on it; the library's
    // own log keeps it.
    send(ctx, r, composeAutoEndLine(ctx.timer.localNow()),
         QStringLiteral("[") + QString::number(ctx.state.alarmMailCount) + QStringLiteral("] ") + r.subject, {});
}

}  // namespace

void mailCheck(MailContext& ctx, bool periodic) {
    if (!periodic) {
        autoEndMail(ctx);
        return;
    }
    const Fixed4 now = ctx.timer.timerNowMs();
    // A station change (the instrument gone, silent) is news also in a
    // record without values; the normal report needs values.
    const bool hasValues = ctx.run.valueCount > 0 && ctx.monitor.recordCount() >= 1;
    if (!hasValues && ctx.pending.notes.isEmpty()) return;
    if (hasValues && now > ctx.state.lastNormalMailMs + ctx.state.normalMailIntervalMs && ctx.settings.normalMailOn)
        normalMail(ctx);
    if (now > ctx.state.lastAlarmMailMs + ctx.state.alarmMailIntervalMs && ctx.settings.alarmMailOn &&
        (ctx.pending.raised || ctx.pending.cleared))
        alarmMail(ctx, now);
}

}  // namespace vel
