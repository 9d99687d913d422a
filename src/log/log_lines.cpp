#include "log/log_lines.h"

#include "text/vb.h"

namespace vel::loglines {
namespace {

QString alarmLine(const QDateTime& now, const QString& event, int itemNumber, const QString& name,
                  const QString& value) {
    return stamp(now) + QStringLiteral(", ") + event + QStringLiteral(",[") + vb::threeDigits(itemNumber) +
           QStringLiteral("],") + name + QStringLiteral("=, ") + value;
}

}  // namespace

QString stamp(const QDateTime& now) { return vb::formatDate(now, vb::DateFormat::LongDateTime); }

QString cycleMarker(const QDateTime& now) { return QStringLiteral("[") + stamp(now) + QStringLiteral("]"); }
QString channelTag(int channel) { return channel == 0 ? QString() : QStringLiteral("CH%1 ").arg(channel); }
// Channel 0's marks keep their space; another channel's tag takes its place.
QString sent(const QString& text, int channel) {
    return QStringLiteral("●") + (channel == 0 ? QStringLiteral(" ") : channelTag(channel)) + text;
}
QString received(const QString& reply, int channel) {
    return QStringLiteral("○") + (channel == 0 ? QStringLiteral(" ") : channelTag(channel)) + reply;
}

QString acquisitionStarted(const QDateTime& now) { return stamp(now) + QStringLiteral(", データ取得開始"); }
QString acquisitionEnded(const QDateTime& now) { return stamp(now) + QStringLiteral(", データ取得終了"); }

QString alarmRaised(const QDateTime& now, int itemNumber, const QString& name, const QString& value) {
    return alarmLine(now, QStringLiteral("アラーム発生"), itemNumber, name, value);
}

QString alarmCleared(const QDateTime& now, int itemNumber, const QString& name, const QString& value) {
    return alarmLine(now, QStringLiteral("アラーム復帰"), itemNumber, name, value);
}

QString workbookUnreachable(const QDateTime& now) { return stamp(now) + QStringLiteral(" エクセルにアクセスできません"); }

QString workbookCallUnfinished(const QDateTime& now) {
    return stamp(now) + QStringLiteral(" エクセルが応答しないため、書き込みを止めました");
}

QString stationChange(const QDateTime& now, const QString& text) { return stamp(now) + QStringLiteral(", ") + text; }

QString workbookRecordsSkipped(const QDateTime& now, int skipped) {
    return stamp(now) + QStringLiteral(" エクセルへの書き込みが間に合わないため、古いデータ") + QString::number(skipped) +
           QStringLiteral("件を書き込まずに飛ばしました");
}

QString normalMailRefused(const QDateTime& now, const QString& libraryMessage) {
    return stamp(now) + QStringLiteral(", 通常メールパラメータエラー：") + libraryMessage;
}

QString alarmMailRefused(const QDateTime& now, const QString& libraryMessage) {
    return stamp(now) + QStringLiteral(", アラームメールパラメータエラー：") + libraryMessage;
}

}  // namespace vel::loglines
