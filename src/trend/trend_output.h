#pragma once
// The trend store as a subscriber of the record stream: every evaluated value
// goes in as a number (a text value as a gap), in alarm or not, at the time
// of its evaluation, with the item's limits and numeric alarm thresholds.
#include <functional>
#include <vector>

#include "measure/record_stream.h"
#include "trend/trend_store.h"

namespace vel::trend {

// The lines an item's definition draws: MAX/MIN limits, and the values of
// its alarm comparisons that compare numbers (not the text matches).
Limits limitsOf(const DataItem& item);

// A value text as the trend draws it: its number, NaN for any other text.
double trendValue(const QString& text);

class TrendOutput : public RecordSubscriber {
public:
    explicit TrendOutput(Store& store) : store_(store) {}
    void valueEvaluated(const EvaluatedValue& value) override;
    // One value of an item (the same, off the run's thread).
    void take(int index, int itemNumber, const DataItem& item, const QDateTime& at);

    // The unit of the item at a value index (the run's settings); asked once
    // an item, when its first value comes.
    std::function<QString(int index)> unitOf;

private:
    Store& store_;
    std::vector<bool> unitAsked_;
};

}  // namespace vel::trend
