#include "measure/value_store.h"

#include <algorithm>
#include <cmath>

#include "text/vb.h"

namespace vel {
namespace {

// Decimals beyond the ten display patterns use the finest one.
int displayDecimals(int16_t decimals) { return std::min<int>(decimals, 9); }

bool comparisonHolds(int16_t op, double v, double limit) {
    switch (op) {
    case AlarmLess: return v < limit;
    case AlarmLessEqual: return v <= limit;
    case AlarmEqual: return v == limit;
    case AlarmGreaterEqual: return v >= limit;
    case AlarmGreater: return v > limit;
    case AlarmNotEqual: return v != limit;
    default: return false;  // text matches are not tested on numbers
    }
}

void storeText(DataItem& item, const QString& text) {
    item.prevAlarm = item.alarm;
    item.alarm = false;
    item.valueText = text;
    if (!item.matchText[0].isEmpty()) {
        item.alarm = text.contains(item.matchText[0], Qt::CaseSensitive) ||
                     (!item.matchText[1].isEmpty() && text.contains(item.matchText[1], Qt::CaseSensitive));
    }
    if (item.alarm) ++item.alarmCount;
}

void storeNumber(DataItem& item, const QString& text) {
    QString s = item.decimals < 0 ? text : vb::formatDecimals(text, displayDecimals(item.decimals));
    if (item.maxSet && vb::toDouble(s) > item.maxLimit) s = vb::generalNumber(item.maxLimit);
    if (item.minSet && !(vb::toDouble(s) >= item.minLimit)) s = vb::generalNumber(item.minLimit);
    item.valueText = s;
    item.count += 1;

    const double v = vb::toDouble(item.valueText);
    if (item.count == 1) {
        item.maximum = v;
        item.minimum = v;
    } else {
        if (v > item.maximum) item.maximum = v;
        if (!(v >= item.minimum)) item.minimum = v;
    }
    item.sum += v;
    const double mean = item.sum / item.count;
    const int averageDecimals = item.decimals < 0 ? 3 : displayDecimals(item.decimals);
    // A sum beyond the double range has no decimal form to round.
    item.average = std::isfinite(mean) ? vb::toDouble(vb::formatDecimals(mean, averageDecimals)) : mean;

    item.prevAlarm = item.alarm;
    item.alarm = false;
    for (int slot = 0; slot < 2; ++slot) {
        if (item.alarmOp[slot] > 0 && comparisonHolds(item.alarmOp[slot], v, item.alarmValue[slot])) item.alarm = true;
    }
    if (item.alarm) ++item.alarmCount;
}

}  // namespace

void stampRecord(MeasureContext& ctx) {
    if (ctx.run.valueCount != 0) return;
    auto& items = ctx.tables.dataItems;
    const QDateTime now = ctx.timer.localNow();
    ctx.tables.recordStampedAt = now;
    if (ctx.settings.numberColumnOn)
        items[kRecordNumberItem].valueText = QString::number(ctx.settings.acquisitionNumber);
    if (ctx.settings.timeStampMode == 1)
        items[kTimeStampItem].valueText = vb::formatDate(now, vb::DateFormat::LongDateTime);
    else if (ctx.settings.timeStampMode == 2)
        items[kTimeStampItem].valueText = vb::formatDate(now, vb::DateFormat::TimeOnly);
}

void storeReplyFields(MeasureContext& ctx, const QStringList& fields) {
    for (const QString& field : fields) {
        if (ctx.run.valueCount >= kMaxValuesPerRecord) return;  // no room left in this record
        stampRecord(ctx);
        storeValue(ctx, ctx.run.valueCount, field);
        ctx.run.valueCount += 1;
    }
}

void storeValue(MeasureContext& ctx, int index, const QString& text) {
    if (index < 0 || index >= kDataItemCount) return;
    storeValue(ctx.tables.dataItems[static_cast<size_t>(index)], text);
}

void storeValue(DataItem& item, const QString& text) {
    if (vb::isNumeric(text))
        storeNumber(item, text);
    else
        storeText(item, text);
}

}  // namespace vel
