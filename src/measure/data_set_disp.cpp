#include "measure/data_set_disp.h"

#include "output/workbook_cursor.h"

namespace vel {

int itemNumber(const SettingsRecord& settings, int index) {
    return recordRowLayout(settings).leadColumns() + index + 1;
}

void dataSetDisp(MeasureContext& ctx, int index) { dataSetDisp(ctx, index, ctx.timer.localNow()); }

void dataSetDisp(MeasureContext& ctx, int index, const QDateTime& at) {
    if (index < 0 || index >= kMaxValuesPerRecord) return;
    EvaluatedValue value;
    value.index = index;
    value.itemNumber = itemNumber(ctx.settings, index);
    value.tables = &ctx.tables;
    value.at = at;

    DataItem& item = ctx.tables.dataItems[static_cast<size_t>(index)];
    if (item.alarm != item.prevAlarm) {
        value.change = item.alarm ? AlarmChange::Raised : AlarmChange::Cleared;
        if (item.alarm) {
            item.alarmOnTime = value.at;
            ctx.alarmMail.raised = true;
        } else {
            item.alarmOffTime = value.at;
            ctx.alarmMail.cleared = true;
        }
    }
    ctx.stream.publish(value);
}

}  // namespace vel
