// One long run on the manual clock (default one million cycles) of the soak
// script: five values a reply, every 50th an alarm, communication and alarm
// logs, CSV with a row each cycle. Prints the resident memory and the pane
// sizes every tenth of the run, so growth with the number of cycles shows.
//
//   soak_bench [CYCLES] [FOLDER]     FOLDER for the CSV, default /dev/shm
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "support/soak_run.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const long cycles = argc > 1 ? std::atol(argv[1]) : 1000000;
    const QString parent = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/dev/shm");
    QTemporaryDir folder(parent + "/velloran-soak-XXXXXX");
    if (cycles <= 0 || !folder.isValid()) {
        std::fprintf(stderr, "usage: soak_bench [CYCLES] [FOLDER]\n");
        return 2;
    }
    vel::test::Soak soak(folder.path() + "/soak.csv");
    if (!soak.rig.start()) {
        std::fprintf(stderr, "the run did not start\n");
        return 1;
    }

    std::printf("%10s %10s %9s %9s %8s %9s\n", "cycles", "RSS KiB", "txtTerm", "txtLog", "grid", "cycles/s");
    QElapsedTimer wall;
    wall.start();
    const long step = cycles / 10 > 0 ? cycles / 10 : 1;
    while (soak.cycles < cycles && soak.rig.engine.running()) {
        const qint64 before = wall.nsecsElapsed();
        const long from = soak.cycles;
        soak.cyclesMore(std::min(step, cycles - soak.cycles));
        const double seconds = static_cast<double>(wall.nsecsElapsed() - before) / 1e9;
        const vel::RunMonitorModel& m = soak.rig.engine.monitor();
        std::printf("%10ld %10ld %9lld %9lld %8zu %9.0f\n", soak.cycles, vel::test::residentKiB(),
                    static_cast<long long>(m.txtTerm.size()), static_cast<long long>(m.txtLog.size()), m.grid.size(),
                    static_cast<double>(soak.cycles - from) / seconds);
        std::fflush(stdout);
    }
    for (int i = 0; i < 5; ++i) soak.rig.tick(1);  // the last answered cycle ends
    const long records = soak.rig.engine.monitor().recordCount();
    soak.rig.engine.forceEnd();

    QFile csv(folder.path() + "/soak.csv");
    long lines = 0;
    if (csv.open(QIODevice::ReadOnly))
        while (!csv.atEnd()) {
            csv.readLine();
            ++lines;
        }
    std::printf("records %ld, CSV rows %ld, messages %lld, %.1f s\n", records, lines - 1,
                static_cast<long long>(soak.rig.box.shown.size()), static_cast<double>(wall.elapsed()) / 1000);
    return records == soak.cycles && lines - 1 == soak.cycles && soak.rig.box.shown.isEmpty() ? 0 : 1;
}
