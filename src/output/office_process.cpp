#include "output/office_process.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <sys/types.h>

namespace vel {
namespace {

// The state letter and parent process id from /proc/<pid>/stat; the command
// name in parentheses may itself contain blanks and parentheses.
struct ProcStat {
    char state = 0;
    qint64 parent = 0;
};

std::optional<ProcStat> readProcStat(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray text = f.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0) return std::nullopt;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 2 || fields[0].isEmpty()) return std::nullopt;
    return ProcStat{fields[0][0], fields[1].toLongLong()};
}

QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const qint64 candidate = entry.toLongLong(&ok);
        if (!ok) continue;
        const auto stat = readProcStat(candidate);
        if (stat && stat->parent == pid) children.append(candidate);
    }
    return children;
}

}  // namespace

QString officePipeName(const QString& profileDir) {
    const QByteArray key = QDir(profileDir).absolutePath().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("velloran-") + QString::fromLatin1(hash);
}

QStringList officeArguments(const OfficeStart& start) {
    const QString profileUrl = QUrl::fromLocalFile(QDir(start.profileDir).absolutePath()).toString(QUrl::FullyEncoded);
    QStringList args;
    if (start.headless) args << QStringLiteral("--headless") << QStringLiteral("--invisible");
    args << QStringLiteral("--norestore") << QStringLiteral("--nologo") << QStringLiteral("--nodefault")
         << QStringLiteral("--nolockcheck") << QStringLiteral("-env:UserInstallation=") + profileUrl
         << QStringLiteral("--accept=pipe,name=") + start.pipeName + QStringLiteral(";urp;StarOffice.ComponentContext");
    return args;
}

std::optional<qint64> startOffice(const OfficeStart& start) {
    QProcess process;
    process.setProgram(start.program);
    process.setArguments(officeArguments(start));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid) || pid <= 0) return std::nullopt;
    return pid;
}

bool processRunning(qint64 pid) {
    if (pid <= 0) return false;
    const auto stat = readProcStat(pid);
    return stat && stat->state != 'Z' && stat->state != 'X';
}

bool waitProcessEnd(qint64 pid, int timeoutMs) {
    for (int waited = 0; processRunning(pid); waited += 50) {
        if (waited >= timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

void killProcessTree(qint64 pid) {
    if (pid <= 0) return;
    // Stop the parent first so that it cannot start another child meanwhile.
    ::kill(static_cast<pid_t>(pid), SIGSTOP);
    for (const qint64 child : childrenOf(pid)) killProcessTree(child);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
}

}  // namespace vel
