// velloran-cli: the engine without windows.
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

#include "app/cli_check.h"
#include "app/cli_help.h"
#include "app/cli_run.h"
#include "app/cli_setup.h"
#include "base/local_time_zone.h"
#include "base/program_places.h"

namespace {

int usage() {
    std::fputs(vel::kCliUsage, stderr);
    return 2;
}

int help(const char* text) {
    std::fputs(text, stdout);
    return 0;
}

// Why these folders cannot run together, empty when they can. Two stations
// on one folder would write the same CSV, logs and setup.dat; two folders of
// one name would be one station on the record stream and in the lines.
QString clashingFolders(const std::vector<vel::ProgramFolder>& folders) {
    for (size_t i = 0; i < folders.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (vel::folderIdentity(folders[j].root) == vel::folderIdentity(folders[i].root))
                return QStringLiteral("同じプログラムフォルダが二度指定されています: ") + folders[i].root;
            if (QFileInfo(folders[j].root).fileName() == QFileInfo(folders[i].root).fileName())
                return QStringLiteral("名前が同じプログラムフォルダは一緒に動かせません: ") + folders[j].root +
                       QStringLiteral("、") + folders[i].root;
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    vel::readLocalTimeZoneOnce();  // before Qt or any thread asks for the local time
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    // The program folder option may stand anywhere on the line; run takes
    // several, one station each.
    QStringList homes;
    for (qsizetype i = 0; i < args.size();) {
        if (args[i] != QLatin1String("--home")) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size()) return usage();
        homes.append(args[i + 1]);
        args.remove(i, 2);
    }
    const QString home = homes.value(0);
    if (args.isEmpty()) return usage();
    const QString cmd = args.takeFirst();
    if (cmd == QLatin1String("--help") || cmd == QLatin1String("-h")) return help(vel::kCliUsage);
    const bool wantsHelp = args.contains(QLatin1String("--help"));
    if (homes.size() > 1 && cmd != QLatin1String("run")) return usage();

    // Chosen only for the commands that use it: a per-user folder is created on choosing.
    const auto folder = [&home] { return vel::chooseProgramFolder(vel::runningProgramPlaces(home)); };
    int rc = 2;
    if (cmd == QLatin1String("check")) {
        rc = wantsHelp ? help(vel::kCheckHelp) : vel::runCheck(args);
    } else if (cmd == QLatin1String("run")) {
        if (wantsHelp) return help(vel::kRunHelp);
        std::vector<vel::ProgramFolder> chosen;
        for (const QString& h : homes.isEmpty() ? QStringList{QString()} : homes)
            chosen.push_back(vel::chooseProgramFolder(vel::runningProgramPlaces(h)));
        if (const QString clash = clashingFolders(chosen); !clash.isEmpty()) {
            std::fprintf(stderr, "velloran-cli run: %s\n", clash.toUtf8().constData());
            return 2;
        }
        // Named before the run starts; the run writes them to its alarm log too.
        for (const vel::ProgramFolder& f : chosen)
            vel::printSettingNotes(vel::readExtensionSettings(f.extensionIni()),
                                   chosen.size() > 1 ? QFileInfo(f.root).fileName() + QStringLiteral(": ") : QString());
        rc = vel::runRun(args, chosen);
    } else if (cmd == QLatin1String("setup")) {
        // The command names its own refusals; the usage would bury them.
        return wantsHelp ? help(vel::kSetupHelp) : vel::runSetup(args, folder());
    }
    return rc == 2 ? usage() : rc;
}
