#pragma once
// Starting the program's own office instance and watching its processes.
// The instance runs detached from the program: at program exit it stays
// open with the workbook, as the user left it. It accepts the program's
// connection on a local pipe whose name is derived from its profile folder,
// so only this program finds it and a second instance on the same profile
// is recognised.
#include <QString>
#include <QStringList>
#include <optional>

namespace vel {

struct OfficeStart {
    QString program;     // the office launcher ("soffice")
    QString profileDir;  // private user profile
    QString pipeName;    // connection pipe
    bool headless = false;  // no windows at all (tests, benchmarks)
};

// The local pipe name of the instance that uses a profile folder: the same
// folder always gives the same name, different folders different names.
QString officePipeName(const QString& profileDir);

// The launcher's arguments: no document, no recovery, no splash, no lock
// dialog, the private profile, the pipe; --headless --invisible when headless.
QStringList officeArguments(const OfficeStart& start);

// Starts the launcher detached with its output discarded; its process id,
// nullopt when it cannot be started.
std::optional<qint64> startOffice(const OfficeStart& start);

// The process exists and has not ended (a zombie counts as ended).
bool processRunning(qint64 pid);

// Waits up to timeoutMs for the process to end; true when it has.
bool waitProcessEnd(qint64 pid, int timeoutMs);

// Kills a process the program started and every process below it (the
// launcher runs the office as its child).
void killProcessTree(qint64 pid);

}  // namespace vel
