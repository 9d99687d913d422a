// velloran-cli: the engine without windows.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "app/cli_check.h"
#include "core/program_folder.h"

namespace {

const char kUsage[] =
    "usage: velloran-cli [--home DIR] COMMAND ...\n"
    "  check SCRIPT [--json]   load SCRIPT as a run start would and print its command and\n"
    "                          data-item tables (exit 0), or the loader's message (exit 1)\n"
    "  --home DIR              the program folder (default: the executable's folder)\n";

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
    vel::ProgramFolder folder{QCoreApplication::applicationDirPath()};
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--home")) continue;
        if (i + 1 >= args.size()) return usage();
        folder.root = args[i + 1];
        args.remove(i, 2);
        break;
    }
    if (args.isEmpty()) return usage();
    const QString cmd = args.takeFirst();

    int rc = 2;
    if (cmd == QLatin1String("check")) rc = vel::runCheck(args);
    return rc == 2 ? usage() : rc;
}
