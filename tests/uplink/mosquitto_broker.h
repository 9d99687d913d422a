#pragma once
// A Mosquitto broker for one test on 127.0.0.1 at a free port, with its own
// config file and persistence folder, and a subscriber that collects what
// it receives. The broker can be stopped and started again on the same port.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <mosquitto.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "support/local_ports.h"

namespace vel::test {

inline const char* kMosquitto = "/usr/sbin/mosquitto";

inline bool haveMosquitto() { return QFile::exists(kMosquitto); }

class MosquittoBroker {
public:
    // `extra`: more config lines (a TLS listener, a password file).
    explicit MosquittoBroker(const QStringList& extra = {}) : port(freePort()) {
        QStringList conf{QStringLiteral("listener %1 127.0.0.1").arg(port), "allow_anonymous true",
                         "persistence true", "persistence_location " + dir.path() + "/", "log_dest none"};
        if (::geteuid() == 0) conf << "user root";
        conf += extra;
        QFile file(dir.path() + "/mosquitto.conf");
        file.open(QIODevice::WriteOnly);
        file.write(conf.join('\n').toUtf8() + '\n');
    }
    ~MosquittoBroker() { stop(); }

    QString folder() const { return dir.path(); }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port); }

    bool start() {
        process.start(kMosquitto, {"-c", dir.path() + "/mosquitto.conf"});
        if (!process.waitForStarted(5000)) return false;
        for (int i = 0; i < 500; ++i) {
            if (portAccepts(port)) return true;
            if (process.state() != QProcess::Running) return false;
            QThread::msleep(10);
        }
        return false;
    }
    // SIGTERM: the broker saves its sessions (the persistent subscriber's queue) and ends.
    void stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        process.waitForFinished(5000);
    }

    QTemporaryDir dir;
    const int port;
    QProcess process;
};

struct Received {
    QString topic;
    QByteArray payload;
    bool retained;
};

// A QoS-1 subscriber with a persistent session (clean session off) on its
// own libmosquitto thread, reconnecting by itself.
class Subscriber {
public:
    Subscriber(int port, const QString& filter, const QString& id = "velloran-test-subscriber") {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(id.toUtf8().constData(), false, this);
        filter_ = filter.toUtf8();
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void* self, int rc) {
            if (rc == 0) mosquitto_subscribe(m, nullptr, static_cast<Subscriber*>(self)->filter_.constData(), 1);
            std::lock_guard lock(static_cast<Subscriber*>(self)->mutex_);
            static_cast<Subscriber*>(self)->connects_ += rc == 0;
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            std::lock_guard lock(static_cast<Subscriber*>(self)->mutex_);
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            std::lock_guard lock(s->mutex_);
            s->messages_.push_back({QString::fromUtf8(m->topic),
                                    QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
        });
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect_async(mosq_, "127.0.0.1", port, 10);
        mosquitto_loop_start(mosq_);
    }
    ~Subscriber() {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }
    bool subscribed() const {
        std::lock_guard lock(mutex_);
        return subscribed_;
    }
    std::vector<Received> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<Received> on(const QString& topicEnd) const {
        std::vector<Received> r;
        for (const Received& m : messages())
            if (m.topic.endsWith(topicEnd)) r.push_back(m);
        return r;
    }

private:
    mosquitto* mosq_;
    QByteArray filter_;
    mutable std::mutex mutex_;
    std::vector<Received> messages_;
    bool subscribed_ = false;
    int connects_ = 0;
};

}  // namespace vel::test
