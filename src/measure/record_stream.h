#pragma once
// The record stream: evaluation publishes every evaluated value and every
// closed record; the outputs (CSV, workbook, run monitor, alarm log, mail,
// and whatever comes next) subscribe to it. A new output is a new
// subscriber, not an edit of the loop.
//
// Subscribers are called on the run's thread, in the order they subscribed;
// an output that talks to another process hands its work to a thread of its
// own and returns at once.
#include <QDateTime>
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

    const DataItem& item() const { return tables->dataItems[static_cast<size_t>(index)]; }
    // The first value of a record brings its record number and time stamp.
    bool firstOfRecord() const { return index == 0; }
};

struct ClosedRecord {
    int valueCount = 0;                  // values in tables->dataItems[0 .. valueCount-1]
    const ScriptTables* tables = nullptr;  // also the record-number and time-stamp items
    QDateTime at;                        // local time of the close
};

class RecordSubscriber {
public:
    virtual ~RecordSubscriber() = default;
    virtual void valueEvaluated(const EvaluatedValue&) {}
    virtual void recordClosed(const ClosedRecord&) {}
};

class RecordStream {
public:
    void subscribe(RecordSubscriber& subscriber) { subscribers_.push_back(&subscriber); }
    void unsubscribe(RecordSubscriber& subscriber) { std::erase(subscribers_, &subscriber); }

    void publish(const EvaluatedValue& value) const {
        for (RecordSubscriber* s : subscribers_) s->valueEvaluated(value);
    }
    void publish(const ClosedRecord& record) const {
        for (RecordSubscriber* s : subscribers_) s->recordClosed(record);
    }

private:
    std::vector<RecordSubscriber*> subscribers_;
};

}  // namespace vel
