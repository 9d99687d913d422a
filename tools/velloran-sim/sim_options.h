#pragma once
// Command-line options of velloran-sim.
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace vel::sim {

struct SimOptions {
    QString linkPath;        // where to link the pty slave; empty: no link
    QList<QPair<QString, QString>> replies;  // command -> reply template, as given
    int streamMs = 0;        // send a reading every streamMs without being asked; 0 off
    int delayMs = 0;         // delay of each reply
    int dropEvery = 0;       // drop every Nth answer; 0 off
    int alarmEvery = 0;      // every Nth reading is far out of range; 0 off
    unsigned seed = 1;       // of the random walk of the values
    bool flood = false;      // send endlessly without an end code
    bool quiet = false;      // nothing on stdout
    bool help = false;
};

// Nothing (and error set) when the arguments are not understood.
std::optional<SimOptions> parseSimOptions(const QStringList& args, QString* error);

QString simUsage();

}  // namespace vel::sim
