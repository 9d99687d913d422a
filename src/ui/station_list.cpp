#include "ui/station_list.h"

#include "base/program_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace vel::ui {
namespace {

const QString kArray = QStringLiteral("stations");
const QString kFolderKey = QStringLiteral("folder");

}  // namespace

QString userStationListFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/velloran/stations.ini");
}

QStringList loadStationFolders(const QString& listFile) {
    QSettings ini(listFile, QSettings::IniFormat);
    QStringList folders;
    const int count = ini.beginReadArray(kArray);
    for (int i = 0; i < count; ++i) {
        ini.setArrayIndex(i);
        const QString folder = ini.value(kFolderKey).toString();
        if (!folder.isEmpty()) folders.append(folder);
    }
    ini.endArray();
    return folders;
}

bool saveStationFolders(const QString& listFile, const QStringList& folders) {
    if (!QDir().mkpath(QFileInfo(listFile).absolutePath())) return false;
    QSettings ini(listFile, QSettings::IniFormat);
    ini.remove(kArray);
    ini.beginWriteArray(kArray, static_cast<int>(folders.size()));
    for (int i = 0; i < folders.size(); ++i) {
        ini.setArrayIndex(i);
        ini.setValue(kFolderKey, folders[i]);
    }
    ini.endArray();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

QString stationFolderRefusal(const QString& folder, const QStringList& listed) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isWritable()) return kStationUnusableMessage + folder;
    const QString wanted = folderIdentity(folder);
    for (const QString& other : listed)
        if (folderIdentity(other) == wanted) return kStationListedMessage + folder;
    return {};
}

}  // namespace vel::ui
