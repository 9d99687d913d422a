// Engine throughput: whole acquisition cycles (send, one reply parsed into
// values, evaluated with limits and alarms, one CSV row) on the manual clock
// and a fake port, with the logs on or off. The line rate of 115200 baud is
// about 1,000 ten-byte replies a second; items_per_second is replies.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "measure/value_store.h"
#include "serial/reply_assembler.h"
#include "support/engine_rig.h"
#include "support/measure_bench.h"

namespace vel::test {
namespace {

struct CycleRig {
    EngineRig rig;
    QTemporaryDir memory{QStringLiteral("/dev/shm/velloran-bench-XXXXXX")};
    TempProgramFolder out;
    qsizetype answered = 0;

    // The CSV on the disk (each row synced to it) or on a memory file system.
    CycleRig(bool logs, int values, bool csvOnDisk) {
        rig.useScript({"DEC:D1=3", "ALM:D1>50", "MAX:D2=100", "SCD:", "DCD:,", "ECD:%0D", "RTM:1", "ITM:0", "SSS",
                       "SND:MEAS?%0D", "RCV", "SET", "EEE"});
        rig.engine.lineHooks() = {};
        rig.engine.settings().csvOn = true;
        rig.engine.settings().csvPath =
            csvOnDisk || !memory.isValid() ? out.path("bench.csv") : memory.path() + "/bench.csv";
        rig.engine.settings().numberColumnOn = true;
        rig.engine.settings().timeStampMode = 1;
        rig.engine.settings().rsLogEnabled = logs;
        rig.engine.settings().alarmLogEnabled = logs;
        QStringList fields;
        for (int i = 0; i < values; ++i) fields << QString::number(12.345 + i, 'f', 3);
        reply = fields.join(',') + "\r";
        rig.start();
    }

    // Ticks until the reply of one more cycle has been taken and the cycle ended.
    void oneCycle() {
        const int32_t before = rig.engine.settings().acquisitionNumber;
        while (rig.engine.settings().acquisitionNumber == before) {
            rig.tick(1);
            if (rig.port.writes.size() > answered) {
                rig.port.writes.clear();
                rig.port.receive(reply);
            }
        }
    }
    QString reply;
};

void EngineCycles(benchmark::State& state) {
    CycleRig c(state.range(0) != 0, static_cast<int>(state.range(1)), state.range(2) != 0);
    for (auto _ : state) c.oneCycle();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * c.reply.size());
}
// Logs on or off; one value a reply is about the ten-byte reply of the
// line-rate figure; the CSV on the disk or in memory. Real time: the sync of
// each row is part of what a cycle costs the run's one thread.
BENCHMARK(EngineCycles)
    ->ArgNames({"logs", "values", "disk"})
    ->Args({1, 1, 1})
    ->Args({1, 1, 0})
    ->Args({0, 1, 0})
    ->Args({1, 5, 1})
    ->Args({1, 5, 0})
    ->UseRealTime();

// The reply assembler and evaluation alone, without the loop and the files.
void TakeReply(benchmark::State& state) {
    MeasureBench b;
    b.run.endCode[0] = 13;
    b.run.delimiterCode[0] = 44;
    for (auto _ : state) {
        b.run.receiveBuffer[0] = QStringLiteral("12.345,67.890,1013,4.5,-7\r");
        b.run.valueCount = 0;
        const auto fields = takeReply(b.run, b.log, 0);
        if (fields) storeReplyFields(b.ctx, *fields);
        benchmark::DoNotOptimize(fields);
        if (b.log.rsLines.size() > 1000) b.log.rsLines.clear();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TakeReply);

}  // namespace
}  // namespace vel::test

BENCHMARK_MAIN();
