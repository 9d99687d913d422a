#pragma once
// The live stream's clients: each has a bounded queue of events. A station
// pushes an event into every queue under a short lock and goes on; a client
// whose queue is full is dropped (its connection closes), never waited for.
// The server's threads take the events out and write them to the sockets.
#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace vel {

class EventClient {
public:
    // What the server's thread gets from the queue.
    enum class Wait { Events, TimedOut, Closed };
    // Waits up to `limit` for events; Closed once the client was dropped
    // or the hub stops.
    Wait take(std::deque<QByteArray>& out, std::chrono::milliseconds limit);

private:
    friend class EventHub;
    // False when the queue was full: the client is dropped.
    bool push(const QByteArray& event, std::size_t capacity);
    void close();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<QByteArray> queue_;
    bool closed_ = false;
};

class EventHub {
public:
    static constexpr std::size_t kQueueCapacity = 256;
    static constexpr std::size_t kMaxClients = 32;

    // A new client with `first` in its queue (the current states); nullptr
    // when there are kMaxClients already or the hub has stopped.
    std::shared_ptr<EventClient> join(const std::vector<QByteArray>& first);
    void leave(const std::shared_ptr<EventClient>& client);
    // Into every client's queue; a full one is dropped.
    void publish(const QByteArray& event);
    // Every client closed; no more join.
    void stop();
    std::size_t clients() const;

    // "event: <name>\ndata: <json>\n\n".
    static QByteArray frame(const char* name, const QByteArray& json);

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<EventClient>> clients_;
    bool stopped_ = false;
};

}  // namespace vel
