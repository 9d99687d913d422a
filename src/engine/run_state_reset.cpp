#include "engine/run_state_reset.h"

#include "script/script_defaults.h"

namespace vel {

void resetRunState(RunState& state) {
    // The defaults are those a fresh RunState is built with, on every
    // channel; a run starts on channel 0.
    const RunState fresh;
    state.startCode = fresh.startCode;
    state.delimiterCode = fresh.delimiterCode;
    state.endCode = fresh.endCode;
    state.receiveTimeout = fresh.receiveTimeout;
    state.sendTimeout = fresh.sendTimeout;
    state.channel = 0;

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
