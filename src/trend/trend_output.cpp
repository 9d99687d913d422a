#include "trend/trend_output.h"

#include <limits>

#include "text/vb.h"

namespace vel::trend {

Limits limitsOf(const DataItem& item) {
    Limits l;
    if (item.maxSet) l.limits.push_back(item.maxLimit);
    if (item.minSet) l.limits.push_back(item.minLimit);
    for (std::size_t k = 0; k < item.alarmOp.size(); ++k) {
        const int op = item.alarmOp[k];
        if (op >= AlarmLess && op <= AlarmNotEqual) l.thresholds.push_back(item.alarmValue[k]);
    }
    return l;
}

double trendValue(const QString& text) {
    return vb::isNumeric(text) ? vb::toDouble(text) : std::numeric_limits<double>::quiet_NaN();
}

void TrendOutput::valueEvaluated(const EvaluatedValue& value) {
    const DataItem& item = value.item();
    const QString name = item.name.isEmpty() ? QStringLiteral("D%1").arg(value.index + 1) : item.name;
    store_.setLimits(value.index, limitsOf(item));
    store_.add(value.index, value.itemNumber, name, value.at.toMSecsSinceEpoch(), trendValue(item.valueText),
               item.alarm);
}

}  // namespace vel::trend
