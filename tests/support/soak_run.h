#pragma once
// A long run on the manual clock: a five-value script with alarms coming and
// going, the communication log, the alarm log and the CSV on, answered by
// the fake port. Used by the soak test and the soak benchmark.
#include <QString>
#include <cstdio>
#include <unistd.h>

#include "support/engine_rig.h"

namespace vel::test {

// Resident set size in KiB, from /proc/self/statm.
inline long residentKiB() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    long size = 0, resident = 0;
    const int n = std::fscanf(f, "%ld %ld", &size, &resident);
    std::fclose(f);
    return n == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

struct Soak {
    EngineRig rig;
    long cycles = 0;

    explicit Soak(const QString& csv) {
        rig.useScript({"NAM:D1=槽内温度", "DEC:D1=2", "ALM:D1>50", "ALM:D3<0", "MAX:D2=100", "SCD:", "DCD:,",
                       "ECD:%0D", "RTM:1", "ITM:0", "SSS", "SND:MEAS?%0D", "RCV", "SET", "EEE"});
        rig.engine.lineHooks() = {};  // the rig's own line recorder would grow with the run
        rig.engine.settings().csvOn = true;
        rig.engine.settings().csvPath = csv;
        rig.engine.settings().numberColumnOn = true;
        rig.engine.settings().timeStampMode = 1;
        rig.engine.settings().rsLogEnabled = true;
        rig.engine.settings().alarmLogEnabled = true;
    }

    // Runs until `count` more cycles have ended; every 50th reading is an alarm.
    void cyclesMore(long count) {
        const long until = cycles + count;
        while (cycles < until && rig.engine.running()) {
            rig.tick(1);
            if (!rig.port.writes.isEmpty()) {  // the command went out: answer it
                rig.port.writes.clear();
                const bool alarm = cycles % 50 == 0;
                rig.port.receive(QStringLiteral("%1,%2,%3,4.5,%4\r")
                                     .arg(alarm ? 99.5 : 20.0 + (cycles % 7) * 0.01)
                                     .arg(cycles % 100)
                                     .arg(alarm ? -1 : 1)
                                     .arg(cycles));
                ++cycles;
            }
        }
    }
};

}  // namespace vel::test
