#pragma once
// The only way to write to the communication log and the alarm log. Each
// line also appears in its run monitor pane. Implemented by Logs (log/logs.h);
// tests record the lines.
#include <QString>

namespace vel {

class LogSink {
public:
    virtual ~LogSink() = default;
    // Communication pane (txtTerm) and Log/RsLog.log.
    virtual void rsLogLine(const QString& text) = 0;
    // Log/AlarmLog.log and the alarm pane (txtLog).
    virtual void alarmLogLine(const QString& text) = 0;
};

}  // namespace vel
