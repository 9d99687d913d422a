// Records per second through the uplink to a local Mosquitto broker, at full
// speed and as a replay of the spool after the broker was away, beside
// mosquitto_pub doing the same job (one process per message, and one
// process reading a message per line).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include "uplink/mosquitto_broker.h"
#include "uplink/uplink_client.h"
#include "uplink/uplink_payload.h"
#include "uplink/uplink_spool.h"

using namespace vel;

namespace {

// A record of twelve values, as a script with a dozen data items makes.
UplinkRecord sampleRecord(int i) {
    UplinkRecord r{QString::number(i), QDateTime::currentDateTime(), {}, {}};
    for (int v = 0; v < 12; ++v)
        r.values.push_back({uplinkItemName(v), QStringLiteral("値%1").arg(v), QString::number(20.0 + v + i % 7 * 0.25), v == 3, {}});
    return r;
}

UplinkConfig config(int port, const QString& spool) {
    UplinkConfig c = *parseUplinkUrl(QStringLiteral("mqtt://127.0.0.1:%1").arg(port));
    c.station = "bench";
    c.prefix = "bench";
    c.spoolFolder = spool;
    c.spoolBytes = int64_t{1} << 30;
    return c;
}

void report(const char* what, int n, qint64 ms) {
    std::printf("%-46s %7d messages %7lld ms %9.0f /s\n", what, n, static_cast<long long>(ms), n * 1000.0 / std::max<qint64>(ms, 1));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (!test::haveMosquitto()) {
        std::fprintf(stderr, "needs /usr/sbin/mosquitto (Debian package mosquitto)\n");
        return 1;
    }
    test::MosquittoBroker broker;
    if (!broker.start()) return 1;
    QTemporaryDir tmp;

    {  // Full speed: posted as fast as the run could close records, until the last is acknowledged.
        UplinkClient client(config(broker.port, tmp.path() + "/live"));
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < n; ++i) client.post(sampleRecord(i));
        const bool all = client.finish(std::chrono::minutes(5));
        report(all ? "uplink, live (posted -> acknowledged)" : "uplink, live (NOT all acknowledged)", n, t.elapsed());
    }
    {  // Replay: the records wait in the spool while the broker is away.
        broker.stop();
        {
            UplinkClient client(config(broker.port, tmp.path() + "/replay"));
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < n; ++i) client.post(sampleRecord(i));
            client.finish(std::chrono::milliseconds(200));
            report("uplink, spooled while the broker is away", n, t.elapsed());
        }
        broker.start();
        UplinkClient client(config(broker.port, tmp.path() + "/replay"));
        QElapsedTimer t;
        t.start();
        const bool all = client.finish(std::chrono::minutes(5));
        report(all ? "uplink, spool replay (start -> acknowledged)" : "uplink, spool replay (NOT all)", n, t.elapsed());
    }
    const QByteArray payload = recordPayload(sampleRecord(1), "bench", 1);
    // The spool alone: what syncing it to the disk costs, by how many
    // records one sync covers (the client syncs once per batch it takes
    // from the run: one record when records come one at a time).
    for (const int batch : {1, 10, 100, 0}) {
        UplinkSpool spool(tmp.path() + "/sync" + QString::number(batch), int64_t{1} << 30);
        spool.open();
        const int m = batch == 1 ? std::min(n, 5000) : n;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < m; ++i) {
            spool.append(payload);
            if (batch && (i + 1) % batch == 0) spool.commit();
        }
        const QByteArray what = batch ? "spool append, one sync per " + QByteArray::number(batch) + " records"
                                      : QByteArray("spool append, no sync");
        report(what.constData(), m, t.elapsed());
    }
    const QStringList common{"-h", "127.0.0.1", "-p", QString::number(broker.port), "-q", "1", "-t", "bench/plain/record"};
    {  // The plain way: one mosquitto_pub per record.
        const int m = std::min(n, 300);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < m; ++i) {
            QProcess p;
            p.start("mosquitto_pub", common + QStringList{"-m", QString::fromUtf8(payload)});
            p.waitForFinished();
        }
        report("mosquitto_pub, one process per message", m, t.elapsed());
    }
    {  // One mosquitto_pub reading one message per line.
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.start("mosquitto_pub", common + QStringList{"-l"});
        p.waitForStarted();
        QByteArray lines;
        for (int i = 0; i < n; ++i) lines += payload + '\n';
        p.write(lines);
        p.closeWriteChannel();
        p.waitForFinished(300000);
        report("mosquitto_pub -l, one process, line per message", n, t.elapsed());
    }
    return 0;
}
