#include "uplink/uplink_client.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <mosquitto.h>
#include <unistd.h>

#include "uplink/uplink_spool.h"

namespace vel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kWindow = 100;  // records published and not yet acknowledged
constexpr milliseconds kFirstRetry{500};
constexpr milliseconds kLastRetry{5000};
constexpr milliseconds kOfflineFlush{500};

QString refusalText(int rc) {
    switch (rc) {
    case 4: return QStringLiteral("ユーザー名またはパスワードが違います");
    case 5: return QStringLiteral("ユーザー名またはパスワードが違うか、接続が許可されていません");
    default: return QStringLiteral("コード %1").arg(rc);
    }
}

}  // namespace

struct UplinkClient::Session {
    UplinkClient& client;
    UplinkSpool spool;
    mosquitto* mosq = nullptr;
    bool connecting = false;
    bool connected = false;
    bool everConnected = false;
    bool attempted = false;
    bool unreachableReported = false;
    bool refusedReported = false;
    bool spoolFailedReported = false;
    bool droppedReported = false;
    Clock::time_point nextAttempt{};
    milliseconds retry = kFirstRetry;
    uint64_t sentUpTo = 0;                // the last record published on this connection
    std::map<int, uint64_t> inflight;     // message id -> record number
    std::map<QString, UplinkAlarm> alarms;  // the latest state of every item
    std::map<QString, bool> alarmDirty;

    Session(UplinkClient& c) : client(c), spool(c.config_.spoolFolder, c.config_.spoolBytes) {}

    QByteArray topic(const QString& leaf) const {
        return uplinkTopic(client.config_.prefix, client.config_.station, leaf).toUtf8();
    }

    void publishRaw(const QByteArray& t, const QByteArray& payload, bool retain, int* mid = nullptr) {
        mosquitto_publish(mosq, mid, t.constData(), static_cast<int>(payload.size()), payload.constData(), 1, retain);
    }

    void refuse(const QString& why) {
        if (refusedReported) return;
        refusedReported = true;
        client.report({UplinkReport::Kind::Refused, why, 0});
    }

    bool setUp() {
        const UplinkConfig& c = client.config_;
        const QByteArray id = QStringLiteral("velloran-%1-%2").arg(c.station).arg(::getpid()).toUtf8();
        mosq = mosquitto_new(id.constData(), true, this);
        if (!mosq) return false;
        mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
        mosquitto_max_inflight_messages_set(mosq, kWindow);
        // Small messages answered one by one: without this, Nagle and delayed
        // acknowledgements hold each burst back by tens of milliseconds.
        mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
        const QByteArray status = topic("status");
        mosquitto_will_set(mosq, status.constData(), 7, "offline", 1, true);
        if (!c.username.isEmpty())
            mosquitto_username_pw_set(mosq, c.username.toUtf8().constData(),
                                      c.password.isEmpty() ? nullptr : c.password.toUtf8().constData());
        if (c.tls) {
            const QByteArray ca = c.ca.toLocal8Bit();
            if (mosquitto_tls_set(mosq, ca.isEmpty() ? nullptr : ca.constData(), ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                                  nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
                refuse(QStringLiteral("CA ファイルが使えません: %1").arg(c.ca));
                return false;
            }
        }
        mosquitto_connect_callback_set(mosq, [](mosquitto*, void* self, int rc) {
            static_cast<Session*>(self)->onConnect(rc);
        });
        mosquitto_disconnect_callback_set(mosq, [](mosquitto*, void* self, int rc) {
            static_cast<Session*>(self)->onDisconnect(rc);
        });
        mosquitto_publish_callback_set(mosq, [](mosquitto*, void* self, int mid) {
            static_cast<Session*>(self)->onPublish(mid);
        });
        return true;
    }

    void onConnect(int rc) {
        connecting = false;
        if (rc != 0) {
            refuse(refusalText(rc));
            return;
        }
        connected = true;
        everConnected = true;
        unreachableReported = false;
        retry = kFirstRetry;
        inflight.clear();
        sentUpTo = spool.acknowledged();
        publishRaw(topic("status"), "online", true);
        for (auto& [item, dirty] : alarmDirty) dirty = true;
        client.report({UplinkReport::Kind::Connected, client.config_.url, 0});
    }

    void onDisconnect(int rc) {
        const bool was = connected;
        connected = false;
        connecting = false;
        if (was && rc != 0) client.report({UplinkReport::Kind::Lost, {}, 0});
    }

    void onPublish(int mid) {
        const auto it = inflight.find(mid);
        if (it == inflight.end()) return;
        inflight.erase(it);
        // Acknowledged in order up to the oldest record still unanswered.
        uint64_t upTo = sentUpTo;
        for (const auto& [m, seq] : inflight) upTo = std::min(upTo, seq - 1);
        if (upTo > spool.acknowledged()) {
            spool.acknowledge(upTo);
            std::lock_guard lock(client.mutex_);
            client.acknowledged_ = upTo;
        }
    }

    void lose(int rc) {
        if (rc == MOSQ_ERR_TLS) refuse(QStringLiteral("TLS の接続に失敗しました"));
        if (connected) client.report({UplinkReport::Kind::Lost, {}, 0});
        else reportUnreachable();
        connected = false;
        connecting = false;
        scheduleRetry();
    }

    void scheduleRetry() {
        nextAttempt = Clock::now() + retry;
        retry = std::min(retry * 2, kLastRetry);
    }

    void tryConnect() {
        const QByteArray host = client.config_.host.toUtf8();
        const int rc = attempted ? mosquitto_reconnect_async(mosq)
                                 : mosquitto_connect_async(mosq, host.constData(), client.config_.port, 30);
        attempted = true;
        if (rc == MOSQ_ERR_SUCCESS) {
            connecting = true;
            return;
        }
        if (rc == MOSQ_ERR_TLS) refuse(QStringLiteral("TLS の接続に失敗しました"));
        reportUnreachable();
        scheduleRetry();
    }

    // A broker not found before the first connection (an attempt that
    // failed at once, or later in the loop), said once.
    void reportUnreachable() {
        if (everConnected || unreachableReported || refusedReported) return;
        unreachableReported = true;
        client.report({UplinkReport::Kind::Unreachable, client.config_.url, 0});
    }

    void store(const UplinkRecord& record) {
        if (spool.append(recordPayload(record, client.config_.station, spool.nextSeq()))) return;
        if (!spoolFailedReported) client.report({UplinkReport::Kind::SpoolFailed, client.config_.spoolFolder, 0});
        spoolFailedReported = true;
    }

    void pump() {
        while (connected && static_cast<int>(inflight.size()) < kWindow) {
            auto next = spool.next(sentUpTo);
            if (!next) break;
            int mid = 0;
            publishRaw(topic("record"), next->second, false, &mid);
            inflight[mid] = next->first;
            sentUpTo = next->first;
        }
        if (!connected) return;
        for (auto& [item, dirty] : alarmDirty) {
            if (!dirty) continue;
            publishRaw(topic("alarm/" + item), alarmPayload(alarms[item]), true);
            dirty = false;
        }
    }

    bool idle() const {
        bool alarmsSent = true;
        for (const auto& [item, dirty] : alarmDirty) alarmsSent = alarmsSent && !dirty;
        return spool.pending() == 0 && alarmsSent;
    }

    void sayOffline() {
        if (!connected) return;
        publishRaw(topic("status"), "offline", true);
        const auto end = Clock::now() + kOfflineFlush;
        while (connected && !inflight.empty() && Clock::now() < end) mosquitto_loop(mosq, 10, 1);
        // The retained "offline" goes out before the disconnect asked for.
        mosquitto_loop(mosq, 10, 1);
        mosquitto_disconnect(mosq);
        mosquitto_loop(mosq, 10, 1);
    }
};

UplinkClient::UplinkClient(UplinkConfig config) : config_(std::move(config)), worker_([this] { work(); }) {}

UplinkClient::~UplinkClient() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void UplinkClient::post(UplinkRecord record) {
    {
        std::lock_guard lock(mutex_);
        if (static_cast<int>(records_.size()) >= kQueueCapacity) {
            ++overflow_;
            return;
        }
        records_.push_back(std::move(record));
        flushed_ = false;
    }
    wake_.notify_one();
}

void UplinkClient::post(UplinkAlarm alarm) {
    {
        std::lock_guard lock(mutex_);
        alarms_.push_back(std::move(alarm));
        flushed_ = false;
    }
    wake_.notify_one();
}

uint64_t UplinkClient::acknowledged() const {
    std::lock_guard lock(mutex_);
    return acknowledged_;
}

bool UplinkClient::finish(std::chrono::milliseconds limit) {
    bool allDone = false;
    {
        std::unique_lock lock(mutex_);
        finishing_ = true;
        flushed_ = false;
        wake_.notify_all();
        idle_.wait_for(lock, limit, [this] { return flushed_ || givenUp_; });
        allDone = flushed_;
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    deliver();
    return allDone;
}

void UplinkClient::report(UplinkReport r) {
    {
        std::lock_guard lock(mutex_);
        reports_.push_back(std::move(r));
    }
    QMetaObject::invokeMethod(this, [this] { deliver(); }, Qt::QueuedConnection);
}

void UplinkClient::deliver() {
    for (;;) {
        UplinkReport r;
        {
            std::lock_guard lock(mutex_);
            if (reports_.empty()) return;
            r = std::move(reports_.front());
            reports_.pop_front();
        }
        if (onReport_) onReport_(r);
    }
}

void UplinkClient::work() {
    mosquitto_lib_init();
    Session s(*this);
    if (!s.spool.open()) {
        s.spoolFailedReported = true;
        report({UplinkReport::Kind::SpoolFailed, config_.spoolFolder, 0});
    }
    {
        std::lock_guard lock(mutex_);
        acknowledged_ = s.spool.acknowledged();
    }
    const bool ready = s.setUp();
    for (;;) {
        std::deque<UplinkRecord> records;
        std::deque<UplinkAlarm> alarms;
        uint64_t overflow = 0;
        bool stop = false;
        bool finishing = false;
        {
            std::unique_lock lock(mutex_);
            // Without a connection there is nothing to drive but the next attempt.
            if (!s.connected && !s.connecting && records_.empty() && alarms_.empty() && !stopping_ && !finishing_)
                wake_.wait_for(lock, milliseconds(50));
            records.swap(records_);
            alarms.swap(alarms_);
            overflow = std::exchange(overflow_, 0);
            stop = stopping_;
            finishing = finishing_;
        }
        for (const UplinkRecord& r : records) s.store(r);
        for (const UplinkAlarm& a : alarms) {
            s.alarms[a.item] = a;
            s.alarmDirty[a.item] = true;
        }
        // One line for a run that outgrows the spool, not one per segment dropped.
        if (const uint64_t dropped = s.spool.takeDropped() + overflow; dropped && !s.droppedReported) {
            s.droppedReported = true;
            report({UplinkReport::Kind::Dropped, {}, dropped});
        }
        if (stop) break;
        if (ready) {
            if (!s.connected && !s.connecting && Clock::now() >= s.nextAttempt) s.tryConnect();
            s.pump();
            if (s.connected || s.connecting) {
                const int rc = mosquitto_loop(s.mosq, 10, 1);
                if (rc != MOSQ_ERR_SUCCESS) s.lose(rc);
            }
        }
        // At the end of a run: done when everything is acknowledged, and not
        // worth waiting for while no broker is there (the spool keeps it).
        const bool away = ready && !s.connected && !s.connecting && s.attempted;
        if (finishing && (s.idle() || away || !ready)) {
            {
                std::lock_guard lock(mutex_);
                flushed_ = s.idle() && records_.empty() && alarms_.empty();
                givenUp_ = !flushed_;
            }
            idle_.notify_all();
        }
    }
    if (s.mosq) {
        s.sayOffline();
        mosquitto_destroy(s.mosq);
    }
}

}  // namespace vel
