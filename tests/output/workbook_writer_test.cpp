// The workbook writer against the in-memory workbook: order and kinds of
// the writes, a run that never waits for the workbook, the stop at the first
// refused write, the drop of the oldest records when the queue is full, and
// finish and destruction while a call is held.
#include "output/workbook_writer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <thread>
#include <vector>

#include "support/event_spin.h"
#include "support/fake_workbook.h"
#include "support/qstring_printer.h"

namespace vel {
namespace {

using namespace std::chrono_literals;

// One record's batch: a value in column 1 and the move to the next row.
CellBatch record(int32_t row) {
    return {CellWrite::textCell(row, 1, QString::number(row)), CellWrite::selectCell(row + 1, 1)};
}

// What the owner saw through the callbacks.
struct Reports {
    std::vector<WorkbookWriteFailure> failures;
    std::vector<int> drops;

    void watch(WorkbookWriter& writer) {
        writer.setOnFailure([this](WorkbookWriteFailure f) { failures.push_back(f); });
        writer.setOnDropped([this](int n) { drops.push_back(n); });
    }
};

// Opens the gate when a test leaves early, so that a writer held in a call
// can end; declared after the writer.
struct OpenOnExit {
    test::FakeWorkbook& book;
    ~OpenOnExit() { book.openGate(); }
};

// Lets the queued reports in.
void spinEvents() { test::spinUntil([] { return false; }, 30); }

class WorkbookWriterTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureCoreApplication(); }
    test::FakeWorkbook book;
};

TEST_F(WorkbookWriterTest, WritesLandInOrderWithTheirKinds) {
    const QDateTime stamp(QDate(2024, 5, 1), QTime(12, 0, 0));
    WorkbookWriter writer(&book);
    Reports reports;
    reports.watch(writer);
    ASSERT_TRUE(writer.post({CellWrite::textCell(3, 2, "1"), CellWrite::dateTimeCell(3, 3, stamp),
                             CellWrite::textCell(3, 4, "12.5"), CellWrite::fontColour(3, 4, kAlarmFontColourIndex),
                             CellWrite::selectCell(4, 2)}));
    ASSERT_TRUE(writer.post({CellWrite::timeStampCell(4, 3, "12:00:10"), CellWrite::timeStampCell(4, 4, "E-ERR"),
                             CellWrite::selectCell(5, 2)}));
    ASSERT_TRUE(writer.finish(2s));

    EXPECT_EQ(book.calls, QStringList({"setCellText $B$3=1", "setCellDateTime $C$3=2024/05/01 12:00:00",
                                       "setCellText $D$3=12.5", "setCellFontColourIndex $D$3=3", "selectCell $B$4",
                                       "setCellDateTime $C$4=1899/12/30 12:00:10", "setCellText $D$4=E-ERR",
                                       "selectCell $B$5"}));
    ASSERT_TRUE(book.cell(3, 3) && book.cell(4, 3) && book.cell(4, 4));
    EXPECT_TRUE(book.cell(3, 3)->isDateTime);
    EXPECT_EQ(book.cell(3, 3)->dateTime, stamp);
    EXPECT_TRUE(book.cell(4, 3)->isDateTime) << "a time of day alone is still a date-time cell";
    EXPECT_FALSE(book.cell(4, 4)->isDateTime) << "a stamp that does not read stays text";
    EXPECT_EQ(book.cell(3, 4)->fontColourIndex, kAlarmFontColourIndex);
    EXPECT_EQ(book.activeRow, 5);
    EXPECT_FALSE(writer.stopped());
    spinEvents();
    EXPECT_TRUE(reports.failures.empty());
    EXPECT_TRUE(reports.drops.empty());
}

TEST_F(WorkbookWriterTest, PostNeverWaitsForAHeldCall) {
    WorkbookWriter writer(&book);
    OpenOnExit guard{book};
    book.closeGate();
    ASSERT_TRUE(writer.post(record(1)));
    ASSERT_TRUE(book.waitUntilHeld(2s));

    QElapsedTimer timer;
    timer.start();
    for (int32_t row = 2; row <= 200; ++row) ASSERT_TRUE(writer.post(record(row)));
    EXPECT_LT(timer.elapsed(), 100);
    EXPECT_EQ(book.callsSoFar().size(), 1) << "only the held call was made";

    book.openGate();
    ASSERT_TRUE(writer.finish(5s));
    EXPECT_EQ(book.calls.size(), 400);
    EXPECT_EQ(book.text(200, 1), "200");
}

TEST_F(WorkbookWriterTest, TheFirstRefusedWriteStopsTheWriterAndIsReportedOnce) {
    struct Case {
        const char* refused;
        WorkbookWriteFailure kind;
        QStringList calls;  // every call made, the refused one last
    };
    const Case cases[] = {
        {"setCellFontColourIndex", WorkbookWriteFailure::CellWrite,
         {"setCellText $A$1=1", "selectCell $A$2", "setCellText $A$2=x", "setCellFontColourIndex $A$2=3"}},
        {"setCellDateTime", WorkbookWriteFailure::CellWrite,
         {"setCellText $A$1=1", "selectCell $A$2", "setCellText $A$2=x", "setCellFontColourIndex $A$2=3",
          "setCellDateTime $B$2=2024/05/01 12:00:00"}},
        {"selectCell", WorkbookWriteFailure::CellSelect, {"setCellText $A$1=1", "selectCell $A$2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        test::FakeWorkbook fake;
        fake.failing.insert(c.refused);
        WorkbookWriter writer(&fake);
        Reports reports;
        reports.watch(writer);
        OpenOnExit guard{fake};
        // All three records wait before the first is written.
        fake.closeGate();
        writer.post(record(1));
        ASSERT_TRUE(fake.waitUntilHeld(2s));
        writer.post({CellWrite::textCell(2, 1, "x"), CellWrite::fontColour(2, 1, kAlarmFontColourIndex),
                     CellWrite::dateTimeCell(2, 2, QDateTime(QDate(2024, 5, 1), QTime(12, 0))),
                     CellWrite::textCell(2, 3, "after")});
        writer.post(record(3));
        fake.openGate();

        ASSERT_TRUE(test::spinUntil([&] { return !reports.failures.empty(); }, 2000));
        EXPECT_TRUE(writer.stopped());
        EXPECT_FALSE(writer.post(record(4))) << "a stopped writer takes nothing";
        EXPECT_TRUE(writer.finish(1s));
        spinEvents();
        EXPECT_EQ(reports.failures, std::vector<WorkbookWriteFailure>{c.kind});
        EXPECT_EQ(fake.calls, c.calls) << "nothing is written after the refused call";
        EXPECT_TRUE(reports.drops.empty());

        // A new run writes again and reports again.
        fake.failing.clear();
        writer.reset();
        EXPECT_FALSE(writer.stopped());
        ASSERT_TRUE(writer.post(record(5)));
        ASSERT_TRUE(writer.finish(1s));
        EXPECT_EQ(fake.text(5, 1), "5");
        EXPECT_EQ(reports.failures.size(), 1u);
    }
}

TEST_F(WorkbookWriterTest, AFullQueueDropsTheOldestRecordsAndReportsOncePerRun) {
    WorkbookWriter writer(&book, 3);
    Reports reports;
    reports.watch(writer);
    OpenOnExit guard{book};
    book.closeGate();
    writer.post(record(1));
    ASSERT_TRUE(book.waitUntilHeld(2s));
    // Row 1 is in progress; rows 2..8 compete for three places.
    for (int32_t row = 2; row <= 8; ++row) EXPECT_TRUE(writer.post(record(row)));
    EXPECT_EQ(writer.droppedBatches(), 4);
    spinEvents();
    EXPECT_EQ(reports.drops, std::vector<int>{4});

    // Falling behind again in the same run is not reported again.
    for (int32_t row = 9; row <= 10; ++row) writer.post(record(row));
    book.openGate();
    ASSERT_TRUE(writer.finish(2s));
    EXPECT_EQ(writer.droppedBatches(), 6);
    EXPECT_EQ(reports.drops, std::vector<int>{4});
    EXPECT_TRUE(reports.failures.empty());
    EXPECT_FALSE(writer.stopped()) << "a drop is no failure";

    // The newest records land in their own rows; the dropped ones nowhere.
    for (int32_t row = 1; row <= 10; ++row) {
        const bool written = row == 1 || row >= 8;
        EXPECT_EQ(book.text(row, 1), written ? QString::number(row) : QString()) << "row " << row;
    }
    EXPECT_EQ(book.activeRow, 11);

    // The next run reports its own first drop.
    writer.reset();
    EXPECT_EQ(writer.droppedBatches(), 0);
    book.closeGate();
    writer.post(record(20));
    ASSERT_TRUE(book.waitUntilHeld(2s));
    for (int32_t row = 21; row <= 24; ++row) writer.post(record(row));
    book.openGate();
    ASSERT_TRUE(writer.finish(2s));
    EXPECT_EQ(reports.drops, (std::vector<int>{4, 1}));
}

TEST_F(WorkbookWriterTest, FinishDeliversPendingReportsAndKeepsItsLimit) {
    // A pending failure comes with finish, on this thread and at once.
    {
        book.failing.insert("setCellText");
        WorkbookWriter writer(&book);
        Reports reports;
        reports.watch(writer);
        writer.post(record(1));
        ASSERT_TRUE(writer.finish(2s));
        EXPECT_EQ(reports.failures, std::vector<WorkbookWriteFailure>{WorkbookWriteFailure::CellWrite});
        spinEvents();
        EXPECT_EQ(reports.failures.size(), 1u) << "the queued report does not come a second time";
    }
    // A held call: finish gives up at its limit.
    {
        test::FakeWorkbook held;
        WorkbookWriter writer(&held);
        OpenOnExit guard{held};
        held.closeGate();
        writer.post(record(1));
        ASSERT_TRUE(held.waitUntilHeld(2s));
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(writer.finish(100ms));
        EXPECT_GE(timer.elapsed(), 95);
        EXPECT_LT(timer.elapsed(), 1000);
        held.openGate();
        EXPECT_TRUE(writer.finish(2s));
        EXPECT_EQ(held.calls.size(), 2);
    }
}

TEST_F(WorkbookWriterTest, AFailureOfAnEarlierRunIsNotReportedAfterReset) {
    WorkbookWriter writer(&book);
    Reports reports;
    reports.watch(writer);
    book.failing.insert("setCellText");
    OpenOnExit guard{book};
    book.closeGate();
    writer.post(record(1));
    ASSERT_TRUE(book.waitUntilHeld(2s));
    EXPECT_FALSE(writer.finish(20ms));
    writer.reset();
    book.openGate();
    // The held call of the old run fails; the new run goes on.
    ASSERT_TRUE(writer.post({CellWrite::selectCell(9, 2)}));
    ASSERT_TRUE(writer.finish(2s));
    spinEvents();
    EXPECT_TRUE(reports.failures.empty());
    EXPECT_FALSE(writer.stopped());
    EXPECT_EQ(book.calls, QStringList({"setCellText $A$1=1", "selectCell $B$9"}))
        << "the rest of the old run's record is abandoned";
}

TEST_F(WorkbookWriterTest, DestructionLetsTheHeldCallEndAndWritesNothingMore) {
    Reports reports;
    book.failing.insert("selectCell");  // would fail, if it were ever made
    book.closeGate();
    QElapsedTimer timer;
    std::thread opener;
    {
        WorkbookWriter writer(&book);
        reports.watch(writer);
        writer.post(record(1));
        writer.post(record(2));
        ASSERT_TRUE(book.waitUntilHeld(2s));
        opener = std::thread([&] {
            std::this_thread::sleep_for(100ms);
            book.openGate();
        });
        timer.start();
        // Leaving the scope destroys the writer while its call is held.
    }
    opener.join();
    EXPECT_GE(timer.elapsed(), 90) << "the destructor waited for the call in progress";
    EXPECT_EQ(book.calls, QStringList{"setCellText $A$1=1"});
    spinEvents();
    EXPECT_TRUE(reports.failures.empty()) << "no report reaches an owner that is gone";
}

}  // namespace
}  // namespace vel
