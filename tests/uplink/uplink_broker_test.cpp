// The uplink against a real Mosquitto broker: through an engine on a fake
// port for the run, and through the client alone for restarts and refusals.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <set>

#include "engine/engine.h"
#include "mosquitto_broker.h"
#include "support/event_spin.h"
#include "support/fake_mailer.h"
#include "support/fake_serial_port.h"
#include "support/manual_clock.h"
#include "support/qstring_printer.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"
#include "text/cp932.h"
#include "uplink/uplink_client.h"
#include "uplink/uplink_lines.h"
#include "uplink/uplink_output.h"
#include "uplink/uplink_spool.h"

namespace vel {
namespace {

using test::MosquittoBroker;
using test::Received;
using test::Subscriber;
using test::spinUntil;

#define NEED_MOSQUITTO() \
    if (!test::haveMosquitto()) GTEST_SKIP() << "/usr/sbin/mosquitto is missing (Debian package mosquitto)"

std::vector<uint64_t> seqs(const std::vector<Received>& records) {
    std::vector<uint64_t> r;
    for (const Received& m : records)
        r.push_back(static_cast<uint64_t>(QJsonDocument::fromJson(m.payload).object()["seq"].toInteger()));
    return r;
}

std::vector<uint64_t> range(uint64_t from, uint64_t to) {
    std::vector<uint64_t> r;
    for (uint64_t s = from; s <= to; ++s) r.push_back(s);
    return r;
}

// Every number once at least, first seen in order (QoS 1 may repeat one
// the broker took but could not acknowledge before it went away).
std::vector<uint64_t> firstSeen(const std::vector<uint64_t>& all) {
    std::vector<uint64_t> r;
    std::set<uint64_t> seen;
    for (uint64_t s : all)
        if (seen.insert(s).second) r.push_back(s);
    return r;
}

// An engine with the output threads of the program, on a manual clock and a
// fake port whose instrument answers every RCV at once.
struct UplinkRig {
    test::TempProgramFolder& tmp;
    test::ManualClock clock;
    test::RecordingMessageBox box;
    test::FakeSerialPort port;
    test::FakeMailer mailer;
    Engine engine{EnginePlatform{clock, box, port, mailer, tmp.folder, {}, {}, true}};
    QStringList rsLines, alarmLines;
    struct Counter : RecordSubscriber {
        int closed = 0;
        void recordClosed(const ClosedRecord&) override { ++closed; }
    } counter;
    Subscription counting;

    UplinkRig(test::TempProgramFolder& folder, const ExtensionSettings& ext) : tmp(folder) {
        test::ensureCoreApplication();
        engine.lineHooks().rsLine = [this](const QString& l) { rsLines.append(l); };
        engine.lineHooks().alarmLine = [this](const QString& l) { alarmLines.append(l); };
        port.setPortNumber(1);
        engine.settings().acquisitionLimitMs = Fixed4{};
        engine.settings().numberColumnOn = true;
        engine.startUp();
        counting = engine.stream().subscribe(counter);
        engine.addRunOutput(uplinkRunOutput());
        saveExtensionSettings(tmp.folder.extensionIni(), ext);
        engine.settings().scriptPath =
            tmp.write("script.txt", cp932::encode(QStringList{"SSS", "RCV", "SET", "EEE"}.join("\r\n") + "\r\n"));
    }

    bool start() { return engine.startRun(); }

    // One reply, ticked until its record has closed.
    void record(double value) {
        const int before = counter.closed;
        port.receive(QStringLiteral("%1,ok\r").arg(value));
        for (int i = 0; i < 50 && counter.closed == before; ++i) {
            clock.advanceMs(10);
            engine.timerTick();
        }
        ASSERT_GT(counter.closed, before);
    }
};

ExtensionSettings uplinkTo(const QString& url) {
    ExtensionSettings ext;
    ext.uplinkUrl = url;
    ext.uplinkStation = "st1";
    ext.uplinkPrefix = "plant";
    return ext;
}

TEST(UplinkBroker, EveryRecordArrivesNumberedWithoutGaps) {
    NEED_MOSQUITTO();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port, "plant/#");
    ASSERT_TRUE(spinUntil([&] { return sub.subscribed(); }));
    test::TempProgramFolder tmp;
    UplinkRig rig(tmp, uplinkTo(broker.url()));
    ASSERT_TRUE(rig.start());
    for (int i = 0; i < 25; ++i) rig.record(i * 0.5);
    ASSERT_TRUE(spinUntil([&] { return sub.on("/record").size() >= 25; }, 10000));
    rig.engine.forceEnd();
    EXPECT_EQ(seqs(sub.on("plant/st1/record")), range(1, 25));
    const QJsonObject last = QJsonDocument::fromJson(sub.on("/record").back().payload).object();
    EXPECT_EQ(last["station"].toString(), "st1");
    EXPECT_EQ(last["values"].toArray()[0].toObject()["value"].toDouble(), 12.0);
    EXPECT_EQ(last["values"].toArray()[1].toObject()["text"].toString(), "ok");
    EXPECT_FALSE(last["no"].isNull());
    ASSERT_TRUE(spinUntil([&] { return sub.on("/status").size() >= 2; }));
    EXPECT_EQ(sub.on("/status").front().payload, "online");
    EXPECT_EQ(sub.on("/status").back().payload, "offline");
    spinUntil([] { return false; }, 50);
    EXPECT_TRUE(rig.rsLines.contains(uplinklines::connected(broker.url()))) << rig.rsLines.join('\n').toStdString();
    EXPECT_TRUE(rig.alarmLines.filter("アップリンク").isEmpty());

    // The numbering goes on in the next run.
    ASSERT_TRUE(rig.start());
    rig.record(1);
    ASSERT_TRUE(spinUntil([&] { return sub.on("/record").size() >= 26; }));
    rig.engine.forceEnd();
    EXPECT_EQ(seqs(sub.on("/record")).back(), 26u);
}

TEST(UplinkBroker, EveryItemOfTheRunHasAUnitAndAQuality) {
    NEED_MOSQUITTO();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port, "plant/st1/record");
    ASSERT_TRUE(spinUntil([&] { return sub.subscribed(); }));
    test::TempProgramFolder tmp;
    ExtensionSettings ext = uplinkTo(broker.url());
    ext.units = {{"D001", "V"}, {"D003", "A"}};
    UplinkRig rig(tmp, ext);
    // The script names a third item that the instrument's replies do not have.
    rig.engine.settings().scriptPath = tmp.write(
        "script.txt", cp932::encode(QStringList{"NAM:D3=third", "SSS", "RCV", "SET", "EEE"}.join("\r\n") + "\r\n"));
    ASSERT_TRUE(rig.start());
    rig.record(60);
    ASSERT_TRUE(spinUntil([&] { return sub.on("/record").size() >= 1; }));
    rig.engine.forceEnd();
    const QJsonObject m = QJsonDocument::fromJson(sub.on("/record")[0].payload).object();
    EXPECT_EQ(m["ts"].toInteger(), QDateTime::fromString(m["time"].toString(), Qt::ISODateWithMs).toMSecsSinceEpoch());
    const struct {
        const char* array;
        int index;
        const char* item;
        const char* unit;
        const char* quality;
    } cases[] = {{"values", 0, "D001", "V", "good"}, {"values", 1, "D002", "", "good"}, {"missing", 0, "D003", "A", "none"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        const QJsonObject v = m[c.array][c.index].toObject();
        EXPECT_EQ(v["item"].toString(), c.item);
        EXPECT_EQ(v["unit"].toString(), c.unit);
        EXPECT_EQ(v["quality"].toString(), c.quality);
    }
    EXPECT_EQ(m["values"].toArray().size(), 2);
    EXPECT_EQ(m["missing"][0]["name"].toString(), "third");
}

TEST(UplinkBroker, ABrokerRestartMidRunLosesNoRecord) {
    NEED_MOSQUITTO();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    auto sub = std::make_unique<Subscriber>(broker.port, "plant/st1/record");
    ASSERT_TRUE(spinUntil([&] { return sub->subscribed(); }));
    test::TempProgramFolder tmp;
    UplinkRig rig(tmp, uplinkTo(broker.url()));
    ASSERT_TRUE(rig.start());
    for (int i = 0; i < 10; ++i) rig.record(i);
    ASSERT_TRUE(spinUntil([&] { return sub->on("/record").size() >= 10; }));
    broker.stop();
    for (int i = 10; i < 20; ++i) rig.record(i);  // kept in the spool meanwhile
    spinUntil([&] { return rig.rsLines.contains(uplinklines::lost()); }, 2000);
    ASSERT_TRUE(broker.start());
    for (int i = 20; i < 30; ++i) rig.record(i);
    const bool all = spinUntil([&] { return firstSeen(seqs(sub->on("/record"))).size() >= 30; }, 20000);
    rig.engine.forceEnd();
    EXPECT_TRUE(all);
    EXPECT_EQ(firstSeen(seqs(sub->on("/record"))), range(1, 30));
    EXPECT_TRUE(rig.rsLines.contains(uplinklines::lost())) << rig.rsLines.join('\n').toStdString();
    EXPECT_GE(rig.rsLines.count(uplinklines::connected(broker.url())), 2);
    EXPECT_TRUE(rig.engine.runOver());
}

UplinkRecord recordWith(double v) {
    return UplinkRecord{std::nullopt, QDateTime::currentDateTime(), {{"D001", "v", QString::number(v), false, {}}}, {}};
}

UplinkConfig clientConfig(const QString& url, const QString& spool) {
    UplinkConfig config = *parseUplinkUrl(url);
    config.station = "st1";
    config.prefix = "plant";
    config.spoolFolder = spool;
    config.spoolBytes = 1 << 20;
    return config;
}

TEST(UplinkBroker, RecordsSpooledBeforeARestartArriveFirstInOrder) {
    NEED_MOSQUITTO();
    test::ensureCoreApplication();
    MosquittoBroker broker;
    test::TempProgramFolder tmp;
    const QString spool = tmp.path("uplink-spool");
    {
        UplinkClient client(clientConfig(broker.url(), spool));  // the broker is not there yet
        for (int i = 0; i < 12; ++i) client.post(recordWith(i));
        EXPECT_FALSE(client.finish(std::chrono::milliseconds(300)));
    }
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port, "plant/st1/record");
    ASSERT_TRUE(spinUntil([&] { return sub.subscribed(); }));
    UplinkClient client(clientConfig(broker.url(), spool));
    for (int i = 12; i < 17; ++i) client.post(recordWith(i));
    EXPECT_TRUE(client.finish(std::chrono::milliseconds(10000)));
    ASSERT_TRUE(spinUntil([&] { return sub.on("/record").size() >= 17; }));
    EXPECT_EQ(seqs(sub.on("/record")), range(1, 17));
    EXPECT_EQ(QJsonDocument::fromJson(sub.on("/record")[0].payload).object()["values"][0]["text"].toString(), "0");
}

TEST(UplinkBroker, AlarmStateIsRetainedPerItem) {
    NEED_MOSQUITTO();
    test::ensureCoreApplication();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    test::TempProgramFolder tmp;
    UplinkClient client(clientConfig(broker.url(), tmp.path("uplink-spool")));
    client.post(UplinkAlarm{"D002", true, QDateTime::currentDateTime(), "99"});
    client.post(UplinkAlarm{"D002", false, QDateTime::currentDateTime(), "50"});
    client.post(UplinkAlarm{"D003", true, QDateTime::currentDateTime(), "NG"});
    EXPECT_TRUE(client.finish(std::chrono::milliseconds(5000)));
    // A subscriber that comes later gets the latest state of each item.
    Subscriber late(broker.port, "plant/st1/#", "late");
    ASSERT_TRUE(spinUntil([&] { return late.on("/D002").size() + late.on("/D003").size() >= 2; }));
    spinUntil([] { return false; }, 100);
    ASSERT_EQ(late.on("/alarm/D002").size(), 1u);
    EXPECT_TRUE(late.on("/alarm/D002")[0].retained);
    EXPECT_EQ(QJsonDocument::fromJson(late.on("/alarm/D002")[0].payload).object()["state"].toString(), "cleared");
    EXPECT_EQ(QJsonDocument::fromJson(late.on("/alarm/D003")[0].payload).object()["state"].toString(), "raised");
    ASSERT_EQ(late.on("/status").size(), 1u);
    EXPECT_EQ(late.on("/status")[0].payload, "offline");
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

TEST(UplinkBroker, MqttsWithASelfSignedAuthority) {
    NEED_MOSQUITTO();
    if (!QFile::exists("/usr/bin/openssl")) GTEST_SKIP() << "/usr/bin/openssl is missing";
    test::ensureCoreApplication();
    QTemporaryDir pki;
    const QString d = pki.path();
    ASSERT_TRUE(run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=test-ca",
                                "-keyout", d + "/ca.key", "-out", d + "/ca.crt"}));
    ASSERT_TRUE(run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                                d + "/server.key", "-out", d + "/server.csr"}));
    QFile ext(d + "/san.ext");
    ASSERT_TRUE(ext.open(QIODevice::WriteOnly));
    ext.write("subjectAltName=IP:127.0.0.1\n");
    ext.close();
    ASSERT_TRUE(run("openssl", {"x509", "-req", "-in", d + "/server.csr", "-CA", d + "/ca.crt", "-CAkey",
                                d + "/ca.key", "-CAcreateserial", "-days", "2", "-extfile", d + "/san.ext", "-out",
                                d + "/server.crt"}));
    const int tlsPort = test::freePort();
    MosquittoBroker broker({QStringLiteral("listener %1 127.0.0.1").arg(tlsPort), "cafile " + d + "/ca.crt",
                            "certfile " + d + "/server.crt", "keyfile " + d + "/server.key"});
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port, "plant/st1/record");  // on the plain listener
    ASSERT_TRUE(spinUntil([&] { return sub.subscribed(); }));

    test::TempProgramFolder tmp;
    const struct {
        QString ca;
        bool delivered;
    } cases[] = {{d + "/ca.crt", true}, {d + "/server.key", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ca.toStdString());
        UplinkConfig config = clientConfig(QStringLiteral("mqtts://127.0.0.1:%1").arg(tlsPort), tmp.path("s" + QString::number(c.delivered)));
        config.ca = c.ca;
        UplinkClient client(config);
        std::vector<UplinkReport> reports;
        client.setOnReport([&](const UplinkReport& r) { reports.push_back(r); });
        for (int i = 0; i < 3; ++i) client.post(recordWith(i));
        EXPECT_EQ(client.finish(std::chrono::milliseconds(c.delivered ? 10000 : 1500)), c.delivered);
        const auto refused = std::count_if(reports.begin(), reports.end(),
                                           [](const UplinkReport& r) { return r.kind == UplinkReport::Kind::Refused; });
        EXPECT_EQ(refused, c.delivered ? 0 : 1);
    }
    ASSERT_TRUE(spinUntil([&] { return sub.on("/record").size() >= 3; }));
    spinUntil([] { return false; }, 100);
    EXPECT_EQ(seqs(sub.on("/record")), range(1, 3));
}

TEST(UplinkBroker, AWrongPasswordIsOneAlarmLineAndTheRunGoesOn) {
    NEED_MOSQUITTO();
    if (!QFile::exists("/usr/bin/mosquitto_passwd")) GTEST_SKIP() << "/usr/bin/mosquitto_passwd is missing";
    QTemporaryDir auth;
    ASSERT_TRUE(run("/usr/bin/mosquitto_passwd", {"-b", "-c", auth.path() + "/passwd", "station", "right"}));
    MosquittoBroker broker({"password_file " + auth.path() + "/passwd"});
    // The password file applies to every listener: anonymous clients are refused.
    QFile conf(broker.folder() + "/mosquitto.conf");
    conf.open(QIODevice::ReadOnly);
    QByteArray text = conf.readAll().replace("allow_anonymous true", "allow_anonymous false");
    conf.close();
    conf.open(QIODevice::WriteOnly | QIODevice::Truncate);
    conf.write(text);
    conf.close();
    ASSERT_TRUE(broker.start());

    test::TempProgramFolder tmp;
    ExtensionSettings ext = uplinkTo(broker.url());
    ext.uplinkUsername = "station";
    ext.uplinkPassword = "wrong";
    UplinkRig rig(tmp, ext);
    ASSERT_TRUE(rig.start());
    for (int i = 0; i < 5; ++i) {
        rig.record(i);
        spinUntil([] { return false; }, 700);  // several attempts, each refused
    }
    EXPECT_TRUE(rig.engine.running());
    rig.engine.forceEnd();
    EXPECT_EQ(rig.alarmLines.filter("アップリンク").size(), 1) << rig.alarmLines.join('\n').toStdString();
    EXPECT_TRUE(rig.alarmLines.filter("アップリンク")[0].contains("パスワード")) << rig.alarmLines.join('\n').toStdString();
    EXPECT_EQ(rig.counter.closed, 5);
    // Kept for a run with the right password.
    UplinkSpool spool(tmp.path("uplink-spool"), 1 << 20);
    ASSERT_TRUE(spool.open());
    EXPECT_EQ(spool.pending(), 5u);
}

}  // namespace
}  // namespace vel
