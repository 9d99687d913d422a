#pragma once
// The trend of every item of a run: per item its history (Series), its name,
// its row number on the run monitor and the lines worth drawing beside it
// (the MAX/MIN limits and the numeric alarm thresholds). The run monitor's
// trend tab reads it; TrendOutput fills it from the record stream.
#include <QString>
#include <cstdint>
#include <vector>

#include "trend/trend_series.h"

namespace vel::trend {

// A line across the chart at `value`, named at its end: "MAX", "MIN", or an
// alarm comparison as the script writes it ("ALM>15").
struct Level {
    double value = 0;
    QString name;
    bool threshold = false;  // an alarm comparison, not a MAX/MIN limit

    bool operator==(const Level&) const = default;
};

struct Limits {
    std::vector<Level> levels;  // MAX, MIN where the item has them, then the numeric alarm comparisons

    bool operator==(const Limits&) const = default;
};

struct Item {
    int index = 0;       // the value's place in the record (D(index+1))
    int itemNumber = 0;  // its row on the run monitor
    QString name;
    QString unit;  // the unit of its values, empty when none is set
    Limits limits;
    Series series;
};

class Store {
public:
    // A number, or NaN for a text value (a gap).
    void add(int index, int itemNumber, const QString& name, qint64 ms, double value, bool alarm);
    void setLimits(int index, const Limits& limits);
    void setUnit(int index, const QString& unit);

    // The items in the order of their first value.
    const std::vector<Item>& items() const { return items_; }
    bool empty() const { return !hasValues_; }
    qint64 firstMs() const { return firstMs_; }
    qint64 lastMs() const { return lastMs_; }

    // Goes up with every change; the chart redraws only when it moved.
    std::uint64_t revision() const { return revision_; }
    std::size_t bytes() const;

private:
    Item& item(int index);

    std::vector<Item> items_;
    std::vector<int> slotOf_;  // index -> place in items_, -1 when not seen yet
    bool hasValues_ = false;
    qint64 firstMs_ = 0;
    qint64 lastMs_ = 0;
    std::uint64_t revision_ = 0;
};

}  // namespace vel::trend
