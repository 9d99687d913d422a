// Several stations in one process against a real LibreOffice started without
// windows: their workbooks share one office instance and write at the same
// time from their own writer threads.
#include "output/workbook_backend.h"

#include <gtest/gtest.h>

#ifdef VELLORAN_HAVE_LIBREOFFICE

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <vector>

#include "office_processes.h"
#include "output/libreoffice/libreoffice_workbook.h"
#include "output/workbook_connection.h"
#include "output/workbook_writer.h"
#include "support/event_spin.h"
#include "support/qstring_printer.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

// One station: its workbook from the session, its connection and its file.
struct Station {
    const char* name;
    int32_t firstColumn;  // where its records start; the two overlap in column 2
    std::unique_ptr<Workbook> book;
    WorkbookConnection conn{};
    QString xls{};
    LibreOfficeWorkbook& office() { return dynamic_cast<LibreOfficeWorkbook&>(*book); }
    QString text(int32_t row) const { return QStringLiteral("%1-%2").arg(QLatin1String(name)).arg(row); }
};

// Two stations open their own workbooks in the session's one office, write
// 150 records each at the same time through their own writer threads, and
// close one after the other; a third station may not open a workbook another
// has open: each workbook holds exactly its own records in
// its own rows, each active cell follows only its own station, a station's
// close leaves the other writing, and the office ends with the last one.
TEST(OfficeSession, TwoStationsWriteTheirOwnWorkbooksInOneOfficeAtOnce) {
    if (QStandardPaths::findExecutable("soffice").isEmpty()) GTEST_SKIP() << "no soffice on this machine";
    test::ensureCoreApplication();
    test::TempProgramFolder home;
    OfficeOptions options;
    options.profileRoot = home.path("office-profile");
    options.headless = true;
    options.startTimeoutMs = 60000;
    struct KillLeftovers {
        QString profiles;
        ~KillLeftovers() {
            test::signalOffice(profiles, SIGCONT);
            test::signalOffice(profiles, SIGKILL);
        }
    } leftovers{options.profileRoot};

    OfficeSession session(options);
    Station stations[] = {{"a", 1, session.stationWorkbook()}, {"b", 2, session.stationWorkbook()}};
    ASSERT_TRUE(stations[0].book->createApplication()) << stations[0].book->failure().toStdString();
    for (Station& s : stations) {
        s.conn.app = s.book.get();
        s.xls = home.path(QStringLiteral("%1.xls").arg(QLatin1String(s.name)));
        ASSERT_TRUE(s.office().createWorkbookFile(s.xls)) << s.name;
    }
    test::RecordingMessageBox box;
    qint64 office = 0;
    for (Station& s : stations) {
        QString path;
        ASSERT_EQ(openWorkbookConnection(s.conn, s.xls, path, box), WorkbookOpenResult::Opened) << s.name;
        if (!office) office = s.office().officeProcessId();
        EXPECT_EQ(s.office().officeProcessId(), office) << s.name << " opened in a second office";
    }
    const QString pipe = stations[0].office().pipeName();
    EXPECT_EQ(stations[1].office().pipeName(), pipe);
    EXPECT_EQ(test::officeProcesses(options.profileRoot + "/1").size(), 0) << "a second instance was started";
    // A third station naming a's workbook is refused (its copy's save would
    // overwrite a's rows); its failed open leaves the office to the others.
    {
        Station c{"c", 1, session.stationWorkbook()};
        c.conn.app = c.book.get();
        QString path;
        EXPECT_EQ(openWorkbookConnection(c.conn, home.path("office-profile/../a.xls"), path, box),
                  WorkbookOpenResult::StartFailed);
        EXPECT_EQ(c.conn.openFailure, QStringLiteral("このワークブックは別のステーションが開いています"));
        EXPECT_EQ(box.shown, QStringList{QStringLiteral("エクセルが起動できません！")});
        box.shown.clear();
    }

    // Both writers run at once; the posts alternate between the stations.
    constexpr int32_t kRecords = 150;
    std::vector<WorkbookWriteFailure> failures;
    QElapsedTimer written;
    written.start();
    {
        std::vector<std::unique_ptr<WorkbookWriter>> writers;
        for (Station& s : stations) {
            writers.push_back(std::make_unique<WorkbookWriter>(s.book.get()));
            writers.back()->setOnFailure([&](WorkbookWriteFailure f) { failures.push_back(f); });
        }
        for (int32_t row = 1; row <= kRecords; ++row) {
            for (size_t i = 0; i < 2; ++i) {
                const int32_t c = stations[i].firstColumn;
                writers[i]->post({CellWrite::textCell(row, c, stations[i].text(row)),
                                  CellWrite::textCell(row, c + 1, QString::number(row * (i + 1))),
                                  CellWrite::selectCell(row + 1, c)});
            }
        }
        for (auto& w : writers) ASSERT_TRUE(w->finish(std::chrono::seconds(120)));
    }
    const qint64 writtenMs = written.elapsed();
    EXPECT_TRUE(failures.empty());
    std::printf("[ figures  ] %d records x 2 stations (3 calls each) in %lld ms\n", kRecords,
                static_cast<long long>(writtenMs));

    // Each cursor stands below its own last record, in its own column.
    EXPECT_EQ(stations[0].book->activeCellAddress(), QString("$A$%1").arg(kRecords + 1));
    EXPECT_EQ(stations[1].book->activeCellAddress(), QString("$B$%1").arg(kRecords + 1));
    // Each workbook holds its own records only: the other station's first
    // column stays empty, the shared column holds its own text or number.
    for (size_t i = 0; i < 2; ++i) {
        LibreOfficeWorkbook& office = stations[i].office();
        const int32_t c = stations[i].firstColumn;
        const int32_t foreign = i == 0 ? 3 : 1;  // a column only the other station writes
        for (int32_t row = 1; row <= kRecords; ++row) {
            const auto own = office.readCell(row, c);
            const auto value = office.readCell(row, c + 1);
            const auto other = office.readCell(row, foreign);
            ASSERT_TRUE(own && value && other) << stations[i].name << row;
            EXPECT_EQ(own->text, stations[i].text(row)) << stations[i].name << row;
            EXPECT_EQ(value->number, row * static_cast<double>(i + 1)) << stations[i].name << row;
            EXPECT_EQ(other->kind, OfficeCell::Kind::Empty) << stations[i].name << row;
        }
        EXPECT_EQ(office.readCell(kRecords + 1, c)->kind, OfficeCell::Kind::Empty) << stations[i].name;
    }

    // Station a closes (saves, closes its workbook): the office and station b go on.
    closeWorkbookConnection(stations[0].conn);
    EXPECT_FALSE(test::officeProcesses(pipe).isEmpty()) << "the office ended with b's workbook open";
    EXPECT_TRUE(stations[1].book->setCellText(kRecords + 1, 2, "after a"));
    EXPECT_EQ(stations[1].office().readCell(kRecords + 1, 2)->text, "after a");
    // The last station's close ends the office.
    closeWorkbookConnection(stations[1].conn);
    QElapsedTimer ending;
    ending.start();
    while (!test::officeProcesses(pipe).isEmpty() && ending.elapsed() < 10000) QThread::msleep(50);
    EXPECT_TRUE(test::officeProcesses(pipe).isEmpty()) << "the office outlived its last workbook";
    EXPECT_TRUE(box.shown.isEmpty()) << box.shown.join("|").toStdString();

    // Each saved file kept its own records: reopened by station b in a new office.
    for (Station& s : stations) {
        QString path;
        ASSERT_EQ(openWorkbookConnection(stations[1].conn, s.xls, path, box), WorkbookOpenResult::Opened) << s.name;
        EXPECT_EQ(stations[1].office().readCell(kRecords, s.firstColumn)->text, s.text(kRecords)) << s.name;
        closeWorkbookConnection(stations[1].conn);
    }
}

}  // namespace
}  // namespace vel

#endif
