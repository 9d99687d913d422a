#pragma once
// The program folder: where setup.dat, velloran.ini, Log/, manual/ and dev/ live. By default
// the folder of the executable, or a per-user folder for an installed program
// (program_places.h); velloran-cli --home names another one.
#include <QDir>
#include <QFileInfo>
#include <QString>

namespace vel {

struct ProgramFolder {
    QString root;  // absolute, without a trailing "/"

    QString path(const QString& relative) const { return root + "/" + relative; }
    QString setupDat() const { return path("setup.dat"); }
    QString extensionIni() const { return path("velloran.ini"); }  // the settings setup.dat cannot hold
    QString logDir() const { return path("Log"); }
    QString logFile(const QString& name) const { return path("Log/" + name); }  // e.g. "RsLog.log"
    QString manual() const { return path("manual/help.html"); }
    QString comLink(int portNumber) const { return path("dev/com" + QString::number(portNumber)); }
};

// One spelling per folder (links, "..", a trailing "/" resolved), so that
// two names of one folder compare equal.
inline QString folderIdentity(const QString& folder) {
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

}  // namespace vel
