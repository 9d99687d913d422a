#pragma once
// Calls handed from a worker thread to the thread that owns this object (the
// run's thread): each runs there from its event loop, oldest first, or
// earlier when the owner calls runPending() itself (as a finish() does).
// Calls still pending when the object goes are dropped, never run.
#include <QMetaObject>
#include <QObject>

#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace vel {

class OwnerCalls : public QObject {
public:
    using QObject::QObject;

    // Any thread.
    void post(std::function<void()> call) {
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(std::move(call));
        }
        // One queued run per call; whichever comes first runs what is there.
        QMetaObject::invokeMethod(this, [this] { runPending(); }, Qt::QueuedConnection);
    }

    // The owner's thread: runs every pending call, one at a time, without the
    // lock (a call may post again).
    void runPending() {
        for (;;) {
            std::function<void()> call;
            {
                std::lock_guard lock(mutex_);
                if (pending_.empty()) return;
                call = std::move(pending_.front());
                pending_.pop_front();
            }
            if (call) call();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
};

}  // namespace vel
