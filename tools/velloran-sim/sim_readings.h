#pragma once
// The simulated measurement: three values that drift slowly by a seeded
// random walk, and reply templates filled with them.
#include <QString>

#include <random>

namespace vel::sim {

struct Reading {
    QString v1, v2, v3;
};

class Drift {
public:
    // Every alarmEvery-th reading (0: never) has a first value far out of range.
    Drift(unsigned seed, int alarmEvery);
    // The current values, then one step of the walk.
    Reading next();

private:
    std::mt19937 random_;
    int alarmEvery_;
    long count_ = 0;
    // In thousandths, so the printed decimals never wobble.
    int v1_ = 12345;
    int v2_ = 67890;
    int v3_ = 1013;
};

// {v1}, {v2}, {v3} replaced by one reading, taken only when the template uses one.
QString fillReply(const QString& templ, Drift& drift);

}  // namespace vel::sim
