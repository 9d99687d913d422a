#include "sim_readings.h"

#include <algorithm>

namespace vel::sim {
namespace {

constexpr int kAlarmValue = 999999;  // 999.999: far out of any sensible range

QString thousandths(int v) {
    const int a = v < 0 ? -v : v;
    return QString::asprintf("%s%d.%03d", v < 0 ? "-" : "", a / 1000, a % 1000);
}

}  // namespace

Drift::Drift(unsigned seed, int alarmEvery) : random_(seed), alarmEvery_(alarmEvery) {}

Reading Drift::next() {
    ++count_;
    const bool alarm = alarmEvery_ > 0 && count_ % alarmEvery_ == 0;
    Reading r{thousandths(alarm ? kAlarmValue : v1_), thousandths(v2_), QString::number(v3_)};
    auto step = [this](int& v, int span, int lo, int hi) {
        v = std::clamp(v + std::uniform_int_distribution<int>(-span, span)(random_), lo, hi);
    };
    step(v1_, 5, 11345, 13345);
    step(v2_, 10, 65890, 69890);
    step(v3_, 1, 993, 1033);
    return r;
}

QString fillReply(const QString& templ, Drift& drift) {
    if (!templ.contains("{v1}") && !templ.contains("{v2}") && !templ.contains("{v3}")) return templ;
    const Reading r = drift.next();
    QString out = templ;
    out.replace("{v1}", r.v1).replace("{v2}", r.v2).replace("{v3}", r.v3);
    return out;
}

}  // namespace vel::sim
