// A station left alone: a spool on a full disk, two stations of one name,
// a host lookup that never answers, Home Assistant discovery. Each against
// a real Mosquitto broker.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <map>
#include <thread>

#include "mosquitto_broker.h"
#include "support/event_spin.h"
#include "support/temp_folder.h"
#include "uplink/uplink_client.h"
#include "uplink/uplink_spool.h"

namespace vel {
namespace {

using test::MosquittoBroker;
using test::Subscriber;
using test::spinUntil;
using Kind = UplinkReport::Kind;

#define NEED_MOSQUITTO() \
    if (!test::haveMosquitto()) GTEST_SKIP() << "/usr/sbin/mosquitto is missing (Debian package mosquitto)"

UplinkConfig stationConfig(const QString& url, const QString& spool, int64_t bytes = int64_t{1} << 30) {
    UplinkConfig config = *parseUplinkUrl(url);
    config.station = "st1";
    config.prefix = "plant";
    config.spoolFolder = spool;
    config.spoolBytes = bytes;
    return config;
}

UplinkRecord recordOf(const QString& text) {
    return UplinkRecord{std::nullopt, QDateTime::currentDateTime(), {{"D001", "v", text, false, {}}}, {}};
}

uint64_t seqOf(const test::Received& m) {
    return static_cast<uint64_t>(QJsonDocument::fromJson(m.payload).object()["seq"].toInteger());
}

uint64_t total(const std::vector<UplinkReport>& reports, Kind kind) {
    uint64_t n = 0;
    for (const UplinkReport& r : reports) n += r.kind == kind ? std::max<uint64_t>(r.count, 1) : 0;
    return n;
}

// A 1 MB file system on the spool folder, taken away at the end.
struct SmallDisk {
    QString path;
    bool mounted = false;
    explicit SmallDisk(const QString& p) : path(p) {
        QDir().mkpath(path);
        mounted = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", path}) == 0;
    }
    ~SmallDisk() {
        if (mounted) QProcess::execute("umount", {path});
    }
};

TEST(UplinkStation, ASpoolOnAFullDiskKeepsGoing) {
    NEED_MOSQUITTO();
    test::ensureCoreApplication();
    test::TempProgramFolder tmp;
    const QString spool = tmp.path("uplink-spool");
    SmallDisk disk(spool);
    if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs (needs root)";
    MosquittoBroker broker;
    const QString text(2000, u'x');  // about 500 records fill the disk
    std::vector<UplinkReport> reports;
    std::unique_ptr<Subscriber> sub;
    auto runClient = [&](int records, bool brokerThere, uint64_t waitFor = 0) {
        UplinkClient client(stationConfig(broker.url(), spool));
        client.setOnReport([&](const UplinkReport& r) { reports.push_back(r); });
        if (waitFor) {
            EXPECT_TRUE(spinUntil([&] { return client.acknowledged() >= waitFor; }, 20000));
        }
        for (int i = 0; i < records; ++i) {
            client.post(recordOf(text));
            if (brokerThere && i % 50 == 49) spinUntil([] { return false; }, 50);
        }
        return client.finish(std::chrono::seconds(brokerThere ? 20 : 1));
    };
    // The broker away: the disk fills, the rest is counted, said once.
    EXPECT_FALSE(runClient(800, false));
    EXPECT_EQ(total(reports, Kind::SpoolFull), 1u);
    const uint64_t unstored = total(reports, Kind::Unstored);
    EXPECT_GT(unstored, 100u);
    EXPECT_LT(unstored, 800u);

    ASSERT_TRUE(broker.start());
    sub = std::make_unique<Subscriber>(broker.port, "plant/st1/record");
    ASSERT_TRUE(spinUntil([&] { return sub->subscribed(); }));
    // The broker back: what was kept goes, the disk is freed, new records are kept and go.
    reports.clear();
    EXPECT_TRUE(runClient(300, true, 800 - unstored));
    EXPECT_EQ(total(reports, Kind::SpoolFull) + total(reports, Kind::Unstored), 0u);
    // A third run sends its own records only.
    EXPECT_TRUE(runClient(5, true));
    ASSERT_TRUE(spinUntil([&] { return sub->on("/record").size() >= 800 - unstored + 305; }, 10000));
    spinUntil([] { return false; }, 300);
    std::map<uint64_t, int> times;
    for (const test::Received& m : sub->on("/record")) ++times[seqOf(m)];
    EXPECT_EQ(times.size(), 800 - unstored + 305);
    for (const auto& [seq, n] : times) EXPECT_EQ(n, 1) << "record " << seq << " sent " << n << " times";
    // The records lost to the full disk are the gap in the numbers.
    EXPECT_EQ(times.rbegin()->first, 1105u);
}

TEST(UplinkStation, TwoProgramFoldersWithOneStationNameBothStayConnected) {
    NEED_MOSQUITTO();
    test::ensureCoreApplication();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port, "plant/st1/record");
    ASSERT_TRUE(spinUntil([&] { return sub.subscribed(); }));
    test::TempProgramFolder a, b;
    std::vector<UplinkReport> reports;
    {
        UplinkClient first(stationConfig(broker.url(), a.path("uplink-spool")));
        UplinkClient second(stationConfig(broker.url(), b.path("uplink-spool")));
        for (UplinkClient* c : {&first, &second}) c->setOnReport([&](const UplinkReport& r) { reports.push_back(r); });
        for (int i = 0; i < 20; ++i) {
            first.post(recordOf("a"));
            second.post(recordOf("b"));
            spinUntil([] { return false; }, 20);
        }
        EXPECT_TRUE(first.finish(std::chrono::seconds(10)));
        EXPECT_TRUE(second.finish(std::chrono::seconds(10)));
    }
    EXPECT_EQ(total(reports, Kind::Lost), 0u);
    EXPECT_EQ(total(reports, Kind::Connected), 2u);
    EXPECT_NE(uplinkClientId("st1", a.folder.root), uplinkClientId("st1", b.folder.root));
    EXPECT_EQ(uplinkClientId("st1", a.folder.root), uplinkClientId("st1", a.folder.root));
}

TEST(UplinkStation, AHostLookupIsBoundedAndItsAnswerUsed) {
    NEED_MOSQUITTO();
    test::ensureCoreApplication();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    const struct {
        const char* what;
        int answerAfterMs;
        bool delivered;
    } cases[] = {{"never answers", 60000, false}, {"answers", 10, true}};
    test::TempProgramFolder tmp;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UplinkConfig config = stationConfig(QStringLiteral("mqtt://broker.station.test:%1").arg(broker.port),
                                            tmp.path(c.what));
        const int wait = c.answerAfterMs;
        config.resolve = [wait](const QString&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
            return QStringLiteral("127.0.0.1");
        };
        QElapsedTimer t;
        t.start();
        {
            UplinkClient client(config);
            for (int i = 0; i < 3; ++i) client.post(recordOf("1"));
            EXPECT_EQ(client.finish(std::chrono::seconds(2)), c.delivered);
        }
        EXPECT_LT(t.elapsed(), 3000);
        UplinkSpool spool(config.spoolFolder, 1 << 20);
        ASSERT_TRUE(spool.open());
        EXPECT_EQ(spool.pending(), c.delivered ? 0u : 3u);
    }
}

std::map<QString, QJsonObject> configs(const Subscriber& sub) {
    std::map<QString, QJsonObject> latest;
    for (const test::Received& m : sub.messages()) latest[m.topic] = QJsonDocument::fromJson(m.payload).object();
    std::erase_if(latest, [](const auto& e) { return e.second.isEmpty(); });
    return latest;
}

TEST(UplinkStation, HomeAssistantSeesEveryItemAndLosesTheOnesTheScriptDropped) {
    NEED_MOSQUITTO();
    test::ensureCoreApplication();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    test::TempProgramFolder tmp;
    UplinkConfig config = stationConfig(broker.url(), tmp.path("uplink-spool"));
    config.homeAssistant = true;
    const std::vector<std::vector<UplinkItem>> runs = {
        {{"D001", "電圧", "V"}, {"D002", "状態", ""}},
        {{"D001", "電圧", "V"}},
    };
    for (const auto& items : runs) {
        UplinkClient client(config);
        client.post(items);
        client.post(recordOf("1.5"));
        EXPECT_TRUE(client.finish(std::chrono::seconds(10)));
        // What a Home Assistant that starts now finds retained.
        Subscriber late(broker.port, "homeassistant/#", "late");
        ASSERT_TRUE(spinUntil([&] { return late.subscribed(); }));
        spinUntil([] { return false; }, 300);
        const auto found = configs(late);
        ASSERT_EQ(found.size(), items.size());
        for (const UplinkItem& item : items) {
            const QJsonObject c = found.at("homeassistant/sensor/st1_" + item.item + "/config");
            EXPECT_EQ(c["name"].toString(), item.name);
            EXPECT_EQ(c["unique_id"].toString(), "velloran_st1_" + item.item);
            EXPECT_EQ(c["state_topic"].toString(), "plant/st1/record");
            EXPECT_EQ(c["availability_topic"].toString(), "plant/st1/status");
            EXPECT_EQ(c["unit_of_measurement"].toString(), item.unit);
            EXPECT_TRUE(c["value_template"].toString().contains("'" + item.item + "'"));
            EXPECT_EQ(c["device"]["identifiers"][0].toString(), "velloran_st1");
        }
    }
}

}  // namespace
}  // namespace vel
