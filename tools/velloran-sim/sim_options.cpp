#include "sim_options.h"

#include <QDir>
#include <QStringList>

#include "base/program_folder.h"

namespace vel::sim {
namespace {

bool readCount(const QString& text, int maxValue, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > maxValue) return false;
    *out = v;
    return true;
}

}  // namespace

QString simUsage() {
    return QStringLiteral(
        "usage: velloran-sim [--home DIR [--com N] | --link PATH] [options]\n"
        "A simulated instrument on a pseudo-terminal. Commands end with CR, LF or CR LF.\n"
        "  --home DIR       link DIR/dev/comN to the pty (N from --com, default 1)\n"
        "  --com N          the port number of that link\n"
        "  --link PATH      link PATH to the pty instead\n"
        "  --reply CMD=TEXT answer CMD with TEXT (escapes \\r \\n \\t \\\\ \\xNN;\n"
        "                   {v1} {v2} {v3} are the drifting values, {n} the\n"
        "                   answer's number from 1); repeatable\n"
        "  --stream MS      send the MEAS? answer every MS ms without being asked\n"
        "  --delay MS       delay each answer by MS ms\n"
        "  --drop N         drop every Nth answer (streamed readings included)\n"
        "  --alarm-every N  every Nth reading carries a value far out of range\n"
        "  --seed S         seed of the values' random walk (default 1)\n"
        "  --flood          send readings endlessly, without an end code\n"
        "  --quiet          print nothing; otherwise each line received (<), sent (>)\n"
        "                   or dropped (x) is printed, escaped\n"
        "Default answers: MEAS? -> {v1},{v2},{v3}\\r (12.345,67.890,1013 at first),\n"
        "*IDN? -> an identification line.\n");
}

std::optional<SimOptions> parseSimOptions(const QStringList& args, QString* error) {
    SimOptions o;
    QString home;
    int com = 1;
    bool comGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString* out) {
            if (i + 1 >= args.size()) {
                *error = a + " needs a value";
                return false;
            }
            *out = args[++i];
            return true;
        };
        auto count = [&](int maxValue, int* out) {
            QString v;
            if (!value(&v)) return false;
            if (!readCount(v, maxValue, out)) {
                *error = a + ": not a count: " + v;
                return false;
            }
            return true;
        };
        QString v;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--home") {
            if (!value(&home)) return std::nullopt;
        } else if (a == "--com") {
            if (!count(9999, &com)) return std::nullopt;
            comGiven = true;
        } else if (a == "--link") {
            if (!value(&o.linkPath)) return std::nullopt;
        } else if (a == "--reply") {
            if (!value(&v)) return std::nullopt;
            const int eq = v.indexOf('=');
            if (eq <= 0) {
                *error = "--reply wants CMD=TEXT: " + v;
                return std::nullopt;
            }
            o.replies.append({v.left(eq), v.mid(eq + 1)});
        } else if (a == "--stream") {
            if (!count(3600000, &o.streamMs)) return std::nullopt;
        } else if (a == "--delay") {
            if (!count(3600000, &o.delayMs)) return std::nullopt;
        } else if (a == "--drop") {
            if (!count(1000000, &o.dropEvery)) return std::nullopt;
        } else if (a == "--alarm-every") {
            if (!count(1000000, &o.alarmEvery)) return std::nullopt;
        } else if (a == "--seed") {
            if (!value(&v)) return std::nullopt;
            bool ok = false;
            o.seed = v.toUInt(&ok);
            if (!ok) {
                *error = "--seed: not a number: " + v;
                return std::nullopt;
            }
        } else if (a == "--flood") {
            o.flood = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else {
            *error = "unknown option " + a;
            return std::nullopt;
        }
    }
    if (!home.isEmpty() && !o.linkPath.isEmpty()) {
        *error = "--home and --link name two links; give one";
        return std::nullopt;
    }
    if (comGiven && home.isEmpty()) {
        *error = "--com needs --home";
        return std::nullopt;
    }
    if (comGiven && com < 1) {
        *error = "--com: port numbers start at 1";
        return std::nullopt;
    }
    if (!home.isEmpty()) o.linkPath = ProgramFolder{QDir(home).absolutePath()}.comLink(com);
    return o;
}

}  // namespace vel::sim
