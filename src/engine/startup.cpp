#include "engine/startup.h"

namespace vel {

bool startUp(Timer& timer, MessageBox& messages, RunState& state, const std::function<void()>& rotateLogs) {
    // A clock that is already prepared refuses a second preparation but is
    // perfectly usable, so only a clock that is not ready ends the program.
    if (!timer.timerInit() && !timer.timerReady()) {
        messages.info(kNoClockMessage);
        return false;
    }
    for (QString& buffer : state.receiveBuffer) buffer.clear();
    if (rotateLogs) rotateLogs();
    state.numberFormats = makeNumberFormats();
    return true;
}

}  // namespace vel
