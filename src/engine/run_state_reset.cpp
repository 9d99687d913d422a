#include "engine/run_state_reset.h"

#include "script/script_defaults.h"

namespace vel {

void resetRunState(RunState& state) {
    // The defaults are those a fresh RunState is built with. Only channel 0
    // is ever used; the other slots keep their construction values.
    const RunState fresh;
    state.startCode[0] = fresh.startCode[0];
    state.delimiterCode[0] = fresh.delimiterCode[0];
    state.endCode[0] = fresh.endCode[0];
    state.receiveTimeout[0] = fresh.receiveTimeout[0];
    state.sendTimeout[0] = fresh.sendTimeout[0];

    state.cycleInterval = fresh.cycleInterval;
    state.waitRemaining = fresh.waitRemaining;
    state.beepOnReceive = fresh.beepOnReceive;

    state.loopStart = fresh.loopStart;
}

void resetRunState(RunState& state, ScriptTables& tables) {
    resetRunState(state);
    resetScriptTables(tables);
}

}  // namespace vel
