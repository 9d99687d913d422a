// velloran-cli against velloran-sim with the uplink to a Mosquitto broker
// that is stopped and started again during the run.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <set>

#include "fault_run.h"
#include "support/event_spin.h"
#include "uplink/mosquitto_broker.h"

namespace vel::test {
namespace {

TEST(UplinkRun, ABrokerRestartMidRunLosesNoRecord) {
    if (!haveMosquitto()) GTEST_SKIP() << "/usr/sbin/mosquitto is missing (Debian package mosquitto)";
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port, "plant/e2e/record", "e2e-subscriber");
    ASSERT_TRUE(spinUntil([&] { return sub.subscribed(); }));

    FaultRun f;
    ASSERT_TRUE(f.prepare(kThreeValueScript, 0.08,  // about 5 s
                          {"uplink.url=" + broker.url(), "uplink.station=e2e", "uplink.prefix=plant"}));
    ASSERT_TRUE(f.startSim({}));
    bool stopped = false, started = false;
    const CliResult r = f.cli(30000, [&](qint64 ms) {
        if (!stopped && ms > 1500) {
            broker.stop();
            stopped = true;
        }
        if (!started && ms > 3000) started = broker.start();
    });
    ASSERT_TRUE(r.finished) << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(started);

    const int records = static_cast<int>(csvRows(f.csvBytes()).lines.size()) - 1;  // less the header
    ASSERT_GT(records, 10);
    std::set<qint64> seqs;
    spinUntil([&] {
        seqs.clear();
        for (const Received& m : sub.messages()) seqs.insert(QJsonDocument::fromJson(m.payload).object()["seq"].toInteger());
        return static_cast<int>(seqs.size()) >= records;
    }, 10000);
    EXPECT_EQ(static_cast<int>(seqs.size()), records) << r.out.toStdString();
    EXPECT_EQ(*seqs.begin(), 1);
    EXPECT_EQ(*seqs.rbegin(), records);
    EXPECT_TRUE(r.out.contains(QStringLiteral("アップリンク: ブローカーとの接続が切れました。再接続します"))) << r.out.toStdString();
    EXPECT_GE(r.out.count(QStringLiteral("アップリンク: ブローカーに接続しました (") + broker.url()), 2);
}

}  // namespace
}  // namespace vel::test
