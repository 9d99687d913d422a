#include "trend/trend_output.h"

#include <limits>

#include "script/definition_parser.h"
#include "text/vb.h"

namespace vel::trend {

Limits limitsOf(const DataItem& item) {
    Limits l;
    if (item.maxSet) l.levels.push_back({item.maxLimit, QStringLiteral("MAX"), false});
    if (item.minSet) l.levels.push_back({item.minLimit, QStringLiteral("MIN"), false});
    for (std::size_t k = 0; k < item.alarmOp.size(); ++k) {
        const int16_t op = item.alarmOp[k];
        if (op >= AlarmLess && op <= AlarmNotEqual)
            l.levels.push_back({item.alarmValue[k], QStringLiteral("ALM") + alarmOperatorText(op) +
                                                        vb::generalNumber(item.alarmValue[k]), true});
    }
    return l;
}

double trendValue(const QString& text) {
    return vb::isNumeric(text) ? vb::toDouble(text) : std::numeric_limits<double>::quiet_NaN();
}

void TrendOutput::valueEvaluated(const EvaluatedValue& value) {
    take(value.index, value.itemNumber, value.item(), value.at);
}

void TrendOutput::take(int index, int itemNumber, const DataItem& item, const QDateTime& at) {
    const QString name = item.name.isEmpty() ? QStringLiteral("D%1").arg(index + 1) : item.name;
    store_.setLimits(index, limitsOf(item));
    if (unitOf && index >= 0) {
        const auto slot = static_cast<std::size_t>(index);
        if (unitAsked_.size() <= slot) unitAsked_.resize(slot + 1, false);
        if (!unitAsked_[slot]) store_.setUnit(index, unitOf(index));
        unitAsked_[slot] = true;
    }
    store_.add(index, itemNumber, name, at.toMSecsSinceEpoch(), trendValue(item.valueText), item.alarm);
}

}  // namespace vel::trend
