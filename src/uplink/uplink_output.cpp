#include "uplink/uplink_output.h"

#include "uplink/uplink_lines.h"

namespace vel {

UplinkOutput::UplinkOutput(const UplinkConfig& config, const SettingsRecord& settings, LogSink& log,
                           std::function<QDateTime()> now)
    : settings_(settings), log_(log), now_(std::move(now)), client_(config) {
    client_.setOnReport([this](const UplinkReport& r) { reported(r); });
}

void UplinkOutput::valueEvaluated(const EvaluatedValue& value) {
    if (value.change != AlarmChange::None) client_.post(uplinkAlarm(value));
}

void UplinkOutput::recordClosed(const ClosedRecord& record) {
    client_.post(uplinkRecord(record, settings_.numberColumnOn));
}

void UplinkOutput::reported(const UplinkReport& r) {
    using Kind = UplinkReport::Kind;
    switch (r.kind) {
    case Kind::Connected: log_.rsLogLine(uplinklines::connected(r.detail)); break;
    case Kind::Lost: log_.rsLogLine(uplinklines::lost()); break;
    case Kind::Unreachable: log_.rsLogLine(uplinklines::unreachable(r.detail)); break;
    case Kind::Refused: log_.alarmLogLine(uplinklines::refused(now_(), r.detail)); break;
    case Kind::Dropped: log_.alarmLogLine(uplinklines::dropped(now_(), r.count)); break;
    case Kind::SpoolFailed: log_.alarmLogLine(uplinklines::spoolFailed(now_(), r.detail)); break;
    }
}

}  // namespace vel
