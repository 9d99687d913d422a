#include "base/program_places.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// The install rule's share/velloran seen from its bin/ folder, e.g. "../share/velloran";
// relative so that a package installed under another prefix still finds it.
#ifndef VEL_SHARE_FROM_BIN
#define VEL_SHARE_FROM_BIN "../share/velloran"
#endif

namespace vel {

ProgramPlaces runningProgramPlaces(const QString& homeOption) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    // The generic location rather than the application one: velloran and velloran-cli share it.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return {homeOption, exeDir, QDir::cleanPath(exeDir + "/" + QStringLiteral(VEL_SHARE_FROM_BIN)),
            dataHome.isEmpty() ? QString() : dataHome + "/velloran"};
}

ProgramFolder chooseProgramFolder(const ProgramPlaces& places) {
    if (!places.homeOption.isEmpty()) return {QDir(places.homeOption).absolutePath()};
    const QFileInfo exeDir(places.executableDir);
    // Root may write /usr/bin, yet setup.dat does not belong there.
    const bool installed = QFileInfo::exists(places.installedShare + "/manual/help.html");
    if ((!installed && exeDir.isWritable()) || places.userDataDir.isEmpty())
        return {exeDir.absoluteFilePath()};
    QDir().mkpath(places.userDataDir);
    return {QDir(places.userDataDir).absolutePath()};
}

QString manualFile(const ProgramFolder& folder, const QString& installedShare) {
    const QString own = folder.manual();
    if (QFileInfo::exists(own)) return own;
    const QString shared = installedShare + "/manual/help.html";
    return QFileInfo::exists(shared) ? shared : own;
}

}  // namespace vel
