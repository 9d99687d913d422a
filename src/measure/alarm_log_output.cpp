#include "measure/alarm_log_output.h"

#include "log/log_lines.h"
#include "text/vb.h"

namespace vel {

void AlarmLogOutput::valueEvaluated(const EvaluatedValue& value) {
    if (value.change == AlarmChange::None) return;
    const DataItem& item = value.item();
    const QString name = vb::trim(item.name);
    log_.alarmLogLine(value.change == AlarmChange::Raised
                          ? loglines::alarmRaised(value.at, value.itemNumber, name, item.valueText)
                          : loglines::alarmCleared(value.at, value.itemNumber, name, item.valueText));
}

}  // namespace vel
