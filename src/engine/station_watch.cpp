#include "engine/station_watch.h"

#include <algorithm>

#include "log/log_lines.h"

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

void replyAsked(SilenceWatch& watch) { watch.askedThisCycle = true; }

namespace {

// Whether the cycle so far can tell the instrument is silent.
bool cycleCounts(const SilenceWatch& watch) { return !watch.onlyAskedCycles || watch.askedThisCycle; }

}  // namespace

bool replyArrived(SilenceWatch& watch) {
    watch.repliedThisCycle = true;
    watch.silentCycles = 0;
    if (!watch.alarm) return false;
    watch.alarm = false;
    return true;
}

void cycleStarted(SilenceWatch& watch, Fixed4 nowMs) {
    watch.cycleOpen = true;
    watch.cycleStartMs = nowMs;
    watch.repliedThisCycle = false;
    watch.askedThisCycle = false;
}

bool cycleClosed(SilenceWatch& watch) {
    const bool replied = watch.repliedThisCycle;
    const bool counts = cycleCounts(watch);
    watch.repliedThisCycle = false;
    watch.askedThisCycle = false;
    watch.cycleOpen = false;
    if (replied || !counts || watch.limit <= 0) return false;
    ++watch.silentCycles;
    if (watch.alarm || watch.silentCycles < watch.limit) return false;
    watch.alarm = true;
    return true;
}

Fixed4 silenceDeadlineMs(const SilenceWatch& watch, Fixed4 intervalMs) {
    if (watch.limit <= 0 || watch.alarm || !watch.cycleOpen || watch.repliedThisCycle || !cycleCounts(watch))
        return Fixed4{};
    const Fixed4 perCycle = intervalMs > 0 ? intervalMs : kSilenceCycleWithoutIntervalMs;
    // The closed silent cycles before this one count as they are; this one
    // for every interval it has lasted.
    const int64_t left = std::max<int64_t>(1, watch.limit - watch.silentCycles);
    return watch.cycleStartMs + Fixed4::fromRaw(perCycle.raw * left);
}

bool silenceTimeUp(SilenceWatch& watch, Fixed4 nowMs, Fixed4 intervalMs) {
    const Fixed4 due = silenceDeadlineMs(watch, intervalMs);
    if (due.raw == 0 || nowMs < due) return false;
    watch.alarm = true;
    return true;
}

QString portLostText(int channel) {
    return loglines::channelTag(channel) + QStringLiteral("通信ポートが切断されました。再接続を待っています");
}
QString portBackText(int channel) { return loglines::channelTag(channel) + QStringLiteral("通信ポートに再接続しました"); }
QString silenceText(int cycles, int channel) {
    return loglines::channelTag(channel) + QStringLiteral("計測器から応答がありません（") + QString::number(cycles) +
           QStringLiteral("サイクル連続）");
}
QString replyBackText(int channel) { return loglines::channelTag(channel) + QStringLiteral("計測器からの応答が戻りました"); }

}  // namespace vel
