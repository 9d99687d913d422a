#include "output/workbook_connection.h"

#include <gtest/gtest.h>

#include "output/null_workbook.h"
#include "output/workbook_cursor.h"
#include "output/workbook_writer.h"
#include "support/event_spin.h"
#include "support/fake_workbook.h"
#include "support/recording_message_box.h"

namespace vel {
namespace {

TEST(OpenWorkbook, NameChecksComeFirst) {
    struct Case {
        QString name;
        bool exists;
        WorkbookOpenResult want;
        QString message;
        QString wantPath;
    };
    const Case cases[] = {
        {"", true, WorkbookOpenResult::NoName, "エクセルファイルを指定して下さい!", "old.xls"},
        {"/data/ない.xls", false, WorkbookOpenResult::NotFound, "/data/ない.xlsが見つかりません！", "/data/ない.xls"},
    };
    for (const Case& c : cases) {
        test::FakeWorkbook app;
        WorkbookConnection conn{&app, false};
        QString path = "old.xls";
        test::RecordingMessageBox box;
        const auto r = openWorkbookConnection(conn, c.name, path, box, [&](const QString&) { return c.exists; });
        EXPECT_EQ(r, c.want);
        EXPECT_EQ(box.shown, QStringList{c.message});
        EXPECT_EQ(path, c.wantPath);
        EXPECT_FALSE(conn.workbookOpen);
        EXPECT_TRUE(app.calls.isEmpty());
    }
}

TEST(OpenWorkbook, StartsTheApplicationOrReportsThatItCannot) {
    struct Case {
        const char* what;
        bool alreadyOpen;
        QString failing;
        WorkbookOpenResult want;
        bool wantOpen;
        QStringList wantCalls;
    };
    const QStringList fresh{"createApplication", "openWorkbook /w/a.xls", "setVisible", "setWindowNormal"};
    const Case cases[] = {
        {"new connection", false, "", WorkbookOpenResult::Opened, true, fresh},
        {"open one is shown again", true, "", WorkbookOpenResult::Reshown, true, {"setVisible", "setWindowNormal"}},
        {"a lost connection is replaced", true, "setWindowNormal", WorkbookOpenResult::StartFailed, false,
         {"setVisible", "setWindowNormal", "createApplication", "openWorkbook /w/a.xls", "setVisible",
          "setWindowNormal", "release"}},
        {"no application", false, "createApplication", WorkbookOpenResult::StartFailed, false,
         {"createApplication", "release"}},
        {"workbook will not open", false, "openWorkbook", WorkbookOpenResult::StartFailed, false,
         {"createApplication", "openWorkbook /w/a.xls", "release"}},
    };
    for (const Case& c : cases) {
        test::FakeWorkbook app;
        if (!c.failing.isEmpty()) app.failing.insert(c.failing);
        WorkbookConnection conn{&app, c.alreadyOpen};
        QString path;
        test::RecordingMessageBox box;
        const auto r = openWorkbookConnection(conn, "/w/a.xls", path, box, [](const QString&) { return true; });
        EXPECT_EQ(r, c.want) << c.what;
        EXPECT_EQ(conn.workbookOpen, c.wantOpen) << c.what;
        EXPECT_EQ(app.calls, c.wantCalls) << c.what;
        EXPECT_EQ(box.shown, c.wantOpen ? QStringList{} : QStringList{"エクセルが起動できません！"}) << c.what;
        EXPECT_EQ(conn.openFailure.isEmpty(), c.wantOpen) << c.what;  // a failure always says why
    }
}

TEST(OpenWorkbook, TheBuildWithoutASpreadsheetCannotStartOne) {
    NullWorkbook none;
    WorkbookConnection conn{&none, false};
    QString path;
    test::RecordingMessageBox box;
    EXPECT_EQ(openWorkbookConnection(conn, "/w/a.xls", path, box, [](const QString&) { return true; }),
              WorkbookOpenResult::StartFailed);
    EXPECT_FALSE(conn.workbookOpen);
    EXPECT_EQ(box.shown, QStringList{"エクセルが起動できません！"});
    EXPECT_EQ(conn.openFailure, "表計算ソフトとの連携なしで作られたプログラムです");
}

// A run that ends while the writer's office call hangs: the connection stays
// with the writer and counts as closed, nothing on this thread calls the
// office until that call has ended (only the call in progress finishes, the
// rest is dropped), and then the window has the office back.
TEST(FinishWriter, AHungCallKeepsTheOfficeFromThisThreadUntilItEnds) {
    using namespace std::chrono_literals;
    test::ensureCoreApplication();
    test::FakeWorkbook app;
    struct OpenOnExit {
        test::FakeWorkbook& book;
        ~OpenOnExit() { book.openGate(); }
    };
    WorkbookWriter writer(&app);
    const OpenOnExit unblock{app};
    WorkbookConnection conn{&app, true, &writer};
    app.closeGate();
    writer.post({CellWrite::textCell(2, 1, "a"), CellWrite::textCell(2, 2, "b")});
    writer.post({CellWrite::textCell(3, 1, "c")});
    ASSERT_TRUE(app.waitUntilHeld(2s));

    EXPECT_FALSE(finishWriter(conn, 50ms));
    EXPECT_FALSE(conn.workbookOpen);
    EXPECT_EQ(conn.writer, &writer) << "the connection stays with the writer";
    test::RecordingMessageBox box;
    SettingsRecord settings;
    const std::function<void()> windowOps[] = {
        [&] {
            QString path;
            EXPECT_EQ(openWorkbookConnection(conn, "/data/book.ods", path, box, [](const QString&) { return true; }),
                      WorkbookOpenResult::StartFailed);
        },
        [&] { closeWorkbookConnection(conn); },
        [&] { releaseWorkbookConnection(conn); },
        [&] { getStartCell(conn, settings, box, {}); },
        [&] { EXPECT_FALSE(officeFree(conn)); },
    };
    for (const auto& op : windowOps) {
        op();
        EXPECT_EQ(app.callsSoFar(), QStringList{"setCellText $A$2=a"}) << "an office call from this thread";
    }

    app.openGate();
    ASSERT_TRUE(test::spinUntil([&] { return !writer.busy(); }, 2000));
    EXPECT_EQ(app.callsSoFar(), QStringList{"setCellText $A$2=a"}) << "the rest of the run is dropped";
    QString path;
    EXPECT_EQ(openWorkbookConnection(conn, "/data/book.ods", path, box, [](const QString&) { return true; }),
              WorkbookOpenResult::Opened);
    EXPECT_EQ(conn.writer, nullptr);
    EXPECT_TRUE(conn.workbookOpen);
}

TEST(CloseWorkbook, AlwaysEndsTheConnectionAndNeverQuitsOverAnUnsavedWorkbook) {
    struct Case {
        QString failing;
        QStringList wantCalls;
    };
    const Case cases[] = {
        {"", {"saveActiveWorkbook", "quit", "release"}},
        {"quit", {"saveActiveWorkbook", "quit", "release"}},
        {"saveActiveWorkbook", {"saveActiveWorkbook", "release"}},
    };
    for (const Case& c : cases) {
        test::FakeWorkbook app;
        if (!c.failing.isEmpty()) app.failing.insert(c.failing);
        WorkbookConnection conn{&app, true};
        closeWorkbookConnection(conn);
        EXPECT_FALSE(conn.workbookOpen) << c.failing.toStdString();
        EXPECT_EQ(app.calls, c.wantCalls) << c.failing.toStdString();
    }
}

}  // namespace
}  // namespace vel
