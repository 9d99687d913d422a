#include "sim_instrument.h"

#include <algorithm>

#include "sim_text.h"
#include "text/cp932.h"

namespace vel::sim {
namespace {

constexpr int kMaxLine = 4096;   // a longer "command" is taken as it stands
constexpr int kFloodPaceMs = 1;     // one flood chunk per millisecond at most,
constexpr int kFloodReadings = 8;   // of this many readings (about 150 kB/s)
const char* const kMeasure = "MEAS?";

}  // namespace

Instrument::Instrument(const SimOptions& options, Send send, Print print, qint64 nowMs)
    : options_(options), send_(std::move(send)), print_(std::move(print)),
      drift_(options.seed, options.alarmEvery) {
    replies_.insert(kMeasure, "{v1},{v2},{v3}\r");
    replies_.insert("*IDN?", "VELLORAN,velloran-sim,0,1.0\r");
    for (const auto& [cmd, text] : options.replies) replies_.insert(cmd.trimmed(), unescapeReply(text));
    if (options.streamMs > 0) nextStreamMs_ = nowMs + options.streamMs;
    if (options.flood) {
        nextFloodMs_ = nowMs;
        print_("# flooding without an end code");
    }
}

void Instrument::received(const QByteArray& bytes, qint64 nowMs) {
    for (char b : bytes) {
        if (b == '\n' && afterCr_) {  // the LF of a CR LF: the command has already ended
            afterCr_ = false;
            continue;
        }
        afterCr_ = b == '\r';
        if (b == '\r' || b == '\n') {
            command(line_, QByteArray(1, b), nowMs);
            line_.clear();
        } else {
            line_.append(b);
            if (line_.size() >= kMaxLine) {
                command(line_, {}, nowMs);
                line_.clear();
            }
        }
    }
}

void Instrument::command(const QByteArray& line, const QByteArray& terminator, qint64 nowMs) {
    print_("< " + escapeForLog(cp932::decode(line + terminator)));
    const QString key = cp932::decode(line).trimmed();
    if (key.isEmpty() || options_.flood) return;
    const auto it = replies_.constFind(key);
    if (it == replies_.constEnd()) {
        print_("# no answer to " + escapeForLog(key));
        return;
    }
    if (options_.delayMs > 0) pending_.push_back({nowMs + options_.delayMs, *it});
    else answer(*it);
}

void Instrument::answer(const QString& templ) {
    ++answers_;
    // {n} numbers the answers, dropped ones included, so a listener can tell
    // exactly which it missed.
    const QString text = fillReply(templ, drift_).replace("{n}", QString::number(answers_));
    if (options_.dropEvery > 0 && answers_ % options_.dropEvery == 0) {
        print_("x " + escapeForLog(text));
        return;
    }
    print_("> " + escapeForLog(text));
    send_(cp932::encode(text));
}

void Instrument::tick(qint64 nowMs, bool lineIdle) {
    while (!pending_.empty() && pending_.front().dueMs <= nowMs) {
        const QString templ = pending_.front().templ;
        pending_.pop_front();
        answer(templ);
    }
    if (nextStreamMs_ >= 0 && nowMs >= nextStreamMs_) {
        answer(replies_.value(kMeasure));
        // Keep the grid; after a long stall, start again from now.
        nextStreamMs_ += options_.streamMs;
        if (nextStreamMs_ <= nowMs) nextStreamMs_ = nowMs + options_.streamMs;
    }
    if (nextFloodMs_ >= 0 && nowMs >= nextFloodMs_ && lineIdle) {
        QString chunk;
        for (int i = 0; i < kFloodReadings; ++i) {
            const Reading r = drift_.next();
            chunk += r.v1 + "," + r.v2 + "," + r.v3 + ",";
        }
        send_(cp932::encode(chunk));
        nextFloodMs_ = nowMs + kFloodPaceMs;
    }
}

qint64 Instrument::nextDueMs(bool lineIdle) const {
    qint64 due = -1;
    auto consider = [&due](qint64 t) {
        if (t >= 0 && (due < 0 || t < due)) due = t;
    };
    if (!pending_.empty()) consider(pending_.front().dueMs);
    consider(nextStreamMs_);
    if (lineIdle) consider(nextFloodMs_);
    return due;
}

}  // namespace vel::sim
