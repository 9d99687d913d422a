#include "output/workbook_cursor.h"

#include <gtest/gtest.h>

#include "support/fake_workbook.h"
#include "support/recording_message_box.h"

namespace vel {
namespace {

const QString kAccessFailed = QStringLiteral("エクセルにアクセスできません! 再オープンして下さい");

struct Shown {
    QStringList columns;
    QList<int32_t> rows;
    int pumps = 0;
    CursorView view() {
        return CursorView{[this](const QString& l) { columns.append(l); }, [this](int32_t r) { rows.append(r); },
                          [this] { ++pumps; }};
    }
};

TEST(GetStartCell, TakesTheCursorFromTheGivenOrTheActiveCell) {
    struct Case {
        const char* what;
        bool useStartCell;
        QString letters;
        int32_t row;
        int32_t activeRow, activeColumn;  // the user's selection
        int16_t wantColumn;
        int32_t wantRow;
        QString wantLetters;
    };
    const Case cases[] = {
        {"given B3", true, "B", 3, 9, 9, 2, 3, "B"},
        {"given letters are trimmed", true, " AB ", 7, 1, 1, 28, 7, "AB"},
        {"given IA, the last typed column", true, "IA", 65000, 1, 1, 235, 65000, "IA"},
        {"current cell AB10", false, "C", 4, 10, 28, 28, 10, "AB"},
        {"current cell beyond IA is accepted", false, "A", 1, 5, 256, 256, 5, "IV"},
        {"current cell A1", false, "ZZ", 99, 1, 1, 1, 1, "A"},
    };
    for (const Case& c : cases) {
        test::FakeWorkbook app;
        app.activeRow = c.activeRow;
        app.activeColumn = c.activeColumn;
        WorkbookConnection conn{&app, true};
        SettingsRecord s;
        s.useStartCell = c.useStartCell;
        s.startColumnLetters = c.letters;
        s.cursorRow = c.row;
        test::RecordingMessageBox box;
        Shown shown;
        getStartCell(conn, s, box, shown.view());
        EXPECT_TRUE(conn.workbookOpen) << c.what;
        EXPECT_TRUE(box.shown.isEmpty()) << c.what;
        EXPECT_EQ(s.cursorColumn, c.wantColumn) << c.what;
        EXPECT_EQ(s.cursorRow, c.wantRow) << c.what;
        EXPECT_EQ(s.startColumnLetters, c.wantLetters) << c.what;
        EXPECT_EQ(shown.columns, QStringList{c.wantLetters}) << c.what;
        EXPECT_EQ(shown.rows, QList<int32_t>{c.wantRow}) << c.what;
        EXPECT_EQ(shown.pumps, 1) << c.what;
    }
}

TEST(GetStartCell, AnyFailingCallClosesTheConnectionWithOneMessage) {
    const char* operations[] = {"selectRange", "activeCellAddress", "activeCellColumn", "activeCellRow"};
    for (const char* op : operations) {
        test::FakeWorkbook app;
        app.failing.insert(op);
        WorkbookConnection conn{&app, true};
        SettingsRecord s;
        s.useStartCell = true;
        s.startColumnLetters = "C";
        s.cursorRow = 5;
        s.cursorColumn = 3;
        test::RecordingMessageBox box;
        getStartCell(conn, s, box);
        EXPECT_FALSE(conn.workbookOpen) << op;
        EXPECT_EQ(box.shown, QStringList{kAccessFailed}) << op;
        EXPECT_EQ(s.cursorColumn, 3) << op;  // no half-taken cursor
        EXPECT_EQ(s.cursorRow, 5) << op;
    }
}

TEST(GetStartCell, WithoutAnOpenWorkbookTouchesNothing) {
    test::FakeWorkbook app;
    WorkbookConnection conn{&app, false};
    SettingsRecord s;
    s.cursorRow = 4;
    test::RecordingMessageBox box;
    Shown shown;
    getStartCell(conn, s, box, shown.view());
    nextCellMove(conn, s, box, shown.view());
    EXPECT_TRUE(app.calls.isEmpty());
    EXPECT_TRUE(box.shown.isEmpty());
    EXPECT_EQ(s.cursorRow, 4);
    EXPECT_TRUE(shown.rows.isEmpty());
}

TEST(NextCellMove, MovesDownOneRowAndSelectsItsFirstCell) {
    test::FakeWorkbook app;
    WorkbookConnection conn{&app, true};
    SettingsRecord s;
    s.cursorRow = 3;
    s.cursorColumn = 2;
    test::RecordingMessageBox box;
    Shown shown;
    nextCellMove(conn, s, box, shown.view());
    nextCellMove(conn, s, box, shown.view());
    EXPECT_EQ(s.cursorRow, 5);
    EXPECT_EQ(shown.rows, (QList<int32_t>{4, 5}));
    EXPECT_EQ(app.calls, (QStringList{"selectCell $B$4", "selectCell $B$5"}));
    EXPECT_TRUE(box.shown.isEmpty());
}

TEST(NextCellMove, ASpreadsheetClosedDuringTheRunFailsOnceAndThenStaysQuiet) {
    test::FakeWorkbook app;
    WorkbookConnection conn{&app, true};
    SettingsRecord s;
    s.cursorRow = 10;
    s.cursorColumn = 1;
    test::RecordingMessageBox box;
    nextCellMove(conn, s, box);
    app.failFromCall = static_cast<int>(app.calls.size());  // the user closes the application
    nextCellMove(conn, s, box);
    nextCellMove(conn, s, box);
    EXPECT_FALSE(conn.workbookOpen);
    EXPECT_EQ(box.shown, QStringList{kAccessFailed});
    EXPECT_EQ(s.cursorRow, 12);  // the failed move still counted its row
    EXPECT_EQ(app.calls.size(), 2);
}

TEST(RecordRowLayout, LeadColumnsComeBeforeTheValues) {
    struct Case {
        bool number;
        int16_t mode;
        int lead;
        int32_t numberCol, timeCol, value0Col;
    };
    const Case cases[] = {
        {false, 0, 0, 2, 2, 2},
        {true, 0, 1, 2, 3, 3},
        {false, 1, 1, 2, 2, 3},
        {false, 2, 1, 2, 2, 3},
        {true, 1, 2, 2, 3, 4},  // B3: number in B, date-time in C, values from D
        {true, 3, 1, 2, 3, 3},  // an unknown mode has no time column
    };
    for (const Case& c : cases) {
        SettingsRecord s;
        s.cursorRow = 3;
        s.cursorColumn = 2;
        s.numberColumnOn = c.number;
        s.timeStampMode = c.mode;
        const RecordRowLayout l = recordRowLayout(s);
        EXPECT_EQ(l.row, 3);
        EXPECT_EQ(l.leadColumns(), c.lead) << c.number << c.mode;
        EXPECT_EQ(l.numberCellColumn(), c.numberCol) << c.number << c.mode;
        EXPECT_EQ(l.timeCellColumn(), c.timeCol) << c.number << c.mode;
        EXPECT_EQ(l.valueCellColumn(0), c.value0Col) << c.number << c.mode;
        EXPECT_EQ(l.valueCellColumn(5), c.value0Col + 5) << c.number << c.mode;
    }
}

TEST(ColumnLetters, NumbersToLetters) {
    const std::pair<int32_t, const char*> cases[] = {
        {1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {235, "IA"}, {256, "IV"}, {702, "ZZ"},
        {703, "AAA"}, {0, ""}, {-3, ""},
    };
    for (const auto& [n, letters] : cases) EXPECT_EQ(columnLetters(n), QString(letters)) << n;
}

}  // namespace
}  // namespace vel
