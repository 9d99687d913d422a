#include "engine/station_watch.h"

namespace vel {

void markPortLost(ReconnectSchedule& schedule, Fixed4 nowMs) {
    schedule.lost = true;
    schedule.nextTryMs = nowMs + schedule.intervalMs;
}

bool reconnectDue(const ReconnectSchedule& schedule, Fixed4 nowMs) {
    return schedule.lost && schedule.intervalMs > 0 && nowMs >= schedule.nextTryMs;
}

void reconnectFailed(ReconnectSchedule& schedule, Fixed4 nowMs) {
    // A tick that came late must not make the tries that follow come in a burst.
    schedule.nextTryMs = schedule.nextTryMs + schedule.intervalMs;
    if (schedule.nextTryMs <= nowMs) schedule.nextTryMs = nowMs + schedule.intervalMs;
}

Fixed4 nextReconnectMs(const ReconnectSchedule& schedule) {
    return schedule.lost && schedule.intervalMs > 0 ? schedule.nextTryMs : Fixed4{};
}

bool replyArrived(SilenceWatch& watch) {
    watch.repliedThisCycle = true;
    watch.silentCycles = 0;
    if (!watch.alarm) return false;
    watch.alarm = false;
    return true;
}

bool cycleClosed(SilenceWatch& watch) {
    const bool replied = watch.repliedThisCycle;
    watch.repliedThisCycle = false;
    if (replied || watch.limit <= 0) return false;
    ++watch.silentCycles;
    if (watch.alarm || watch.silentCycles < watch.limit) return false;
    watch.alarm = true;
    return true;
}

QString portLostText() { return QStringLiteral("通信ポートが切断されました。再接続を待っています"); }
QString portBackText() { return QStringLiteral("通信ポートに再接続しました"); }
QString silenceText(int cycles) {
    return QStringLiteral("計測器から応答がありません（") + QString::number(cycles) + QStringLiteral("サイクル連続）");
}
QString replyBackText() { return QStringLiteral("計測器からの応答が戻りました"); }

}  // namespace vel
