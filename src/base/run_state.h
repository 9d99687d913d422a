#pragma once
// The program-wide variables of a run. One instance lives in the engine and
// is passed explicitly to whatever reads or writes it.
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

#include "base/fixed4.h"

namespace vel {

inline constexpr int kChannels = 8;  // channel 0 (setup.dat's port) and channels 1–7 (CHN:n)

// Display pattern for 0..9 decimals: "#0", "#0.0", ... "#0.000000000".
using NumberFormats = std::array<QString, 10>;

inline NumberFormats makeNumberFormats() {
    NumberFormats f;
    for (int n = 0; n < 10; ++n) f[n] = n == 0 ? QStringLiteral("#0") : "#0." + QString(n, QLatin1Char('0'));
    return f;
}

struct RunState {
    bool running = false;
    bool paused = false;
    bool endRequested = false;
    int32_t stepIndex = 0;       // wide enough to pass the last of 32,767 commands
    int16_t stepPhase = 0;       // 0 = not started, 1 = started and waiting
    int16_t loopStart = -1;      // index after the last SSS; -1 = none yet
    int16_t lastExecutedCode = 0;  // not reset between runs
    int16_t valueCount = 0;
    int16_t evaluatedCount = 0;
    Fixed4 cycleInterval{};
    Fixed4 nextCycleMs{};
    Fixed4 waitRemaining{};
    Fixed4 runStartMs{};
    QDateTime runStartDate;
    QDateTime runEndDate;
    bool beepOnReceive = false;
    int channel = 0;  // the channel the commands act on (CHN:n); a run starts on 0

    std::array<QString, kChannels> receiveBuffer{};
    // The line's codes and time-outs as a run starts (a script sets them).
    std::array<uint8_t, kChannels> startCode{};
    std::array<uint8_t, kChannels> delimiterCode{44, 44, 44, 44, 44, 44, 44, 44};  // ","
    std::array<uint8_t, kChannels> endCode{13, 13, 13, 13, 13, 13, 13, 13};        // carriage return
    std::array<Fixed4, kChannels> receiveTimeout{};
    std::array<Fixed4, kChannels> sendTimeout{};

    NumberFormats numberFormats = makeNumberFormats();

    RunState() {
        receiveTimeout.fill(Fixed4::fromInt(9'999'000));
        sendTimeout.fill(Fixed4::fromInt(2'000));
    }
};

}  // namespace vel
