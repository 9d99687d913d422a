#include "engine/run_state_reset.h"

#include "script/script_defaults.h"

namespace vel {

void resetRunState(RunState& state) {
    // Only channel 0 is ever used; the other slots keep their construction values.
    state.startCode[0] = 0;
    state.delimiterCode[0] = 44;  // ","
    state.endCode[0] = 13;        // carriage return
    state.receiveTimeout[0] = Fixed4::fromInt(9'999'000);
    state.sendTimeout[0] = Fixed4::fromInt(2'000);

    state.cycleInterval = Fixed4{};
    state.waitRemaining = Fixed4{};
    state.beepOnReceive = false;

    state.loopStart = -1;
}

void resetRunState(RunState& state, ScriptTables& tables) {
    resetRunState(state);
    resetScriptTables(tables);
}

}  // namespace vel
