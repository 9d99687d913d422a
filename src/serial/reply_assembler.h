#pragma once
// The reply assembler: takes one complete reply (up to the end code) out of
// a channel's receive buffer, logs it, and cuts it into values for the data
// items of the current record.
#include <functional>

#include "measure/measure_context.h"

namespace vel {

// Takes at most one reply out of receiveBuffer[channel]:
// - the reply is the text up to and including the first end code; other
//   control characters (below 32) are left out unless they are the
//   delimiter; the buffer keeps what follows the end code;
// - the communication log gets "○ " and the reply; with beepOnReceive the
//   `beep` callback is called once;
// - the start, delimiter and end codes close fields; each non-empty field is
//   the next value of the record (stampRecord, then storeValue into item
//   valueCount, and valueCount + 1). A record holds at most 257 values;
//   further fields of the same record are dropped.
// False, with the buffer unchanged, when it holds no end code.
bool takeReply(MeasureContext& ctx, int channel, const std::function<void()>& beep = {});

// True when receiveBuffer[channel] holds an end code: takeReply would take a reply.
bool replyBuffered(const RunState& run, int channel);

}  // namespace vel
