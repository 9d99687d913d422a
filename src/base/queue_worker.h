#pragma once
// One worker thread that takes jobs in order from a bounded queue: what the
// outputs that talk to another process (mail server, office) share, so that
// the run's thread hands a job over and goes on at once.
//
// post(), clear(), waitIdle() and the destructor may be called from any
// thread but the worker's; `run` is called on the worker without the lock, so
// post() never waits for a job in progress.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace vel {

template <typename Job>
class QueueWorker {
public:
    // What a post does when `capacity` jobs already wait.
    enum class WhenFull {
        RefuseNew,   // the new job is handed back to the caller
        DropOldest,  // the oldest waiting jobs give way to the new one
    };

    struct Posted {
        std::optional<Job> refused;      // with RefuseNew: the job that was not queued
        std::size_t droppedOldest = 0;   // with DropOldest: how many waiting jobs were dropped
    };

    QueueWorker(std::size_t capacity, WhenFull whenFull, std::function<void(Job&)> run)
        : capacity_(capacity < 1 ? 1 : capacity), whenFull_(whenFull), run_(std::move(run)),
          worker_([this] { work(); }) {}

    // Drops the waiting jobs, lets the job in progress end (its own time
    // limits end it) and joins the worker.
    ~QueueWorker() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            waiting_.clear();
        }
        wake_.notify_all();
        worker_.join();
    }
    QueueWorker(const QueueWorker&) = delete;
    QueueWorker& operator=(const QueueWorker&) = delete;

    // Never blocks.
    Posted post(Job job) {
        Posted posted;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                posted.refused = std::move(job);
                return posted;
            }
            if (waiting_.size() >= capacity_) {
                if (whenFull_ == WhenFull::RefuseNew) {
                    posted.refused = std::move(job);
                    return posted;
                }
                posted.droppedOldest = waiting_.size() - capacity_ + 1;
                waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(posted.droppedOldest));
            }
            waiting_.push_back(std::move(job));
        }
        wake_.notify_one();
        return posted;
    }

    // Drops the jobs that wait; the one in progress goes on.
    void clear() {
        std::lock_guard lock(mutex_);
        waiting_.clear();
        if (!busy_) idle_.notify_all();
    }

    // Waits until no job waits and none is in progress, at most `limit`.
    // False when the limit ran out first.
    bool waitIdle(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, limit, [this] { return waiting_.empty() && !busy_; });
    }

    bool idle() const {
        std::lock_guard lock(mutex_);
        return waiting_.empty() && !busy_;
    }

private:
    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            Job job = std::move(waiting_.front());
            waiting_.pop_front();
            busy_ = true;
            lock.unlock();
            run_(job);
            lock.lock();
            busy_ = false;
            if (waiting_.empty()) idle_.notify_all();
        }
    }

    const std::size_t capacity_;
    const WhenFull whenFull_;
    const std::function<void(Job&)> run_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;  // the worker: a job came, or stop
    std::condition_variable idle_;  // waitIdle(): the queue ran dry
    std::deque<Job> waiting_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_;  // last: starts when everything above is ready
};

}  // namespace vel
