#pragma once
// The reply assembler: takes one complete reply (up to the end code) out of
// a channel's receive buffer, logs it, and cuts it into the fields that
// become the values of the current record.
#include <QStringList>
#include <functional>
#include <optional>

#include "base/run_state.h"
#include "log/log_sink.h"

namespace vel {

// Takes at most one reply out of receiveBuffer[channel]:
// - the reply is the text up to and including the first end code; other
//   control characters (below 32) are left out unless they are the
//   delimiter; the buffer keeps what follows the end code;
// - the communication log gets "○ " and the reply; with beepOnReceive the
//   `beep` callback is called once;
// - the start, delimiter and end codes close fields; the non-empty fields
//   are returned in order (evaluation stores them as the record's next
//   values).
// Nothing, with the buffer unchanged, when it holds no end code.
std::optional<QStringList> takeReply(RunState& run, LogSink& log, int channel,
                                     const std::function<void()>& beep = {});

// True when receiveBuffer[channel] holds an end code: takeReply would take a reply.
bool replyBuffered(const RunState& run, int channel);

}  // namespace vel
