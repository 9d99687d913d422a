#pragma once
// The spreadsheet backend the program drives: LibreOffice Calc when the
// program was built with the office's development kit, otherwise a backend
// that can never start, so that opening a workbook reports that the
// spreadsheet cannot be started.
#include <QString>
#include <memory>

#include "base/program_folder.h"
#include "output/workbook.h"

namespace vel {

struct OfficeOptions {
    // Folder of the private office profiles; one sub-folder per instance
    // the program runs at the same time ("0", "1", ...).
    QString profileRoot;
    // The office launcher; empty for the one the program was built against.
    QString program;
    // No windows at all: for tests and benchmarks. The program itself shows
    // the workbook.
    bool headless = false;
    // Bounds of the waits: the office's start, opening a workbook, any other
    // call. A call that runs out cuts the connection and fails.
    int startTimeoutMs = 30000;
    int openTimeoutMs = 60000;
    int callTimeoutMs = 10000;
};

// True when this build contains the LibreOffice backend.
bool officeBackendBuilt();

// The LibreOffice backend; nullptr when this build does not contain it.
std::unique_ptr<Workbook> makeOfficeWorkbook(const OfficeOptions& options);

// The office settings of the program: profiles under "office-profile" in
// the program folder; VELLORAN_OFFICE_HEADLESS=1 in the environment runs the
// office without windows (whole-program tests on machines without a display).
OfficeOptions programOfficeOptions(const ProgramFolder& folder);

// The backend the program uses: LibreOffice with the program's office
// settings and an office instance of its own, or the backend that never
// starts.
std::unique_ptr<Workbook> makeWorkbookBackend(const ProgramFolder& folder);

struct OfficeInstance;

// The office of a process that runs several stations: each station's
// workbook opens in the one office instance of the session (started by the
// first open, started anew when it no longer answers), keeps its own
// document and active cell, and every call into the office, from whichever
// station's thread, goes through one lock, so no two calls interleave. The
// instance ends when the last workbook releases it while it holds no
// document. Workbooks keep the instance alive, so they may outlive the
// session object.
class OfficeSession {
public:
    explicit OfficeSession(const OfficeOptions& options);
    ~OfficeSession();
    OfficeSession(const OfficeSession&) = delete;
    OfficeSession& operator=(const OfficeSession&) = delete;

    // A station's workbook in this session; the backend that never starts
    // when this build has no office backend.
    std::unique_ptr<Workbook> stationWorkbook();

private:
    std::shared_ptr<OfficeInstance> instance_;
};

}  // namespace vel
