#include "log/logs.h"

#include "log/pane.h"
#include "text/cp932.h"

namespace vel {

void LogFile::writeLine(const QString& text) {
    if (state_ == FileState::Failed) return;
    if (state_ == FileState::Closed) {
        if (!file_.open(path_)) {
            state_ = FileState::Failed;
            return;
        }
        state_ = FileState::Open;
    }
    if (!file_.write(cp932::encode(text + QStringLiteral("\r\n")))) {
        file_.close();
        state_ = FileState::Failed;
    }
}

void LogFile::close() {
    if (state_ == FileState::Open) file_.close();
    state_ = FileState::Closed;
}

Logs::Logs(const ProgramFolder& folder, SettingsRecord& settings, RunMonitorModel& monitor)
    : settings_(settings),
      monitor_(monitor),
      rsLog_(folder.logFile(QStringLiteral("RsLog.log"))),
      alarmLog_(folder.logFile(QStringLiteral("AlarmLog.log"))) {}

void Logs::rsLogLine(const QString& text) {
    paneAppend(monitor_.txtTerm, text, [this](const QString& cleaned) { rsLogWrite(cleaned); });
}

void Logs::alarmLogLine(const QString& text) {
    alarmLogWrite(text);
    paneAppend(monitor_.txtLog, text);
}

void Logs::rsLogWrite(const QString& text) {
    if (!settings_.rsLogEnabled) return;
    rsLog_.writeLine(text);
}

void Logs::alarmLogWrite(const QString& text) {
    if (!settings_.alarmLogEnabled) return;
    alarmLog_.writeLine(text);
}

void Logs::closeLogs() {
    rsLog_.close();
    alarmLog_.close();
}

}  // namespace vel
