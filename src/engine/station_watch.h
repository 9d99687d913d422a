#pragma once
// The watch an unattended station keeps on its instrument during a run: the
// port that failed and is opened again on a schedule, and the cycles that
// went by without any reply. Plain state and the rules that move it; the
// engine acts on what they answer (engine/station_ops.cpp).
#include <QString>

#include "base/fixed4.h"

namespace vel {

// After the port fails, a new try to open it every interval (0: never).
struct ReconnectSchedule {
    Fixed4 intervalMs{};
    bool lost = false;
    Fixed4 nextTryMs{};  // valid while lost and the interval is not 0
};

void markPortLost(ReconnectSchedule& schedule, Fixed4 nowMs);
bool reconnectDue(const ReconnectSchedule& schedule, Fixed4 nowMs);
// A try that failed: the next one an interval later, never sooner than now.
void reconnectFailed(ReconnectSchedule& schedule, Fixed4 nowMs);
// While a try is pending, its clock time; raw 0 otherwise.
Fixed4 nextReconnectMs(const ReconnectSchedule& schedule);

// So many closed cycles in a row without any reply raise the no-reply alarm
// (limit 0: off); the next reply clears it. A cycle held open without a reply
// (a receive wait without a time-out) counts too: every cycle interval it
// lasts is one cycle. One watch per channel; where a script talks to several
// channels, a cycle that never waits for a channel's reply says nothing
// about that channel's instrument (onlyAskedCycles).
struct SilenceWatch {
    int limit = 0;
    bool onlyAskedCycles = false;
    int silentCycles = 0;
    bool repliedThisCycle = false;
    bool askedThisCycle = false;
    bool alarm = false;
    bool cycleOpen = false;  // between a cycle's start and its close
    Fixed4 cycleStartMs{};
};

// Without a cycle interval a held cycle counts one cycle a second.
inline constexpr Fixed4 kSilenceCycleWithoutIntervalMs = Fixed4::fromInt(1000);

// The cycle waits for a reply of this watch's channel.
void replyAsked(SilenceWatch& watch);
// A reply arrived: true when it ends the no-reply alarm.
bool replyArrived(SilenceWatch& watch);
// A cycle started.
void cycleStarted(SilenceWatch& watch, Fixed4 nowMs);
// A cycle closed: true when it raises the no-reply alarm.
bool cycleClosed(SilenceWatch& watch);
// When the open cycle, still without a reply, raises the alarm by its length
// alone (cycle interval `intervalMs`, 0: none); raw 0 when nothing is due.
Fixed4 silenceDeadlineMs(const SilenceWatch& watch, Fixed4 intervalMs);
// True when that moment has come: the alarm is raised.
bool silenceTimeUp(SilenceWatch& watch, Fixed4 nowMs, Fixed4 intervalMs);

// The texts of the four changes, as the alarm log and the alarm mail show them;
// a channel other than 0 is named as the communication log names it.
QString portLostText(int channel = 0);
QString portBackText(int channel = 0);
QString silenceText(int cycles, int channel = 0);
QString replyBackText(int channel = 0);

}  // namespace vel
