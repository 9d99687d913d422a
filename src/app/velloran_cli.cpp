// velloran-cli: the engine without windows.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "app/cli_check.h"
#include "app/cli_run.h"
#include "app/cli_setup.h"
#include "base/program_places.h"

namespace {

const char kUsage[] =
    "usage: velloran-cli [--home DIR] COMMAND ...\n"
    "  check SCRIPT [--json]   load SCRIPT as a run start would and print its command and\n"
    "                          data-item tables (exit 0), or the loader's message (exit 1)\n"
    "  run [--service]         start a run from the folder's setup.dat as the start button does;\n"
    "                          runs until it ends by itself or SIGINT/SIGTERM stops it (exit 0),\n"
    "                          exit 1 when the run cannot start; --service prints only the port,\n"
    "                          alarm log lines, errors and the end (for a service's journal)\n"
    "  setup [NAME=VALUE ...]  print the choices in the folder's setup.dat, or change the named\n"
    "                          ones and save (port, lineSettings, script, csvOn, csv, minutes, ...)\n"
    "  --home DIR              the program folder (default: the executable's folder, or\n"
    "                          ~/.local/share/velloran when the program is installed)\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    // The program folder option may stand anywhere on the line.
    QString home;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--home")) continue;
        if (i + 1 >= args.size()) return usage();
        home = args[i + 1];
        args.remove(i, 2);
        break;
    }
    if (args.isEmpty()) return usage();
    const QString cmd = args.takeFirst();

    // Chosen only for the commands that use it: a per-user folder is created on choosing.
    const auto folder = [&home] { return vel::chooseProgramFolder(vel::runningProgramPlaces(home)); };
    int rc = 2;
    if (cmd == QLatin1String("check")) rc = vel::runCheck(args);
    else if (cmd == QLatin1String("run")) rc = vel::runRun(args, folder());
    else if (cmd == QLatin1String("setup")) rc = vel::runSetup(args, folder());
    return rc == 2 ? usage() : rc;
}
