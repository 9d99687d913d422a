#pragma once
// An engine on a manual clock, a fake port and a fake mail library, in a
// fresh program folder: the loop runs tick by tick under the test's control.
#include <QStringList>
#include <vector>

#include "engine/engine.h"
#include "support/fake_mailer.h"
#include "support/fake_serial_port.h"
#include "support/manual_clock.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"
#include "text/cp932.h"

namespace vel::test {

struct EngineRig {
    TempProgramFolder tmp;
    ManualClock clock;
    RecordingMessageBox box;
    FakeSerialPort port;
    FakeMailer mailer;
    Engine engine{EnginePlatform{clock, box, port, mailer, tmp.folder, {}, {}}};
    // Clock time of every communication-log line, and the lines.
    std::vector<double> rsTimes;
    QStringList rsLines;

    EngineRig() {
        engine.lineHooks().rsLine = [this](const QString& line) {
            rsLines.append(line);
            rsTimes.push_back(clock.nowMs());
        };
        port.setPortNumber(1);
        engine.settings().acquisitionLimitMs = Fixed4{};
        engine.startUp();
    }

    // Writes the script (one command per line, CP932, CR LF) and names it.
    void useScript(const QStringList& lines) {
        engine.settings().scriptPath = tmp.write("script.txt", cp932::encode(lines.join("\r\n") + "\r\n"));
    }

    bool start() { return engine.startRun(); }

    // Ticks every `stepMs` until `ms` have passed or the run is over.
    void runFor(double ms, double stepMs = 10) {
        const double end = clock.nowMs() + ms;
        while (clock.nowMs() < end && engine.running()) tick(stepMs);
    }

    void tick(double stepMs = 10) {
        clock.advanceMs(stepMs);
        engine.timerTick();
    }

    // Clock times of the cycle markers "[date time]".
    std::vector<double> cycleStarts() const {
        std::vector<double> t;
        for (int i = 0; i < rsLines.size(); ++i)
            if (rsLines[i].startsWith('[')) t.push_back(rsTimes[i]);
        return t;
    }

    QString sentBytes() const {
        QByteArray all;
        for (const QByteArray& b : port.writes) all += b;
        return QString::fromLatin1(all);
    }
};

}  // namespace vel::test
