// The shared worker queue: jobs run in order on one thread, a full queue
// refuses or drops by its policy, waitIdle() is bounded by a job that hangs,
// and the destructor ends while a job is in progress.
#include "base/queue_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace vel::test {
namespace {

// A job runner that holds every job until it is let go.
struct Gate {
    std::mutex mutex;
    std::condition_variable open;
    bool isOpen = false;
    std::vector<int> ran;
    std::vector<std::thread::id> threads;
    std::atomic<int> started = 0;

    void run(int& job) {
        ++started;
        std::unique_lock lock(mutex);
        open.wait(lock, [this] { return isOpen; });
        ran.push_back(job);
        threads.push_back(std::this_thread::get_id());
    }
    void letGo() {
        std::lock_guard lock(mutex);
        isOpen = true;
        open.notify_all();
    }
    void waitStarted(int n) {
        while (started < n) std::this_thread::yield();
    }
};

TEST(QueueWorker, AFullQueueRefusesOrDropsByItsPolicy) {
    using W = QueueWorker<int>;
    struct Case {
        W::WhenFull policy;
        std::vector<int> refused;
        std::vector<std::size_t> dropped;  // per post of 2..5
        std::vector<int> ran;
    };
    // Job 1 is in progress; capacity 2 holds two more; 4 and 5 find it full.
    const Case cases[] = {
        {W::WhenFull::RefuseNew, {4, 5}, {0, 0, 0, 0}, {1, 2, 3}},
        {W::WhenFull::DropOldest, {}, {0, 0, 1, 1}, {1, 4, 5}},
    };
    for (const Case& c : cases) {
        Gate gate;
        std::vector<int> refused;
        std::vector<std::size_t> dropped;
        {
            W worker(2, c.policy, [&gate](int& job) { gate.run(job); });
            worker.post(1);
            gate.waitStarted(1);
            for (int job = 2; job <= 5; ++job) {
                auto posted = worker.post(job);
                if (posted.refused) refused.push_back(*posted.refused);
                dropped.push_back(posted.droppedOldest);
            }
            EXPECT_FALSE(worker.waitIdle(std::chrono::milliseconds(20))) << "job 1 still holds the worker";
            gate.letGo();
            EXPECT_TRUE(worker.waitIdle(std::chrono::seconds(5)));
        }
        EXPECT_EQ(refused, c.refused);
        EXPECT_EQ(dropped, c.dropped);
        EXPECT_EQ(gate.ran, c.ran);
        for (auto id : gate.threads) {
            EXPECT_EQ(id, gate.threads.front()) << "one worker thread";
            EXPECT_NE(id, std::this_thread::get_id());
        }
    }
}

TEST(QueueWorker, TheDestructorDropsWhatWaitsAndLetsTheJobInProgressEnd) {
    Gate gate;
    std::thread release;
    {
        QueueWorker<int> worker(8, QueueWorker<int>::WhenFull::RefuseNew, [&gate](int& job) { gate.run(job); });
        worker.post(1);
        worker.post(2);
        gate.waitStarted(1);
        release = std::thread([&gate] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            gate.letGo();
        });
    }  // joins after job 1; job 2 never runs
    release.join();
    EXPECT_EQ(gate.ran, std::vector<int>{1});
}

}  // namespace
}  // namespace vel::test
