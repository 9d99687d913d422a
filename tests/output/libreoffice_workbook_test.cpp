// The workbook backend against a real LibreOffice started without windows.
// Each test starts its own office instances on a private profile and ends
// every process it started.
#include "output/workbook_backend.h"

#include <gtest/gtest.h>

#ifdef VELLORAN_HAVE_LIBREOFFICE

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <vector>

#include "output/csv_writer.h"
#include "output/libreoffice/libreoffice_workbook.h"
#include "output/office_process.h"
#include "office_processes.h"
#include "output/sheet_values.h"
#include "output/workbook_connection.h"
#include "output/workbook_cursor.h"
#include "output/workbook_writer.h"
#include "support/event_spin.h"
#include "support/qstring_printer.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

const QString kAccessFailed = QStringLiteral("エクセルにアクセスできません! 再オープンして下さい");
const QString kCannotStart = QStringLiteral("エクセルが起動できません！");

using test::officeProcesses;
using test::signalOffice;

// Counts the calls that reach the office, to see that none are made once
// the connection is closed.
class CountingWorkbook : public Workbook {
public:
    explicit CountingWorkbook(Workbook& inner) : inner_(inner) {}
    int calls = 0;

    bool createApplication() override { return ++calls, inner_.createApplication(); }
    bool openWorkbook(const QString& path) override { return ++calls, inner_.openWorkbook(path); }
    bool setVisible(bool v) override { return ++calls, inner_.setVisible(v); }
    bool setWindowNormal() override { return ++calls, inner_.setWindowNormal(); }
    bool selectRange(const QString& a) override { return ++calls, inner_.selectRange(a); }
    std::optional<QString> activeCellAddress() override { return ++calls, inner_.activeCellAddress(); }
    std::optional<int32_t> activeCellColumn() override { return ++calls, inner_.activeCellColumn(); }
    std::optional<int32_t> activeCellRow() override { return ++calls, inner_.activeCellRow(); }
    bool selectCell(int32_t r, int32_t c) override { return ++calls, inner_.selectCell(r, c); }
    bool setCellText(int32_t r, int32_t c, const QString& t) override { return ++calls, inner_.setCellText(r, c, t); }
    bool setCellDateTime(int32_t r, int32_t c, const QDateTime& v) override {
        return ++calls, inner_.setCellDateTime(r, c, v);
    }
    bool setCellFontColourIndex(int32_t r, int32_t c, int i) override {
        return ++calls, inner_.setCellFontColourIndex(r, c, i);
    }
    bool saveActiveWorkbook() override { return ++calls, inner_.saveActiveWorkbook(); }
    bool quit() override { return ++calls, inner_.quit(); }
    void release() override { ++calls, inner_.release(); }

private:
    Workbook& inner_;
};

struct Value {
    QString text;
    bool alarm = false;
};

// The cell writes of one record as the evaluation makes them: skipped while
// no workbook is open; the first refused call writes the alarm-log line and
// closes the connection.
struct RecordWriter {
    WorkbookConnection& conn;
    QStringList alarmLog;

    void check(bool ok) {
        if (ok) return;
        alarmLog.append(QStringLiteral("エクセルにアクセスできません"));
        conn.workbookOpen = false;
    }
    void write(const SettingsRecord& s, const QDateTime& stamp, const std::vector<Value>& values) {
        const RecordRowLayout row = recordRowLayout(s);
        if (row.numberColumn && conn.workbookOpen)
            check(conn.app->setCellText(row.row, row.numberCellColumn(), QString::number(s.acquisitionNumber)));
        if (row.timeColumn && conn.workbookOpen) check(conn.app->setCellDateTime(row.row, row.timeCellColumn(), stamp));
        for (size_t i = 0; i < values.size(); ++i) {
            const int32_t column = row.valueCellColumn(static_cast<int>(i));
            if (conn.workbookOpen) check(conn.app->setCellText(row.row, column, values[i].text));
            if (values[i].alarm && conn.workbookOpen)
                check(conn.app->setCellFontColourIndex(row.row, column, kAlarmFontColourIndex));
        }
    }
};

class LiveWorkbook : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("soffice").isEmpty()) GTEST_SKIP() << "no soffice on this machine";
        options.profileRoot = home.path("office-profile");
        options.headless = true;
        options.startTimeoutMs = 60000;
        office = std::make_unique<LibreOfficeWorkbook>(options);
        xls = home.path("run.xls");
        ASSERT_TRUE(makeEmptyWorkbook(xls));
    }

    void TearDown() override {
        if (office && office->officeProcessId() > 0) office->quit();
        office.reset();
        // Whatever this test started runs on its own profile folder.
        signalOffice(home.path("office-profile"), SIGCONT);
        signalOffice(home.path("office-profile"), SIGKILL);
    }

    // An empty workbook made by the office itself, once per build folder.
    bool makeEmptyWorkbook(const QString& path) {
        const QString cached = QStringLiteral(VEL_BINARY_DIR "/test-office/empty.xls");
        if (!QFile::exists(cached)) {
            QDir().mkpath(QFileInfo(cached).absolutePath());
            LibreOfficeWorkbook maker(options);
            if (!maker.createApplication()) return false;
            const QString made = cached + "." + QString::number(QCoreApplication::applicationPid());
            const bool ok = maker.createWorkbookFile(made);
            maker.quit();
            if (!ok || !QFile::rename(made, cached)) QFile::remove(made);
        }
        return QFile::copy(cached, path);
    }

    WorkbookOpenResult open(WorkbookConnection& conn) {
        QString path;
        const auto result = openWorkbookConnection(conn, xls, path, box);
        if (office->officeProcessId() > 0) pipes.append(office->pipeName());
        return result;
    }

    OfficeCell cell(int32_t row, int32_t column) {
        const auto c = office->readCell(row, column);
        EXPECT_TRUE(c) << row << "," << column;
        return c.value_or(OfficeCell{});
    }

    test::TempProgramFolder home;
    OfficeOptions options;
    std::unique_ptr<LibreOfficeWorkbook> office;
    QString xls;
    QStringList pipes;
    test::RecordingMessageBox box;
};

// A workbook made, filled and saved under each accepted name stays in the
// format its name promises: Excel 97 (OLE), Office Open XML and OpenDocument.
TEST_F(LiveWorkbook, EachWorkbookNameKeepsItsFormatThroughCreateAndSave) {
    struct Case {
        const char* name;
        QByteArray magic;   // the file's first bytes
        QByteArray inside;  // a name in the file (a zip's names are stored plain)
    };
    const Case cases[] = {
        {"book.xls", QByteArray::fromHex("d0cf11e0a1b11ae1"), {}},
        {"book.xlsx", "PK", "xl/workbook.xml"},
        {"book.ods", "PK", "application/vnd.oasis.opendocument.spreadsheet"},
    };
    ASSERT_TRUE(office->createApplication());
    pipes.append(office->pipeName());
    auto kept = [](const QString& path, const Case& c) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return false;
        const QByteArray bytes = f.readAll();
        return bytes.startsWith(c.magic) && (c.inside.isEmpty() || bytes.contains(c.inside));
    };
    for (const Case& c : cases) {
        const QString path = home.path(QString::fromLatin1(c.name));
        ASSERT_TRUE(office->createWorkbookFile(path)) << c.name;
        EXPECT_TRUE(kept(path, c)) << c.name << " as made";
        ASSERT_TRUE(office->openWorkbook(path)) << c.name;
        EXPECT_TRUE(office->setCellText(1, 1, "12.5"));
        ASSERT_TRUE(office->saveActiveWorkbook()) << c.name;
        EXPECT_TRUE(kept(path, c)) << c.name << " as saved";
    }
}

TEST_F(LiveWorkbook, RunFromAGivenStartCellWritesRowsThatSurviveSaveAndReopen) {
    WorkbookConnection conn{office.get(), false};
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    ASSERT_TRUE(conn.workbookOpen);

    SettingsRecord s;
    s.useStartCell = true;
    s.startColumnLetters = "B";
    s.cursorRow = 3;
    s.numberColumnOn = true;
    s.timeStampMode = 1;
    getStartCell(conn, s, box);
    ASSERT_TRUE(conn.workbookOpen) << box.shown.join("|").toStdString();
    EXPECT_EQ(s.cursorColumn, 2);
    EXPECT_EQ(s.cursorRow, 3);
    EXPECT_EQ(s.startColumnLetters, "B");

    const QDateTime stamp1(QDate(2024, 5, 1), QTime(12, 0, 0));
    const QDateTime stamp2(QDate(2024, 5, 1), QTime(12, 0, 10));
    RecordWriter writer{conn, {}};
    s.acquisitionNumber = 1;
    writer.write(s, stamp1, {{"12.35"}, {"E-ERR-1", true}, {"150", true}});
    nextCellMove(conn, s, box);
    EXPECT_EQ(office->activeCellAddress(), QString("$B$4"));
    s.acquisitionNumber = 2;
    writer.write(s, stamp2, {{"=1+1"}, {"OK"}, {"-0.5"}});
    nextCellMove(conn, s, box);
    EXPECT_TRUE(writer.alarmLog.isEmpty());
    EXPECT_TRUE(box.shown.isEmpty());
    EXPECT_EQ(s.cursorRow, 5);

    struct Want {
        int32_t row, column;
        OfficeCell::Kind kind;
        QString text;
        double number;
        int64_t colour;
    };
    const auto N = OfficeCell::Kind::Number;
    const auto T = OfficeCell::Kind::Text;
    const Want cells[] = {
        {3, 2, N, "1", 1, -1},
        {3, 3, N, "2024/05/01 12:00:00", dateTimeSerial(stamp1), -1},
        {3, 4, N, "12.35", 12.35, -1},
        {3, 5, T, "E-ERR-1", 0, 0xFF0000},
        {3, 6, N, "150", 150, 0xFF0000},
        {4, 2, N, "2", 2, -1},
        {4, 3, N, "2024/05/01 12:00:10", dateTimeSerial(stamp2), -1},
        {4, 4, T, "=1+1", 0, -1},  // a reply is never taken as a formula
        {4, 5, T, "OK", 0, -1},
        {4, 6, N, "-0.5", -0.5, -1},
        {3, 7, OfficeCell::Kind::Empty, "", 0, -1},
    };
    const auto expectCells = [&](const char* when) {
        for (const Want& w : cells) {
            const OfficeCell c = cell(w.row, w.column);
            const std::string at = std::string(when) + " " + absoluteCellAddress(w.row, w.column).toStdString();
            EXPECT_EQ(c.kind, w.kind) << at;
            EXPECT_EQ(c.text, w.text) << at;
            if (w.kind == N) {
                EXPECT_NEAR(c.number, w.number, 1e-9) << at;
            }
            EXPECT_EQ(c.fontColour == 0xFF0000, w.colour == 0xFF0000) << at << " colour " << c.fontColour;
        }
    };
    expectCells("written");

    closeWorkbookConnection(conn);
    EXPECT_FALSE(conn.workbookOpen);
    EXPECT_TRUE(box.shown.isEmpty());
    EXPECT_TRUE(officeProcesses(pipes.last()).isEmpty()) << "the office did not quit";

    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    expectCells("reopened");
    EXPECT_TRUE(cell(3, 3).numberFormat.contains("HH:MM:SS")) << cell(3, 3).numberFormat.toStdString();
}

TEST_F(LiveWorkbook, CurrentCellModeStartsAtTheUsersSelection) {
    WorkbookConnection conn{office.get(), false};
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    // A second open only shows the same workbook again.
    ASSERT_EQ(open(conn), WorkbookOpenResult::Reshown);

    struct Case {
        const char* selection;  // what the user selected
        int16_t column;
        int32_t row;
        const char* letters;
    };
    const Case cases[] = {{"AB10", 28, 10, "AB"}, {"IV5", 256, 5, "IV"}, {"B3:D8", 2, 3, "B"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(office->selectRange(c.selection)) << c.selection;
        SettingsRecord s;
        s.useStartCell = false;
        s.startColumnLetters = "C";
        s.cursorRow = 99;
        QStringList shownColumns;
        QList<int32_t> shownRows;
        getStartCell(conn, s, box,
                     CursorView{[&](const QString& l) { shownColumns.append(l); }, [&](int32_t r) { shownRows.append(r); }, {}});
        ASSERT_TRUE(conn.workbookOpen) << c.selection;
        EXPECT_EQ(s.cursorColumn, c.column) << c.selection;
        EXPECT_EQ(s.cursorRow, c.row) << c.selection;
        EXPECT_EQ(s.startColumnLetters, c.letters) << c.selection;
        EXPECT_EQ(shownColumns, QStringList{c.letters}) << c.selection;
        EXPECT_EQ(shownRows, QList<int32_t>{c.row}) << c.selection;
    }

    // Time of day only: the cell shows the time without a date.
    SettingsRecord s;
    s.cursorRow = 10;
    s.cursorColumn = 28;
    s.timeStampMode = 2;
    RecordWriter writer{conn, {}};
    writer.write(s, QDateTime(QDate(1899, 12, 30), QTime(12, 34, 56)), {{"7"}});
    const OfficeCell time = cell(10, 28);
    EXPECT_EQ(time.text, "12:34:56");
    EXPECT_NEAR(time.number, (12 * 3600 + 34 * 60 + 56) / 86400.0, 1e-9);
    EXPECT_EQ(cell(10, 29).text, "7");

    // A cell beyond the sheet is refused, not written somewhere else.
    EXPECT_FALSE(office->setCellText(2000000, 1, "x"));
    EXPECT_FALSE(office->selectCell(1, 20000));
    EXPECT_FALSE(office->selectRange("not an address"));
    EXPECT_TRUE(box.shown.isEmpty());
}

TEST_F(LiveWorkbook, KilledOfficeFailsOnceAndTheRunGoesOnWithoutCells) {
    CountingWorkbook counting(*office);
    WorkbookConnection conn{&counting, false};
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);

    SettingsRecord s;
    s.useStartCell = true;
    s.startColumnLetters = "A";
    s.cursorRow = 1;
    s.numberColumnOn = true;
    s.csvOn = true;
    s.csvPath = home.path("run.csv");
    getStartCell(conn, s, box);
    ASSERT_TRUE(conn.workbookOpen);

    ScriptTables tables;
    tables.dataItems[0].name = "Temp";
    CsvWriter csv(box);
    RecordWriter writer{conn, {}};
    QElapsedTimer afterKill;
    int callsAtFailure = -1;
    for (int cycle = 1; cycle <= 4; ++cycle) {
        if (cycle == 2) {
            signalOffice(pipes.last(), SIGKILL);
            afterKill.start();
        }
        s.acquisitionNumber = cycle;
        tables.dataItems[kRecordNumberItem].valueText = QString::number(cycle);
        tables.dataItems[0].valueText = QString::number(cycle * 10);
        writer.write(s, {}, {{tables.dataItems[0].valueText}});
        csv.writeCsvRow(s, tables, 1);
        nextCellMove(conn, s, box);
        if (!conn.workbookOpen && callsAtFailure < 0) callsAtFailure = counting.calls;
    }
    EXPECT_LT(afterKill.elapsed(), 5000);
    EXPECT_EQ(writer.alarmLog.size() + box.shown.size(), 1) << writer.alarmLog.join("|").toStdString();
    EXPECT_FALSE(conn.workbookOpen);
    EXPECT_EQ(counting.calls, callsAtFailure) << "cells were written after the failure";
    const QList<QByteArray> rows = home.read("run.csv").split('\n');
    EXPECT_EQ(rows.size(), 1 + 4 + 1) << "header, four rows, and the end of the last line";

    // Close after the office went away shows nothing; a new open replaces
    // the lost instance.
    closeWorkbookConnection(conn);
    EXPECT_EQ(box.shown.size() + writer.alarmLog.size(), 1);
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    EXPECT_EQ(cell(1, 1).kind, OfficeCell::Kind::Empty) << "the lost rows were never saved";
}

TEST_F(LiveWorkbook, AnOfficeThatStopsAnsweringIsCutWithinTheCallLimit) {
    options.callTimeoutMs = 1500;
    office = std::make_unique<LibreOfficeWorkbook>(options);
    WorkbookConnection conn{office.get(), false};
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    ASSERT_TRUE(office->setCellText(1, 1, "before"));

    signalOffice(pipes.last(), SIGSTOP);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(office->setCellText(1, 1, "during"));
    EXPECT_LT(timer.elapsed(), 5000);
    timer.restart();
    EXPECT_FALSE(office->selectCell(2, 1));
    EXPECT_FALSE(office->activeCellAddress());
    EXPECT_LT(timer.elapsed(), 500) << "later calls fail at once";
}

TEST_F(LiveWorkbook, AReleasedInstanceKeepsRunningAndANewOneTakesAnotherProfile) {
    WorkbookConnection conn{office.get(), false};
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    const QString first = office->pipeName();
    ASSERT_TRUE(office->setCellText(1, 1, "kept"));

    // The program ends without closing: the office stays with the workbook.
    office->release();
    EXPECT_FALSE(officeProcesses(first).isEmpty());

    // The workbook is still held by the released instance: a second
    // instance does not open a second, writable copy of it.
    conn.workbookOpen = false;
    EXPECT_EQ(open(conn), WorkbookOpenResult::StartFailed);
    EXPECT_EQ(box.shown, QStringList{kCannotStart});
    EXPECT_FALSE(officeProcesses(first).isEmpty());
    // The instance started for the failed open holds nothing and is ended.
    QElapsedTimer waited;
    waited.start();
    while (officeProcesses(home.path("office-profile/1")).size() > 0 && waited.elapsed() < 10000) QThread::msleep(50);
    EXPECT_TRUE(officeProcesses(home.path("office-profile/1")).isEmpty());

    // Another workbook opens in a new instance on another profile.
    xls = home.path("other.xls");
    ASSERT_TRUE(makeEmptyWorkbook(xls));
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    EXPECT_NE(office->pipeName(), first);
    EXPECT_FALSE(officeProcesses(first).isEmpty());
    EXPECT_EQ(cell(1, 1).kind, OfficeCell::Kind::Empty);
}

// The office called from the writer's worker thread: every posted cell
// lands, in its kind and colour, and the cursor ends below the last record.
TEST_F(LiveWorkbook, CellsPostedThroughTheWriterLandInTheWorkbook) {
    test::ensureCoreApplication();
    WorkbookConnection conn{office.get(), false};
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    const QDateTime start(QDate(2024, 5, 1), QTime(12, 0, 0));
    constexpr int32_t kRecords = 100;
    std::vector<WorkbookWriteFailure> failures;
    {
        WorkbookWriter writer(office.get());
        writer.setOnFailure([&](WorkbookWriteFailure f) { failures.push_back(f); });
        for (int32_t row = 1; row <= kRecords; ++row) {
            writer.post({CellWrite::textCell(row, 1, QString::number(row)),
                         CellWrite::dateTimeCell(row, 2, start.addSecs(row)),
                         CellWrite::textCell(row, 3, row % 10 == 0 ? "E-ERR" : QString::number(row * 0.5)),
                         CellWrite::fontColour(row, 3, kAlarmFontColourIndex), CellWrite::selectCell(row + 1, 1)});
        }
        ASSERT_TRUE(writer.finish(std::chrono::seconds(60)));
    }
    EXPECT_TRUE(failures.empty());
    // Between runs the owner's thread calls the office again.
    EXPECT_EQ(office->activeCellAddress(), QString("$A$%1").arg(kRecords + 1));
    for (int32_t row = 1; row <= kRecords; ++row) {
        const OfficeCell number = cell(row, 1);
        EXPECT_EQ(number.kind, OfficeCell::Kind::Number) << row;
        EXPECT_EQ(number.number, row);
        const OfficeCell stamp = cell(row, 2);
        EXPECT_EQ(stamp.kind, OfficeCell::Kind::Number) << row;
        EXPECT_NEAR(stamp.number, dateTimeSerial(start.addSecs(row)), 1e-9) << row;
        const OfficeCell value = cell(row, 3);
        EXPECT_EQ(value.text, row % 10 == 0 ? QString("E-ERR") : QString::number(row * 0.5)) << row;
        EXPECT_EQ(value.fontColour, 0xFF0000) << row;
    }
}

// The office dies while the run keeps posting: the writer reports one
// failure within moments, never waits on the dead office, and stops.
TEST_F(LiveWorkbook, AKilledOfficeStopsTheWriterWithOneFailure) {
    test::ensureCoreApplication();
    WorkbookConnection conn{office.get(), false};
    ASSERT_EQ(open(conn), WorkbookOpenResult::Opened);
    std::vector<WorkbookWriteFailure> failures;
    WorkbookWriter writer(office.get());
    writer.setOnFailure([&](WorkbookWriteFailure f) { failures.push_back(f); });
    QElapsedTimer afterKill;
    int32_t row = 1;
    for (; row <= 400 && failures.empty(); ++row) {
        if (row == 50) {
            signalOffice(pipes.last(), SIGKILL);
            afterKill.start();
        }
        if (!writer.post({CellWrite::textCell(row, 1, QString::number(row)), CellWrite::selectCell(row + 1, 1)}))
            break;
        test::spinUntil([] { return false; }, 2);
    }
    ASSERT_TRUE(afterKill.isValid()) << "the writer failed before the office was killed";
    EXPECT_TRUE(test::spinUntil([&] { return !failures.empty(); }, 10000));
    EXPECT_LT(afterKill.elapsed(), 10000);
    EXPECT_TRUE(writer.finish(std::chrono::seconds(5)));
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_TRUE(writer.stopped());
    EXPECT_FALSE(writer.post({CellWrite::textCell(row, 1, "late")}));
}

TEST(OfficeStart, AnOfficeThatCannotStartFailsAtOnce) {
    test::TempProgramFolder home;
    const QString xls = home.write("book.xls", "x");
    // The alarm log is told why: the program that would not start, or the
    // process that ended before it accepted the connection.
    const std::pair<const char*, const char*> programs[] = {{"/nonexistent/soffice", "/nonexistent/soffice を起動できません"},
                                                            {"/bin/true", "オフィスのプロセスが接続前に終了しました"}};
    for (const auto& [program, why] : programs) {
        OfficeOptions options;
        options.profileRoot = home.path("office-profile");
        options.program = program;
        LibreOfficeWorkbook office(options);
        WorkbookConnection conn{&office, false};
        test::RecordingMessageBox box;
        QString path;
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(openWorkbookConnection(conn, xls, path, box), WorkbookOpenResult::StartFailed) << program;
        EXPECT_LT(timer.elapsed(), 5000) << program;
        EXPECT_EQ(box.shown, QStringList{kCannotStart}) << program;
        EXPECT_FALSE(conn.workbookOpen);
        EXPECT_EQ(conn.openFailure, QString::fromUtf8(why)) << program;
        EXPECT_FALSE(office.setCellText(1, 1, "x")) << "no connection, no cell";
    }
}

}  // namespace
}  // namespace vel

#else

TEST(LiveWorkbook, NotBuilt) {
    EXPECT_FALSE(vel::officeBackendBuilt());
    GTEST_SKIP() << "built without the LibreOffice kit";
}

#endif
