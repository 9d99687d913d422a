#pragma once
// The processes of the office instances a test started, found by the pipe or
// profile folder on their command lines (the launcher and the office itself).
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <csignal>

#include "output/office_process.h"

namespace vel::test {

inline QList<qint64> officeProcesses(const QString& pipe) {
    QList<qint64> pids;
    if (pipe.isEmpty()) return pids;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok) continue;
        QFile f("/proc/" + entry + "/cmdline");
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(pipe.toUtf8()) && processRunning(pid)) pids.append(pid);
    }
    return pids;
}

inline void signalOffice(const QString& pipe, int sig) {
    for (const qint64 pid : officeProcesses(pipe)) ::kill(static_cast<pid_t>(pid), sig);
}

}  // namespace vel::test
