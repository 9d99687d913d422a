#pragma once
// The record stream: the engine publishes a run's life on it (started,
// every evaluated value, every closed record, ending, over), each event with
// the station's id; the outputs (CSV, workbook, run monitor, alarm log, mail,
// the uplink, the trend, whatever comes next) subscribe to it. A new output
// is a new subscriber, not an edit of the loop.
//
// Subscribers are called on the run's thread, in the order they subscribed;
// an output that talks to another process hands its work to a thread of its
// own and returns at once. A subscription is a handle: it ends when its
// owner drops it, whichever of stream and handle goes first.
#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

#include "script/script_tables.h"

namespace vel {

enum class AlarmChange { None, Raised, Cleared };

struct EvaluatedValue {
    int index = 0;        // 0..256: the record's value (item D(index+1))
    int itemNumber = 0;   // its row on the run monitor, and its number in alarm lines and mails
    const ScriptTables* tables = nullptr;  // the items after evaluation (text, alarm state, statistics)
    AlarmChange change = AlarmChange::None;
    QDateTime at;         // local time of the evaluation
    QString station = QString();  // filled in by the stream

    const DataItem& item() const { return tables->dataItems[static_cast<size_t>(index)]; }
    // The first value of a record brings its record number and time stamp.
    bool firstOfRecord() const { return index == 0; }
};

struct ClosedRecord {
    int valueCount = 0;                  // values in tables->dataItems[0 .. valueCount-1]
    const ScriptTables* tables = nullptr;  // also the record-number and time-stamp items
    QDateTime at;                        // local time of the close
    QString station = QString();         // filled in by the stream
};

// The run's life around its records.
enum class RunPhase {
    Started,  // the run is set going: the script is loaded, the outputs are open
    Ending,   // the loop has ended (by itself or stopped); outputs finish what they hold
    Over,     // every output has finished (or its limit passed): the run is over
};

struct RunEvent {
    RunPhase phase = RunPhase::Started;
    QDateTime at;                          // local time of the event
    const ScriptTables* tables = nullptr;  // the run's script (item names, definitions)
    bool stopped = false;                  // Ending, Over: the user or a signal stopped the run
    QString station = QString();           // filled in by the stream
};

class RecordSubscriber {
public:
    virtual ~RecordSubscriber() = default;
    virtual void runEvent(const RunEvent&) {}
    virtual void valueEvaluated(const EvaluatedValue&) {}
    virtual void recordClosed(const ClosedRecord&) {}
};

class RecordStream;

// An owned subscription: the subscriber hears the stream until the handle is
// reset, moved from or destroyed. Safe in either order of destruction.
class Subscription {
public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept = default;
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            list_ = std::move(other.list_);
            subscriber_ = other.subscriber_;
            other.subscriber_ = nullptr;
        }
        return *this;
    }
    ~Subscription() { reset(); }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    void reset();
    bool active() const { return subscriber_ && !list_.expired(); }

private:
    friend class RecordStream;
    struct List;
    Subscription(std::weak_ptr<List> list, RecordSubscriber* subscriber)
        : list_(std::move(list)), subscriber_(subscriber) {}
    std::weak_ptr<List> list_;
    RecordSubscriber* subscriber_ = nullptr;
};

struct Subscription::List {
    std::vector<RecordSubscriber*> entries;
    int depth = 0;
    void compact() { std::erase(entries, nullptr); }
};

class RecordStream {
public:
    explicit RecordStream(QString station = {}) : station_(std::move(station)) {}

    // The station's id every event carries.
    const QString& station() const { return station_; }
    void setStation(QString station) { station_ = std::move(station); }

    [[nodiscard]] Subscription subscribe(RecordSubscriber& subscriber) {
        list_->entries.push_back(&subscriber);
        return Subscription(list_, &subscriber);
    }

    void publish(EvaluatedValue value) const {
        value.station = station_;
        each([&](RecordSubscriber& s) { s.valueEvaluated(value); });
    }
    void publish(ClosedRecord record) const {
        record.station = station_;
        each([&](RecordSubscriber& s) { s.recordClosed(record); });
    }
    void publish(RunEvent event) const {
        event.station = station_;
        each([&](RecordSubscriber& s) { s.runEvent(event); });
    }

    int subscriberCount() const;

private:
    friend class Subscription;
    // A subscriber may end its own subscription (or another's) while it is
    // being called: the entry is cleared then and the list compacted after
    // the publication.
    template <typename F>
    void each(F&& call) const {
        Subscription::List& list = *list_;
        ++list.depth;
        for (size_t i = 0; i < list.entries.size(); ++i)
            if (RecordSubscriber* s = list.entries[i]) call(*s);
        if (--list.depth == 0) list.compact();
    }

    QString station_;
    std::shared_ptr<Subscription::List> list_ = std::make_shared<Subscription::List>();
};

inline void Subscription::reset() {
    if (const std::shared_ptr<List> list = list_.lock(); list && subscriber_) {
        for (RecordSubscriber*& entry : list->entries)
            if (entry == subscriber_) {
                entry = nullptr;
                break;
            }
        if (list->depth == 0) list->compact();
    }
    list_.reset();
    subscriber_ = nullptr;
}

inline int RecordStream::subscriberCount() const {
    int n = 0;
    for (const RecordSubscriber* s : list_->entries) n += s != nullptr;
    return n;
}

}  // namespace vel
