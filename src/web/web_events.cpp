#include "web/web_events.h"

#include <algorithm>

namespace vel {

EventClient::Wait EventClient::take(std::deque<QByteArray>& out, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, limit, [this] { return closed_ || !queue_.empty(); });
    if (closed_) return Wait::Closed;
    if (queue_.empty()) return Wait::TimedOut;
    out.swap(queue_);
    queue_.clear();
    return Wait::Events;
}

bool EventClient::push(const QByteArray& event, std::size_t capacity) {
    bool kept = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        kept = queue_.size() < capacity;
        if (kept) queue_.push_back(event);
        else {
            closed_ = true;
            queue_.clear();
        }
    }
    ready_.notify_one();
    return kept;
}

void EventClient::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        queue_.clear();
    }
    ready_.notify_one();
}

std::shared_ptr<EventClient> EventHub::join(const std::vector<QByteArray>& first) {
    std::lock_guard lock(mutex_);
    if (stopped_ || clients_.size() >= kMaxClients) return nullptr;
    auto client = std::make_shared<EventClient>();
    for (const QByteArray& event : first) client->push(event, kQueueCapacity);
    clients_.push_back(client);
    return client;
}

void EventHub::leave(const std::shared_ptr<EventClient>& client) {
    std::lock_guard lock(mutex_);
    std::erase(clients_, client);
}

void EventHub::publish(const QByteArray& event) {
    std::lock_guard lock(mutex_);
    std::erase_if(clients_, [&](const std::shared_ptr<EventClient>& c) { return !c->push(event, kQueueCapacity); });
}

void EventHub::stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    for (const auto& c : clients_) c->close();
    clients_.clear();
}

std::size_t EventHub::clients() const {
    std::lock_guard lock(mutex_);
    return clients_.size();
}

QByteArray EventHub::frame(const char* name, const QByteArray& json) {
    return QByteArray("event: ") + name + "\ndata: " + json + "\n\n";
}

}  // namespace vel
