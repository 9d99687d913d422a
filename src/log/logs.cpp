#include "log/logs.h"

#include "log/log_rotation.h"
#include "log/pane.h"
#include "text/cp932.h"

#include <algorithm>

namespace vel {

namespace {
// A log that could not be rotated (held open by another process) is tried
// again after this many more bytes, not at every line.
constexpr long long kRotateRetryBytes = 64 * 1024;
}  // namespace

bool LogFile::open() {
    if (!file_.open(path_)) {
        state_ = FileState::Failed;
        return false;
    }
    state_ = FileState::Open;
    size_ = std::max(file_.size(), 0LL);
    rotateAbove_ = kRotateAbove;
    return true;
}

// Between two lines: close, rotate (the rotation refuses a file that is
// still open here) and start the fresh file at once.
void LogFile::rotateIfLarge() {
    if (size_ <= rotateAbove_) return;
    file_.close();
    state_ = FileState::Closed;
    const bool rotated = rotateLog(path_);
    if (!open()) return;
    if (!rotated) rotateAbove_ = size_ + kRotateRetryBytes;
}

void LogFile::writeLine(const QString& text) {
    if (state_ == FileState::Failed) return;
    if (state_ == FileState::Closed && !open()) return;
    rotateIfLarge();
    if (state_ != FileState::Open) return;
    const QByteArray bytes = cp932::encode(text + QStringLiteral("\r\n"));
    if (!file_.write(bytes)) {
        file_.close();
        state_ = FileState::Failed;
        return;
    }
    size_ += bytes.size();
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
