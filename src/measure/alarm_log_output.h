#pragma once
// The alarm log as a subscriber of the record stream: one line for each
// value whose alarm state changed ("アラーム発生" or "アラーム復帰").
#include "log/log_sink.h"
#include "measure/record_stream.h"

namespace vel {

class AlarmLogOutput : public RecordSubscriber {
public:
    explicit AlarmLogOutput(LogSink& log) : log_(log) {}
    void valueEvaluated(const EvaluatedValue& value) override;

private:
    LogSink& log_;
};

}  // namespace vel
