#pragma once
// Records the lines written to the communication log and the alarm log.
#include <QStringList>

#include "log/log_sink.h"

namespace vel::test {

class RecordingLogSink : public LogSink {
public:
    void rsLogLine(const QString& text) override { rsLines.append(text); }
    void alarmLogLine(const QString& text) override { alarmLines.append(text); }

    QStringList rsLines;
    QStringList alarmLines;
};

}  // namespace vel::test
