#pragma once
// The start-up steps that come before the main window: the high-resolution
// clock, the receive buffers, the log rotation and the number formats.
#include <QString>
#include <functional>

#include "base/clock.h"
#include "base/message_box.h"
#include "base/run_state.h"

namespace vel {

// Shown when the high-resolution clock cannot be used; the program then ends.
inline const QString kNoClockMessage =
    QStringLiteral("このプログラムは、このPCでは動作できません。（高精度タイマーが使用できない為）");

// Runs the steps in order: prepare the clock (when it is not ready afterwards,
// show kNoClockMessage and stop), empty every receive buffer, rotate the logs (when given; its
// failures are its own business), fill the number formats. Returns true when
// the program can go on to its main window, false when it must end.
bool startUp(Timer& timer, MessageBox& messages, RunState& state,
             const std::function<void()>& rotateLogs = {});

}  // namespace vel
