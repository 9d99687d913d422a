// What the engine does for an unattended station: a port that fails during a
// run is closed and opened again on the run driver's deadlines, and cycles
// without any reply raise the no-reply alarm, each channel on its own. Each
// change goes to the alarm log and counts for the alarm mail as an item's
// alarm does.
#include <algorithm>

#include "engine/engine.h"
#include "log/log_lines.h"
#include "mail/mail_compose.h"
#include "text/vb.h"

namespace vel {
namespace {

// Station changes waiting for the alarm mail; a station that flaps while the
// mail cannot go keeps the latest ones.
constexpr qsizetype kMaxMailNotes = 50;

}  // namespace

// Channel 0 and every channel the script selects are watched. Where the
// script talks to several channels, channel 0 too counts only the cycles
// that wait for its reply: a channel that is only sent to never answers.
void Engine::startStationWatch() {
    watched_ = channelsUsed();
    const bool severalChannels = std::count(watched_.begin(), watched_.end(), true) > 1;
    for (size_t ch = 0; ch < watched_.size(); ++ch) {
        reconnect_[ch] = ReconnectSchedule{Fixed4::fromInt(int64_t{extensions_.reconnectSeconds} * 1000)};
        silence_[ch] = SilenceWatch{watched_[ch] ? extensions_.silenceCycles : 0, severalChannels};
    }
    cycleInterrupted_ = {};
}

// The run monitor's error line shows the change too, unless it holds it already.
void Engine::stationChange(const QString& text, bool raised, bool onErrorLine) {
    const QDateTime now = timer_.localNow();
    log_.alarmLogLine(loglines::stationChange(now, text));
    if (onErrorLine) monitor_.labelErrorMess = vb::formatDate(now, vb::DateFormat::TimeOnly) + u' ' + text;
    (raised ? pending_.raised : pending_.cleared) = true;
    // Only the alarm mail takes the notes away: without it they would pile up
    // for as long as the run goes on.
    if (!settings_.alarmMailOn) return;
    pending_.notes << composeStationLine(now, text);
    if (pending_.notes.size() > kMaxMailNotes) pending_.notes.remove(0, pending_.notes.size() - kMaxMailNotes);
}

void Engine::watchPorts() {
    for (int ch = 0; ch < kChannels; ++ch) {
        watchPort(ch);
        tryReconnect(ch);
    }
}

// The port closes itself when its device goes (unplugged, I/O error, the
// link's target gone); the run goes on without it until it opens again.
void Engine::watchPort(int channel) {
    const auto ch = static_cast<size_t>(channel);
    if (!run_.running || !watched_[ch] || reconnect_[ch].lost) return;
    SerialPort& port = portOf(channel);
    if (port.isOpen()) return;
    port.close();
    markPortLost(reconnect_[ch], timer_.timerNowMs());
    cycleInterrupted_[ch] = true;
    // Channel 0's loss is on the error line already as the line's own error
    // (DCB), which stays; that error does not say which channel another one is.
    stationChange(portLostText(channel), true, /*onErrorLine=*/channel != 0);
}

// Opens the same Com number again (its dev/comN link may lead to a new
// device by now) with the channel's own line settings, and prepares it as
// the start of a run does.
void Engine::tryReconnect(int channel) {
    const auto ch = static_cast<size_t>(channel);
    // The clock is read only for a port that is away: every tick asks each channel.
    if (!run_.running || !reconnect_[ch].lost) return;
    const Fixed4 now = timer_.timerNowMs();
    if (!reconnectDue(reconnect_[ch], now)) return;
    SerialPort& port = portOf(channel);
    // Only the device the run was using: never another that answers to the
    // Com number while the instrument is away.
    if (!port.reopen()) {
        reconnectFailed(reconnect_[ch], now);
        return;
    }
    port.prepare();
    // Whatever part of a reply was left from before the gap is no reply.
    run_.receiveBuffer[ch].clear();
    reconnect_[ch].lost = false;
    stationChange(portBackText(channel), false);
}

void Engine::replyTaken(int channel) {
    if (replyArrived(silence_[static_cast<size_t>(channel)])) stationChange(replyBackText(channel), false);
}

void Engine::silenceCheck() {
    for (int ch = 0; ch < kChannels; ++ch) {
        SilenceWatch& watch = silence_[static_cast<size_t>(ch)];
        if (cycleClosed(watch)) stationChange(silenceText(watch.limit, ch), true);
    }
}

// A cycle held without a reply (a receive wait without a time-out) raises
// the alarm by its length; a pause is the operator's and counts nothing.
void Engine::silenceTimeCheck() {
    if (!run_.running || run_.paused) return;
    const Fixed4 now = timer_.timerNowMs();
    for (int ch = 0; ch < kChannels; ++ch) {
        SilenceWatch& watch = silence_[static_cast<size_t>(ch)];
        if (silenceTimeUp(watch, now, run_.cycleInterval))
            stationChange(silenceText(watch.limit, ch), true);
    }
}

// A cycle talks to a channel again only with its port: one begun while the
// port is away stays quiet on that channel to its end.
void Engine::cycleBegins() {
    const Fixed4 now = timer_.timerNowMs();
    for (size_t ch = 0; ch < silence_.size(); ++ch) {
        cycleInterrupted_[ch] = reconnect_[ch].lost;
        cycleStarted(silence_[ch], now);
    }
}

// While a port is gone, the next try to open it is a deadline of its own;
// so is the moment a held cycle raises a no-reply alarm.
TickPlan Engine::withStationDeadlines(TickPlan plan) const {
    using When = TickPlan::When;
    if (plan.when == When::Now || plan.when == When::Paced) return plan;
    for (size_t ch = 0; ch < silence_.size(); ++ch) {
        const Fixed4 silence = run_.paused ? Fixed4{} : silenceDeadlineMs(silence_[ch], run_.cycleInterval);
        for (const Fixed4 due : {nextReconnectMs(reconnect_[ch]), silence}) {
            if (due.raw == 0 || (plan.when == When::At && plan.atMs <= due)) continue;
            plan = {When::At, due};
        }
    }
    return plan;
}

}  // namespace vel
