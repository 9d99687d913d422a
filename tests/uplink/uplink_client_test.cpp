// The client without a broker: the run's side never waits, and what it
// reports comes once.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "support/event_spin.h"
#include "uplink/uplink_client.h"
#include "uplink/uplink_spool.h"

namespace vel {
namespace {

UplinkConfig nowhere(const QString& spool, int64_t bytes) {
    UplinkConfig config = *parseUplinkUrl("mqtt://127.0.0.1:1");  // nothing listens on port 1
    config.station = "st";
    config.prefix = "p";
    config.spoolFolder = spool;
    config.spoolBytes = bytes;
    return config;
}

int count(const std::vector<UplinkReport>& reports, UplinkReport::Kind kind) {
    return static_cast<int>(std::count_if(reports.begin(), reports.end(), [&](const UplinkReport& r) { return r.kind == kind; }));
}

TEST(UplinkClient, WithoutABrokerRecordsAreKeptAndTheEndDoesNotWait) {
    test::ensureCoreApplication();
    QTemporaryDir dir;
    std::vector<UplinkReport> reports;
    {
        UplinkClient client(nowhere(dir.path() + "/spool", 1 << 20));
        client.setOnReport([&](const UplinkReport& r) { reports.push_back(r); });
        for (int i = 0; i < 40; ++i)
            client.post(UplinkRecord{std::nullopt, QDateTime::currentDateTime(), {{"D001", "v", "1", false, {}}}, {}});
        test::spinUntil([&] { return count(reports, UplinkReport::Kind::Unreachable) > 0; }, 3000);
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(client.finish(std::chrono::seconds(5)));
        EXPECT_LT(t.elapsed(), 1500);
    }
    EXPECT_EQ(count(reports, UplinkReport::Kind::Unreachable), 1);
    EXPECT_EQ(count(reports, UplinkReport::Kind::Connected), 0);
    UplinkSpool spool(dir.path() + "/spool", 1 << 20);
    ASSERT_TRUE(spool.open());
    EXPECT_EQ(spool.pending(), 40u);
}

TEST(UplinkClient, AFullSpoolIsReportedOnce) {
    test::ensureCoreApplication();
    QTemporaryDir dir;
    std::vector<UplinkReport> reports;
    UplinkClient client(nowhere(dir.path() + "/spool", 1024));
    client.setOnReport([&](const UplinkReport& r) { reports.push_back(r); });
    const QString big(200, u'x');
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 50; ++i)
            client.post(UplinkRecord{std::nullopt, QDateTime::currentDateTime(), {{"D001", "v", big, false, {}}}, {}});
        test::spinUntil([] { return false; }, 100);
    }
    client.finish(std::chrono::seconds(2));
    // A line at the first loss and one at the end: together the true number
    // lost, which is the gap before the first record left in the spool.
    const int lines = count(reports, UplinkReport::Kind::Dropped);
    EXPECT_GE(lines, 1);
    EXPECT_LE(lines, 2);
    uint64_t reported = 0;
    for (const UplinkReport& r : reports)
        if (r.kind == UplinkReport::Kind::Dropped) reported += r.count;
    UplinkSpool spool(dir.path() + "/spool", 1024);
    ASSERT_TRUE(spool.open());
    const auto first = spool.next(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(reported, first->first - 1);
    EXPECT_EQ(reported + spool.pending(), 150u);
}

}  // namespace
}  // namespace vel
