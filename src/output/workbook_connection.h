#pragma once
// The connection to the spreadsheet: the backend that reaches the application
// and whether a workbook is open in it. While workbookOpen is false every
// workbook operation and every cell write is skipped. Any failed call drops
// the flag; only a successful open raises it again.
#include <QString>
#include <chrono>
#include <functional>

#include "base/message_box.h"
#include "output/cell_write.h"
#include "output/workbook.h"

namespace vel {

class WorkbookWriter;

struct WorkbookConnection {
    Workbook* app = nullptr;  // the backend; never owned here
    bool workbookOpen = false;
    // During a run in the program, the thread that writes the cells; never
    // owned here. Without it the cells are written at once.
    WorkbookWriter* writer = nullptr;
    // The run is over but the writer's last call had not ended: the
    // connection stays with the writer until officeFree() finds it idle.
    bool writerOverran = false;
    // Why the last open request could not start the application or open the
    // workbook (the backend's failure()); empty after a successful open.
    QString openFailure{};
};

// The end of a run: waits at most `limit` for the writer's queue. When it is
// done the connection comes back to this thread (no writer) and true. When a
// call is still in progress, the rest is dropped, the workbook counts as
// closed, and the connection stays with the writer (writerOverran), so that
// nothing here calls the office while that call may run; false.
bool finishWriter(WorkbookConnection& conn, std::chrono::milliseconds limit);

// Whether this thread may call the office now: no writer holds the
// connection, or the one left holding it after its run has ended its call
// (the connection then comes back here). False during a run.
bool officeFree(WorkbookConnection& conn);

// Hands a record's cell operations to the workbook: queued to the writer when
// there is one (a refusal comes back later through the writer's report), else
// applied here in order, stopping at the first refusal. False only when an
// operation was refused here.
bool sendCells(WorkbookConnection& conn, CellBatch batch);

// How an open request ended.
enum class WorkbookOpenResult {
    NoName,       // the name box was empty
    NotFound,     // no file of that name
    Reshown,      // the open connection was shown again
    Opened,       // a new application holds the workbook
    StartFailed,  // the application could not be started or the workbook not opened
};

// The open button: checks the name, re-shows an open connection or starts a
// new application with the workbook. Shows the messages of each failure;
// the caller refreshes its panel afterwards. While the office is not free
// (officeFree()) the start fails as when the application cannot start. `workbookPath` receives the name
// once it is not empty. `fileExists` defaults to a file-system test.
WorkbookOpenResult openWorkbookConnection(WorkbookConnection& conn, const QString& nameText,
                                          QString& workbookPath, MessageBox& messages,
                                          const std::function<bool(const QString&)>& fileExists = {});

// The close button: saves the active workbook and, once it is saved, quits
// the application; whether those succeed or not, the application is released
// and the connection is closed. Shows nothing. An office still in a call
// (officeFree() false) is not touched; the connection is closed all the same.
void closeWorkbookConnection(WorkbookConnection& conn);

// The main window's unload: the application is let go without saving or
// closing the workbook (not while an office call is in progress), and the
// connection is closed.
void releaseWorkbookConnection(WorkbookConnection& conn);

}  // namespace vel
