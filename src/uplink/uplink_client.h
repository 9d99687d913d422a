#pragma once
// The MQTT client of the uplink, on a thread of its own. The run's thread
// posts records and alarm changes and goes on at once; the worker numbers
// each record, writes it to the spool, and publishes from the spool (QoS 1)
// while the broker is there, in order, marking what the broker acknowledged.
// After a lost connection it connects again and sends what was not
// acknowledged. What happens to the connection comes back to the thread that
// made the client, as reports, from its event loop or from finish().
//
// post(), finish() and the destructor belong to the owner's thread.
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "uplink/uplink_config.h"
#include "uplink/uplink_payload.h"

struct mosquitto;

namespace vel {

struct UplinkReport {
    enum class Kind {
        Connected,    // detail: the URL
        Unreachable,  // the first attempts found no broker (once until connected)
        Lost,         // a connection the broker had accepted ended
        Refused,      // detail: why (password, TLS); once per client
        Dropped,      // count: records lost (the spool at its limit, the queue full) since the last such
                      // report: at the first loss, then at most once an hour, and at the end
        SpoolFailed,  // the spool folder cannot be written (once)
        SpoolFull,    // detail: the folder; its disk is full, records are not stored (once until it has room)
        Unstored,     // count: records lost while the disk was full, when it has room again or at the end
    };
    Kind kind;
    QString detail;
    uint64_t count = 0;
};

class UplinkClient : public QObject {
public:
    static constexpr int kQueueCapacity = 10000;

    explicit UplinkClient(UplinkConfig config);
    // Stops at once: the records not acknowledged stay in the spool.
    ~UplinkClient() override;

    void setOnReport(std::function<void(const UplinkReport&)> onReport) { onReport_ = std::move(onReport); }

    // Never block. A record that finds the queue full is dropped (reported).
    void post(UplinkRecord record);
    void post(UplinkAlarm alarm);
    // The items of the run so far (Home Assistant discovery; ignored without it).
    // The first list of a client also removes the items an earlier run had
    // announced and this one does not have.
    void post(std::vector<UplinkItem> items);

    // Waits up to `limit` for the broker to acknowledge every record posted
    // so far (not at all while the broker is away or refused the
    // connection), then says "offline", disconnects and ends the worker; delivers
    // the reports on the calling thread. False when records were left in the spool.
    bool finish(std::chrono::milliseconds limit);

    // Statistics for the tests and the benchmark (any thread).
    uint64_t acknowledged() const;

private:
    // The worker's own state (touched on the worker only, libmosquitto's
    // callbacks included).
    struct Session;

    void work();
    void report(UplinkReport r);
    void deliver();

    const UplinkConfig config_;
    std::function<void(const UplinkReport&)> onReport_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;  // worker: something was posted, or finish/stop
    std::condition_variable idle_;  // finish(): everything was acknowledged
    std::deque<UplinkRecord> records_;
    std::deque<UplinkAlarm> alarms_;
    std::optional<std::vector<UplinkItem>> items_;
    std::deque<UplinkReport> reports_;
    uint64_t overflow_ = 0;
    uint64_t acknowledged_ = 0;
    bool flushed_ = false;   // the worker found nothing waiting
    bool givenUp_ = false;   // finishing without a broker: the rest stays in the spool
    bool finishing_ = false;
    bool stopping_ = false;
    std::thread worker_;     // last: starts when everything above is ready
};

}  // namespace vel
