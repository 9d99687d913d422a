#include "serial/receive_handler.h"

#include "serial/end_code.h"
#include "text/vb.h"

namespace vel {
namespace {

bool isLineStateEvent(int code) { return code >= CommEvCts && code <= CommEvEof; }

QDateTime wholeSecond(const QDateTime& t) { return t.addMSecs(-t.time().msec()); }

void appendReceived(RunState& run, int channel, const QString& data) {
    if (!run.running) return;
    QString& buffer = run.receiveBuffer[static_cast<size_t>(channel)];
    if (buffer.size() >= kReceiveBufferLimit && endCodeAt(buffer, run.endCode[static_cast<size_t>(channel)]) < 0) {
        // A full buffer without an end code can never give a reply: keeping
        // it would drop every later reply of the run. Line noise is let go.
        buffer.clear();
    }
    const qsizetype room = kReceiveBufferLimit - buffer.size();
    if (room <= 0) return;
    // Characters arrive one at a time: those that still fit are kept.
    buffer.append(data.left(room));
}

}  // namespace

QString commEventText(int code) {
    switch (code) {
    case CommEvCts: return QStringLiteral("CTS ﾗｲﾝの状態が変化しました。");
    case CommEvDsr: return QStringLiteral("DSR ﾗｲﾝの状態が変化しました。");
    case CommEvCd: return QStringLiteral("CD ﾗｲﾝの状態が変化しました。");
    case CommEvRing: return QStringLiteral("呼び出し信号を検出しました。");
    case CommEvEof: return QStringLiteral("EOF を受信しました。");
    case CommErBreak: return QStringLiteral("ﾌﾞﾚｰｸ信号を検出しました。");
    case CommErCtsTimeout: return QStringLiteral("CTS ﾀｲﾑｱｳﾄを検出しました。");
    case CommErDsrTimeout: return QStringLiteral("DSR ﾀｲﾑｱｳﾄを検出しました。");
    case CommErFrame: return QStringLiteral("ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。");
    case CommErOverrun: return QStringLiteral("ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。");
    case CommErCdTimeout: return QStringLiteral("CD ﾀｲﾑｱｳﾄを検出しました。");
    case CommErRxOver: return QStringLiteral("受信ﾊﾞｯﾌｧがｵｰﾊﾞｰﾌﾛｰしました。");
    case CommErParity: return QStringLiteral("ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。");
    case CommErTxFull: return QStringLiteral("送信ﾊﾞｯﾌｧ ﾌﾙ ｴﾗｰが発生しました。");
    case CommErDcb: return QStringLiteral("DCB 取得時にｴﾗｰが発生しました。");
    default: return QStringLiteral("未定義のｴﾗｰまたはｲﾍﾞﾝﾄが発生しました。");
    }
}

void handleCommEvent(ReceiveContext& ctx, int channel, const CommEvent& event) {
    if (channel < 0 || channel >= kChannels) return;
    LineReportState& report = ctx.report;
    if (event.code == CommEvReceive) {
        appendReceived(ctx.run, channel, event.data);
    } else if (event.code == CommEvSend) {
        // nothing to do
    } else if (isLineStateEvent(event.code)) {
        report.lineEventText = commEventText(event.code);
    } else {
        report.lineErrorText = commEventText(event.code);
    }

    if (report.lineEventText.isEmpty() && !report.lineErrorText.isEmpty()) {
        const QDateTime now = wholeSecond(ctx.timer.localNow());
        if (now != report.errorShownTime) {
            ctx.monitor.labelErrorMess = vb::formatDate(now, vb::DateFormat::TimeOnly) + u' ' + report.lineErrorText;
            ctx.port.discardInput();
            report.errorShownTime = now;
        }
    }
    report.lineEventText.clear();
    report.lineErrorText.clear();
}

}  // namespace vel
