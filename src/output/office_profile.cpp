#include "output/office_profile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace vel {
namespace {

struct ProfileSetting {
    const char* path;
    const char* name;
    const char* value;
};

const ProfileSetting* profileSettings(size_t& count) {
    static const ProfileSetting settings[] = {
        {"/org.openoffice.Setup/Product", "ooSetupLastVersion", "99.9"},
        {"/org.openoffice.Office.Common/Misc", "FirstRun", "false"},
        {"/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false"},
        {"/org.openoffice.Office.Common/Save/Document", "WarnAlienFormat", "false"},
    };
    count = std::size(settings);
    return settings;
}

QByteArray settingKey(const ProfileSetting& s) {
    return QByteArray("oor:path=\"") + s.path + "\"><prop oor:name=\"" + s.name + "\"";
}

QByteArray settingLine(const ProfileSetting& s) {
    return QByteArray("<item ") + settingKey(s) + " oor:op=\"fuse\"><value>" + s.value + "</value></prop></item>";
}

const QByteArray& fileHead() {
    static const QByteArray head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
        "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    return head;
}

}  // namespace

QString officeProfileSettingsFile(const QString& profileDir) {
    return profileDir + QStringLiteral("/user/registrymodifications.xcu");
}

QByteArray mergeOfficeProfileSettings(const QByteArray& existing) {
    static const QByteArray tail = "</oor:items>";
    size_t count = 0;
    const ProfileSetting* settings = profileSettings(count);

    // The office writes one item per line; lines that set one of our
    // settings are dropped and written anew below.
    QByteArray kept;
    const qsizetype end = existing.lastIndexOf(tail);
    if (end < 0) {
        kept = fileHead();
    } else {
        for (const QByteArray& line : existing.left(end).split('\n')) {
            bool ours = false;
            for (size_t i = 0; i < count && !ours; ++i) ours = line.contains(settingKey(settings[i]));
            if (!ours && !line.isEmpty()) kept += line + '\n';
        }
    }
    for (size_t i = 0; i < count; ++i) kept += settingLine(settings[i]) + '\n';
    kept += tail + '\n';
    return kept;
}

bool prepareOfficeProfile(const QString& profileDir) {
    const QString file = officeProfileSettingsFile(profileDir);
    if (!QDir().mkpath(profileDir + QStringLiteral("/user"))) return false;
    QByteArray existing;
    QFile in(file);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly)) return false;
        existing = in.readAll();
        in.close();
    }
    const QByteArray merged = mergeOfficeProfileSettings(existing);
    if (merged == existing) return true;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(merged);
    return out.commit();
}

}  // namespace vel
