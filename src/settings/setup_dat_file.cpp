#include "settings/setup_dat_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "settings/setup_dat_format.h"

namespace vel {
namespace {

// Writes `record` followed by whatever the old file holds beyond its length.
bool writeKeepingTail(const QString& path, const QByteArray& record) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    if (out.write(record) != record.size()) {
        out.cancelWriting();
        return false;
    }
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            out.cancelWriting();  // the tail could not be kept
            return false;
        }
        if (old.size() > record.size()) {
            if (!old.seek(record.size())) {
                out.cancelWriting();
                return false;
            }
            while (!old.atEnd()) {
                const QByteArray chunk = old.read(64 * 1024);
                if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
                    out.cancelWriting();
                    return false;
                }
            }
        }
    }
    return out.commit();
}

}  // namespace

bool saveSettings(SettingsRecord& record, const PortSlot& channel0, const ProgramFolder& folder,
                  MessageBox& box) {
    record.portNumber[0] = channel0.portNumber;
    record.portSettings[0] = channel0.settings;
    record.handshaking[0] = channel0.handshaking;

    const std::optional<QByteArray> bytes = encodeSettings(record);
    if (!bytes || !writeKeepingTail(folder.setupDat(), *bytes)) {
        box.info(kSaveFailedMessage);
        return false;
    }
    return true;
}

bool loadSettings(SettingsRecord& record, const ProgramFolder& folder, MessageBox& box,
                  const ConfigurePort& configurePort) {
    const QString path = folder.setupDat();
    if (!QFileInfo::exists(path)) {
        record.acquisitionLimitMs = Fixed4::fromInt(60000);
        record.rsLogEnabled = true;
        record.alarmLogEnabled = true;
        return true;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        box.info(kLoadFailedMessage);
        return false;
    }
    record.startColumnLetters.clear();
    for (QString& p : record.portSettings) p.clear();
    record.workbookPath.clear();
    record.csvPath.clear();
    record.scriptPath.clear();
    record.alarmMailFile.clear();
    record.normalMailFile.clear();

    const QByteArray bytes = file.read(kSettingsRecordBytes);
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed || !decodeSettings(bytes, record)) {
        box.info(kLoadFailedMessage);
        return false;
    }

    if (configurePort &&
        !configurePort(PortSlot{record.portNumber[0], record.portSettings[0], record.handshaking[0]})) {
        box.info(kLoadFailedMessage);
        return false;
    }
    return true;
}

}  // namespace vel
