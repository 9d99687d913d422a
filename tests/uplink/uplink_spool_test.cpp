// The spool alone: order, numbering across restarts, the bound, a torn tail.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "uplink/uplink_spool.h"

namespace vel {
namespace {

QByteArray payload(uint64_t seq, int size = 20) {
    QByteArray p = "record " + QByteArray::number(qulonglong(seq)) + " ";
    return p + QByteArray(std::max<int>(size - static_cast<int>(p.size()), 0), 'x');
}

// Every record after `after`, in order.
std::vector<uint64_t> replay(const UplinkSpool& spool, uint64_t after = 0) {
    std::vector<uint64_t> seqs;
    for (auto next = spool.next(after); next; next = spool.next(next->first)) {
        EXPECT_EQ(next->second, payload(next->first, static_cast<int>(next->second.size())));
        seqs.push_back(next->first);
    }
    return seqs;
}

std::vector<uint64_t> range(uint64_t from, uint64_t to) {
    std::vector<uint64_t> r;
    for (uint64_t s = from; s <= to; ++s) r.push_back(s);
    return r;
}

struct SpoolTest : ::testing::Test {
    QTemporaryDir dir;
    QString folder() const { return dir.path() + "/uplink-spool"; }
    // The folder and the numbering beside it: a new spool.
    void wipe() {
        QDir(folder()).removeRecursively();
        QFile::remove(folder() + ".state");
    }
    void fill(UplinkSpool& spool, int n, int size = 20) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(spool.append(payload(spool.nextSeq(), size)));
    }
};

TEST_F(SpoolTest, KeepsOrderAndNumbersAcrossRestarts) {
    {
        UplinkSpool spool(folder(), 1 << 20);
        ASSERT_TRUE(spool.open());
        EXPECT_EQ(spool.nextSeq(), 1u);
        fill(spool, 50);
        spool.acknowledge(20);
        EXPECT_EQ(spool.pending(), 30u);
        EXPECT_EQ(replay(spool, 20), range(21, 50));
    }
    UplinkSpool again(folder(), 1 << 20);
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.acknowledged(), 20u);
    EXPECT_EQ(again.nextSeq(), 51u);
    EXPECT_EQ(replay(again, again.acknowledged()), range(21, 50));
}

TEST_F(SpoolTest, NumberingGoesOnWhenEverythingWasAcknowledged) {
    {
        UplinkSpool spool(folder(), 4096);  // small segments, so acknowledged ones are removed
        ASSERT_TRUE(spool.open());
        fill(spool, 300);
        spool.acknowledge(300);
        EXPECT_EQ(spool.pending(), 0u);
        EXPECT_LT(spool.sizeBytes(), 4096);
    }
    UplinkSpool again(folder(), 4096);
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.nextSeq(), 301u);
    EXPECT_FALSE(again.next(300));
}

TEST_F(SpoolTest, TheBoundDropsTheOldestAndCountsThem) {
    const struct {
        int records;
        uint64_t ackedFirst;
    } cases[] = {{400, 0}, {400, 100}, {2000, 0}};
    for (const auto& c : cases) {
        wipe();
        UplinkSpool spool(folder(), 8192);
        ASSERT_TRUE(spool.open());
        fill(spool, static_cast<int>(c.ackedFirst));
        spool.acknowledge(c.ackedFirst);
        fill(spool, c.records);
        EXPECT_LE(spool.sizeBytes(), 8192);
        const std::vector<uint64_t> left = replay(spool, spool.acknowledged());
        ASSERT_FALSE(left.empty());
        const uint64_t last = c.ackedFirst + static_cast<uint64_t>(c.records);
        // What is left is the newest records without a gap, and the rest was counted as dropped.
        EXPECT_EQ(left, range(left.front(), last));
        EXPECT_EQ(spool.takeDropped(), left.front() - 1 - c.ackedFirst);
        EXPECT_EQ(spool.takeDropped(), 0u);
        EXPECT_EQ(spool.pending(), left.size());
    }
}

TEST_F(SpoolTest, ATornTailIsCutOffAndAppendsFollowTheLastWholeRecord) {
    const struct {
        const char* what;
        std::function<void(QByteArray&)> damage;
    } cases[] = {
        {"cut in the payload", [](QByteArray& b) { b.chop(5); }},
        {"cut in the header", [](QByteArray& b) { b.chop(20 + 14 - 3); }},
        {"garbage appended", [](QByteArray& b) { b += QByteArray(9, '\xff'); }},
        {"last payload changed", [](QByteArray& b) { b[b.size() - 1] = '#'; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        wipe();
        {
            UplinkSpool spool(folder(), 1 << 20);
            ASSERT_TRUE(spool.open());
            fill(spool, 10);
        }
        const QStringList segments = QDir(folder()).entryList({"*.seg"});
        ASSERT_EQ(segments.size(), 1);
        QFile file(folder() + "/" + segments[0]);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        c.damage(bytes);
        file.resize(0);
        file.seek(0);
        file.write(bytes);
        file.close();

        UplinkSpool spool(folder(), 1 << 20);
        ASSERT_TRUE(spool.open());
        const uint64_t whole = std::string(c.what) == "garbage appended" ? 10 : 9;
        EXPECT_EQ(replay(spool), range(1, whole));
        fill(spool, 3);
        UplinkSpool reopened(folder(), 1 << 20);
        ASSERT_TRUE(reopened.open());
        // A number once given is not given again: a record cut off leaves a gap.
        std::vector<uint64_t> expected = range(1, whole);
        for (uint64_t s : range(11, 13)) expected.push_back(s);
        EXPECT_EQ(replay(reopened), expected);
    }
}

TEST_F(SpoolTest, ADeletedFolderDoesNotStartTheNumbersAgain) {
    {
        UplinkSpool spool(folder(), 1 << 20);
        ASSERT_TRUE(spool.open());
        fill(spool, 7);
        spool.skip(2);  // two records lost before the spool
        ASSERT_TRUE(spool.commit());
    }
    QDir(folder()).removeRecursively();
    UplinkSpool spool(folder(), 1 << 20);
    ASSERT_TRUE(spool.open());
    EXPECT_EQ(spool.nextSeq(), 10u);
}

TEST_F(SpoolTest, AnUnwritableFolderIsReportedNotFatal) {
    QFile blocker(dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    UplinkSpool spool(dir.path() + "/file/uplink-spool", 1 << 20);
    EXPECT_FALSE(spool.open());
    EXPECT_FALSE(spool.append("x"));
    EXPECT_EQ(spool.nextSeq(), 1u);
}

}  // namespace
}  // namespace vel
