// What the engine does for an unattended station: a port that fails during a
// run is closed and opened again on the run driver's deadlines, and cycles
// without any reply raise the no-reply alarm. Each change goes to the alarm
// log and counts for the alarm mail as an item's alarm does.
#include "engine/engine.h"
#include "log/log_lines.h"
#include "mail/mail_compose.h"
#include "text/vb.h"

namespace vel {
namespace {

constexpr int kChannel = 0;
// Station changes waiting for the alarm mail; a station that flaps while the
// mail cannot go keeps the latest ones.
constexpr qsizetype kMaxMailNotes = 50;

}  // namespace

void Engine::startStationWatch() {
    reconnect_ = ReconnectSchedule{Fixed4::fromInt(int64_t{extensions_.reconnectSeconds} * 1000)};
    silence_ = SilenceWatch{extensions_.silenceCycles};
    cycleInterrupted_ = false;
}

void Engine::stationChange(const QString& text, bool raised) {
    const QDateTime now = timer_.localNow();
    log_.alarmLogLine(loglines::stationChange(now, text));
    // The run monitor's error line shows the change too; a lost port is
    // already there as the line's own error (DCB), which stays.
    if (text != portLostText())
        monitor_.labelErrorMess = vb::formatDate(now, vb::DateFormat::TimeOnly) + u' ' + text;
    (raised ? pending_.raised : pending_.cleared) = true;
    // Only the alarm mail takes the notes away: without it they would pile up
    // for as long as the run goes on.
    if (!settings_.alarmMailOn) return;
    pending_.notes << composeStationLine(now, text);
    if (pending_.notes.size() > kMaxMailNotes) pending_.notes.remove(0, pending_.notes.size() - kMaxMailNotes);
}

// The port closes itself when its device goes (unplugged, I/O error, the
// link's target gone); the run goes on without it until it opens again.
void Engine::watchPort() {
    if (!run_.running || reconnect_.lost || platform_.port.isOpen()) return;
    platform_.port.close();
    markPortLost(reconnect_, timer_.timerNowMs());
    cycleInterrupted_ = true;
    stationChange(portLostText(), true);
}

// Opens the same Com number again (its dev/comN link may lead to a new
// device by now) and prepares it as the start of a run does.
void Engine::tryReconnect() {
    const Fixed4 now = timer_.timerNowMs();
    if (!run_.running || !reconnectDue(reconnect_, now)) return;
    // Only the device the run was using: never another that answers to the
    // Com number while the instrument is away.
    if (!platform_.port.reopen()) {
        reconnectFailed(reconnect_, now);
        return;
    }
    platform_.port.prepare();
    // Whatever part of a reply was left from before the gap is no reply.
    run_.receiveBuffer[kChannel].clear();
    reconnect_.lost = false;
    stationChange(portBackText(), false);
}

void Engine::replyTaken() {
    if (replyArrived(silence_)) stationChange(replyBackText(), false);
}

void Engine::silenceCheck() {
    if (cycleClosed(silence_)) stationChange(silenceText(silence_.limit), true);
}

// A cycle held without a reply (a receive wait without a time-out) raises
// the alarm by its length; a pause is the operator's and counts nothing.
void Engine::silenceTimeCheck() {
    if (!run_.running || run_.paused) return;
    if (silenceTimeUp(silence_, timer_.timerNowMs(), run_.cycleInterval))
        stationChange(silenceText(silence_.limit), true);
}

// A cycle starts talking again only with its port: one begun while the port
// is away stays quiet to its end.
void Engine::cycleBegins() {
    cycleInterrupted_ = reconnect_.lost;
    cycleStarted(silence_, timer_.timerNowMs());
}

// While the port is gone, the next try to open it is a deadline of its own;
// so is the moment a held cycle raises the no-reply alarm.
TickPlan Engine::withStationDeadlines(TickPlan plan) const {
    using When = TickPlan::When;
    const Fixed4 silence = run_.paused ? Fixed4{} : silenceDeadlineMs(silence_, run_.cycleInterval);
    for (const Fixed4 due : {nextReconnectMs(reconnect_), silence}) {
        if (due.raw == 0 || plan.when == When::Now || plan.when == When::Paced) continue;
        if (plan.when == When::At && plan.atMs <= due) continue;
        plan = {When::At, due};
    }
    return plan;
}

}  // namespace vel
