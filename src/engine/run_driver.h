#pragma once
// The run driver: the one owner of the run's tick, for the window and for
// velloran-cli alike. A tick comes at once while the next command can run,
// at the exact clock deadline of a wait or of the next cycle, when the line
// delivers data, and after the usual tick only where nothing else paces the
// loop. Between two ticks control goes back to the event loop, so window
// events, the user's stop and "次へ" are handled between commands, never
// inside one.
#include <QObject>
#include <QTimer>
#include <functional>

#include "engine/deadline_timer.h"
#include "engine/engine.h"

namespace vel {

class RunDriver : public QObject {
public:
    static constexpr int kUsualTickMs = vel::kUsualTickMs;

    explicit RunDriver(Engine& engine, QObject* parent = nullptr);
    ~RunDriver() override;

    // After every tick and every user action, for views to refresh.
    std::function<void()> afterTick;
    // Once, when the run is over (ended by itself or stopped).
    std::function<void()> runOver;

    // The first tick, at once.
    void start();
    // "次へ" after a PAU.
    void continueAfterPause();
    // "終了" once the user has confirmed it (the window asked).
    void stopConfirmed();
    // A stop without asking (a stop signal), between two ticks.
    void stopNow();

    // Ticks so far (for benchmarks and tests).
    qint64 ticks() const { return ticks_; }

private:
    void tick();
    void schedule();
    void settle();

    Engine& engine_;
    QTimer timer_;          // at once, and the usual tick
    DeadlineTimer deadline_{[this] { tick(); }};  // the exact deadline of a wait or a cycle
    qint64 ticks_ = 0;
    bool pacedArmed_ = false;  // timer_ runs for a paced look (the usual tick)
    bool overReported_ = false;
};

}  // namespace vel
