#include "trend/trend_store.h"

#include <algorithm>

namespace vel::trend {

Item& Store::item(int index) {
    if (index >= static_cast<int>(slotOf_.size())) slotOf_.resize(static_cast<std::size_t>(index) + 1, -1);
    int& slot = slotOf_[static_cast<std::size_t>(index)];
    if (slot < 0) {
        slot = static_cast<int>(items_.size());
        items_.push_back(Item{index, 0, {}, {}, {}, {}});
    }
    return items_[static_cast<std::size_t>(slot)];
}

void Store::add(int index, int itemNumber, const QString& name, qint64 ms, double value, bool alarm) {
    if (!hasValues_) firstMs_ = ms;
    hasValues_ = true;
    lastMs_ = std::max(lastMs_, ms);
    Item& it = item(index);
    it.itemNumber = itemNumber;
    if (it.name != name) it.name = name;
    it.series.add(ms, value, alarm);
    ++revision_;
}

void Store::setLimits(int index, const Limits& limits) {
    Item& it = item(index);
    if (it.limits == limits) return;
    it.limits = limits;
    ++revision_;
}

void Store::setUnit(int index, const QString& unit) {
    Item& it = item(index);
    if (it.unit == unit) return;
    it.unit = unit;
    ++revision_;
}

std::size_t Store::bytes() const {
    std::size_t total = sizeof(*this) + slotOf_.capacity() * sizeof(int);
    for (const Item& it : items_) total += sizeof(Item) - sizeof(Series) + it.series.bytes();
    return total;
}

}  // namespace vel::trend
