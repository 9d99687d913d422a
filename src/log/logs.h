#pragma once
// The communication log (Log/RsLog.log) and the alarm log (Log/AlarmLog.log):
// every line goes to its run monitor pane and, while its switch is on, to its
// file. Each file is opened at its first line and then kept open, so that a
// line costs one write. The size is counted from the bytes written (one
// fstat when the file opens), and a file that a line took past the rotation
// limit is rotated before the next line, so no line is ever cut. A file that
// fails to open or to take a line is closed and left alone (handle -1) until
// the program is restarted. The panes go on
// showing the lines whatever happens to the files.
#include <QString>

#include <cstdint>
#include <utility>

#include "base/append_file.h"
#include "base/program_folder.h"
#include "base/file_state.h"
#include "log/log_sink.h"
#include "monitor/run_monitor_model.h"
#include "settings/settings_record.h"

namespace vel {

// One log file kept open between lines.
class LogFile {
public:
    explicit LogFile(QString path) : path_(std::move(path)) {}

    // Appends the text and CR LF, after rotating a file that has grown past
    // the limit; on a failure closes the file and disables it.
    void writeLine(const QString& text);
    void close();

    // 0 = not opened yet, > 0 = open, -1 = disabled after a failure.
    int16_t handle() const { return fileHandle(state_); }

private:
    bool open();
    void rotateIfLarge();

    QString path_;
    AppendFile file_;
    FileState state_ = FileState::Closed;
    long long size_ = 0;         // bytes in the open file, as written
    long long rotateAbove_ = 0;  // rotation is tried once size_ passes this
};

class Logs : public LogSink {
public:
    // The switches rsLogEnabled and alarmLogEnabled are read from `settings`
    // at every line (the run monitor's check boxes change them there); the
    // panes are the model's txtTerm and txtLog.
    Logs(const ProgramFolder& folder, SettingsRecord& settings, RunMonitorModel& monitor);

    // Shows the line in txtTerm and writes it, without backspaces, CR and LF,
    // to RsLog.
    void rsLogLine(const QString& text) override;
    // Writes the line unchanged to AlarmLog and shows it in txtLog.
    void alarmLogLine(const QString& text) override;

    void rsLogWrite(const QString& text);
    void alarmLogWrite(const QString& text);

    // The main window's unload: closes both files and sets both handles to 0.
    void closeLogs();

    int16_t rsLogHandle() const { return rsLog_.handle(); }
    int16_t alarmLogHandle() const { return alarmLog_.handle(); }

private:
    SettingsRecord& settings_;
    RunMonitorModel& monitor_;
    LogFile rsLog_;
    LogFile alarmLog_;
};

}  // namespace vel
