#include "uplink/uplink_client.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <arpa/inet.h>
#include <mosquitto.h>

#include <set>

#include "uplink/uplink_spool.h"

namespace vel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kWindow = 100;  // records published and not yet acknowledged
constexpr milliseconds kFirstRetry{500};
constexpr milliseconds kLastRetry{5000};
constexpr milliseconds kOfflineFlush{500};
// A host name that has not resolved by then counts as a broker not found.
constexpr milliseconds kResolveLimit{10000};
constexpr auto kDropReportEvery = std::chrono::hours(1);

// libmosquitto's global set-up is not thread safe: once per process, by
// whichever uplink starts first.
void initLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

bool isNumericAddress(const QString& host) {
    unsigned char buffer[sizeof(in6_addr)];
    const QByteArray h = host.toLatin1();
    return ::inet_pton(AF_INET, h.constData(), buffer) == 1 || ::inet_pton(AF_INET6, h.constData(), buffer) == 1;
}

// A host-name lookup on a thread of its own, so that a resolver that never
// answers holds up neither the uplink nor the end of a run. The session
// leaves it behind when it takes too long; it ends on its own.
struct Resolution {
    std::mutex mutex;
    std::optional<QString> address;  // set when done; empty: no address

    std::optional<QString> result() {
        std::lock_guard lock(mutex);
        return address;
    }
    static std::shared_ptr<Resolution> start(const QString& host, std::function<QString(const QString&)> resolve) {
        auto r = std::make_shared<Resolution>();
        std::thread([r, host, resolve = resolve ? std::move(resolve) : resolveHost] {
            const QString found = resolve(host);
            std::lock_guard lock(r->mutex);
            r->address = found;
        }).detach();
        return r;
    }
};

std::set<QString> readLines(const QString& path) {
    std::set<QString> lines;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.trimmed().isEmpty()) lines.insert(QString::fromUtf8(line.trimmed()));
    return lines;
}

void writeLines(const QString& path, const std::set<QString>& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    for (const QString& line : lines) file.write(line.toUtf8() + '\n');
    file.commit();
}

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
    bool spoolFullReported = false;
    uint64_t unstored = 0;                // records lost to a full disk, not reported yet
    uint64_t dropsUnreported = 0;
    std::optional<Clock::time_point> lastDropReport;
    bool resolving = false;
    std::shared_ptr<Resolution> resolution;
    Clock::time_point resolveDeadline{};
    Clock::time_point nextAttempt{};
    milliseconds retry = kFirstRetry;
    uint64_t sentUpTo = 0;                // the last record published on this connection
    std::map<int, uint64_t> inflight;     // message id -> record number
    std::map<QString, UplinkAlarm> alarms;  // the latest state of every item
    std::map<QString, bool> alarmDirty;
    // Home Assistant discovery: the items announced (kept beside the spool,
    // so that a later run can remove those its script no longer has).
    const QString announcedPath;
    std::set<QString> announced;
    std::vector<UplinkItem> items;
    std::map<QString, bool> itemDirty;
    std::set<QString> toRemove;
    bool itemsListed = false;

    Session(UplinkClient& c)
        : client(c),
          spool(c.config_.spoolFolder, c.config_.spoolBytes),
          announcedPath(QDir::cleanPath(c.config_.spoolFolder) + QStringLiteral(".discovery")),
          announced(readLines(announcedPath)) {}

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
        const QByteArray id =
            (c.clientId.isEmpty() ? uplinkClientId(c.station, QFileInfo(c.spoolFolder).absolutePath()) : c.clientId).toUtf8();
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
        for (auto& [item, dirty] : itemDirty) dirty = true;
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

    void notFound() {
        reportUnreachable();
        scheduleRetry();
    }

    // A host name is looked up first, apart (see Resolution); the client
    // then connects to the address found. Over TLS it is given the name
    // again, which the broker's certificate is checked against.
    void tryConnect() {
        attempted = true;
        const QString& host = client.config_.host;
        if (isNumericAddress(host)) return connectTo(host);
        // A lookup left behind earlier still hangs: no second one beside it.
        if (resolution && !resolution->result()) return notFound();
        resolution = Resolution::start(host, client.config_.resolve);
        resolving = true;
        resolveDeadline = Clock::now() + kResolveLimit;
    }

    void followResolution() {
        if (!resolving) return;
        const std::optional<QString> address = resolution->result();
        if (!address && Clock::now() < resolveDeadline) return;
        resolving = false;
        if (!address || address->isEmpty()) return notFound();
        connectTo(client.config_.tls ? client.config_.host : *address);
    }

    void connectTo(const QString& address) {
        const int rc = mosquitto_connect_async(mosq, address.toUtf8().constData(), client.config_.port, 30);
        if (rc == MOSQ_ERR_SUCCESS) {
            connecting = true;
            return;
        }
        if (rc == MOSQ_ERR_TLS) refuse(QStringLiteral("TLS の接続に失敗しました"));
        notFound();
    }

    // A broker not found before the first connection (an attempt that
    // failed at once, or later in the loop), said once.
    void reportUnreachable() {
        if (everConnected || unreachableReported || refusedReported) return;
        unreachableReported = true;
        client.report({UplinkReport::Kind::Unreachable, client.config_.url, 0});
    }

    // A record the spool cannot take is lost; its number is used all the
    // same, so that the receiver sees the gap.
    void store(const UplinkRecord& record) {
        if (spool.append(recordPayload(record, client.config_.station, spool.nextSeq()))) {
            reportUnstored();
            return;
        }
        spool.skip(1);
        if (spool.diskFull()) {
            ++unstored;
            if (!spoolFullReported) client.report({UplinkReport::Kind::SpoolFull, client.config_.spoolFolder, 0});
            spoolFullReported = true;
            return;
        }
        if (!spoolFailedReported) client.report({UplinkReport::Kind::SpoolFailed, client.config_.spoolFolder, 0});
        spoolFailedReported = true;
    }

    // The end of a full disk (or of the run while it lasts): how many records it cost.
    void reportUnstored() {
        if (unstored) client.report({UplinkReport::Kind::Unstored, client.config_.spoolFolder, unstored});
        unstored = 0;
        spoolFullReported = false;
    }

    // Records lost to the limit or the queue: the first loss at once, then
    // at most once an hour and at the end, each line with the records lost
    // since the one before.
    void reportDrops(uint64_t more, bool end) {
        dropsUnreported += more;
        if (!dropsUnreported) return;
        const auto now = Clock::now();
        if (lastDropReport && now - *lastDropReport < kDropReportEvery && !end) return;
        client.report({UplinkReport::Kind::Dropped, {}, dropsUnreported});
        dropsUnreported = 0;
        lastDropReport = now;
    }

    void listItems(std::vector<UplinkItem> list) {
        if (!client.config_.homeAssistant) return;
        std::set<QString> names;
        for (const UplinkItem& item : list) names.insert(item.item);
        if (!itemsListed)
            for (const QString& old : announced)
                if (!names.count(old)) toRemove.insert(old);
        itemsListed = true;
        for (const UplinkItem& item : list) {
            const auto was = std::find_if(items.begin(), items.end(), [&](const UplinkItem& i) { return i.item == item.item; });
            if (was == items.end() || !(*was == item)) itemDirty[item.item] = true;
        }
        items = std::move(list);
    }

    void announce() {
        if (toRemove.empty() && std::none_of(itemDirty.begin(), itemDirty.end(), [](const auto& d) { return d.second; }))
            return;
        const QString& station = client.config_.station;
        for (const QString& item : toRemove) {
            publishRaw(discoveryTopic(station, item).toUtf8(), {}, true);
            announced.erase(item);
        }
        toRemove.clear();
        for (const UplinkItem& item : items) {
            if (!itemDirty[item.item]) continue;
            publishRaw(discoveryTopic(station, item.item).toUtf8(), discoveryPayload(item, client.config_.prefix, station), true);
            itemDirty[item.item] = false;
            announced.insert(item.item);
        }
        writeLines(announcedPath, announced);
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
        announce();
        for (auto& [item, dirty] : alarmDirty) {
            if (!dirty) continue;
            publishRaw(topic("alarm/" + item), alarmPayload(alarms[item]), true);
            dirty = false;
        }
    }

    bool idle() const {
        bool alarmsSent = true;
        for (const auto& [item, dirty] : alarmDirty) alarmsSent = alarmsSent && !dirty;
        for (const auto& [item, dirty] : itemDirty) alarmsSent = alarmsSent && !dirty;
        return spool.pending() == 0 && alarmsSent && toRemove.empty();
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

void UplinkClient::post(std::vector<UplinkItem> items) {
    {
        std::lock_guard lock(mutex_);
        items_ = std::move(items);
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
    initLibraryOnce();
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
        std::optional<std::vector<UplinkItem>> items;
        uint64_t overflow = 0;
        bool stop = false;
        bool finishing = false;
        {
            std::unique_lock lock(mutex_);
            // Without a connection there is nothing to drive but the next attempt.
            if (!s.connected && !s.connecting && records_.empty() && alarms_.empty() && !items_ && !stopping_ &&
                !finishing_)
                wake_.wait_for(lock, milliseconds(50));
            records.swap(records_);
            alarms.swap(alarms_);
            items.swap(items_);
            overflow = std::exchange(overflow_, 0);
            stop = stopping_;
            finishing = finishing_;
        }
        for (const UplinkRecord& r : records) s.store(r);
        s.spool.skip(overflow);
        // Every number handed out is on the disk before anything is sent.
        s.spool.commit();
        for (const UplinkAlarm& a : alarms) {
            s.alarms[a.item] = a;
            s.alarmDirty[a.item] = true;
        }
        if (items) s.listItems(std::move(*items));
        s.reportDrops(s.spool.takeDropped() + overflow, stop);
        if (stop) {
            s.reportUnstored();
            break;
        }
        if (ready) {
            s.followResolution();
            if (!s.connected && !s.connecting && !s.resolving && Clock::now() >= s.nextAttempt) s.tryConnect();
            s.pump();
            if (s.connected || s.connecting) {
                const int rc = mosquitto_loop(s.mosq, 10, 1);
                if (rc != MOSQ_ERR_SUCCESS) s.lose(rc);
            }
            // The acknowledgements of this turn, in one sync.
            s.spool.commit();
        }
        // At the end of a run: done when everything is acknowledged, and not
        // worth waiting for while no broker is there (the spool keeps it).
        const bool away = ready && !s.connected && !s.connecting && !s.resolving && s.attempted;
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
