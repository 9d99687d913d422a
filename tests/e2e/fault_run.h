#pragma once
// Whole-program runs under faults: a temporary program folder prepared with
// `velloran-cli setup`, velloran-sim linked as its Com port, and
// `velloran-cli run` as a child process with a hard bound on its time.
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <functional>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include "support/temp_folder.h"
#include "text/cp932.h"

namespace vel::test {

inline const QString kCli = QStringLiteral(VEL_BINARY_DIR "/velloran-cli");
inline const QString kSimulator = QStringLiteral(VEL_BINARY_DIR "/velloran-sim");
inline constexpr int kFaultCom = 5;

// One reply of three values a cycle, a cycle every 0.1 s.
inline const char kThreeValueScript[] =
    "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0.1\r\n"
    "SSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n";

// The same without asking: the instrument streams its readings.
inline const char kListenScript[] =
    "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nITM:0\r\n"
    "SSS\r\nRCV\r\nEEE\r\n";

struct CliResult {
    bool finished = false;   // ended by itself within the bound
    bool crashed = false;    // ended by a signal
    int exitCode = -1;
    qint64 elapsedMs = 0;
    QString out;             // UTF-8 stdout
    QString err;             // UTF-8 stderr
};

// Complete rows of a CSV file: the lines that end with CR LF. `partial` gets
// what follows the last CR LF.
struct CsvRows {
    QStringList lines;
    QByteArray partial;
};

inline CsvRows csvRows(const QByteArray& bytes) {
    CsvRows rows;
    qsizetype from = 0;
    for (qsizetype at = bytes.indexOf("\r\n"); at >= 0; at = bytes.indexOf("\r\n", from)) {
        rows.lines << cp932::decode(bytes.mid(from, at - from));
        from = at + 2;
    }
    rows.partial = bytes.mid(from);
    return rows;
}

class FaultRun {
public:
    FaultRun() = default;
    ~FaultRun() { stopSim(); }

    QString path(const QString& relative) const { return home.path(relative); }
    QString root() const { return home.folder.root; }

    // `velloran-cli --home ROOT setup ARGS...`; true when it saved.
    bool setup(const QStringList& args) {
        QProcess p;
        p.start(kCli, QStringList{"--home", root(), "setup"} + args);
        return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    // The usual run: Com kFaultCom, a script, the CSV with the number column,
    // a run of `minutes`; extra NAME=VALUE settings after them.
    bool prepare(const char* script, double minutes, const QStringList& extra = {}) {
        const QString scriptPath = home.write("script.txt", QByteArray(script));
        return setup(QStringList{"port=" + QString::number(kFaultCom), "lineSettings=9600,n,8,1",
                                 "script=" + scriptPath, "csvOn=1", "csv=" + csvPath(), "numberColumnOn=1",
                                 "acquisitionNumber=1", "minutes=" + QString::number(minutes)} +
                     extra);
    }

    QString csvPath() const { return path("out.csv"); }
    QByteArray csvBytes() const { return home.read("out.csv"); }
    QByteArray read(const QString& relative) const { return home.read(relative); }
    QString write(const QString& relative, const QByteArray& bytes) const { return home.write(relative, bytes); }

    // Whether another user may run the built programs: every folder above
    // them, and the programs themselves, open to others. A checkout in a
    // private folder (mode 0700) is not.
    static bool othersCanRunThePrograms() {
        for (const QString& program : {kCli, kSimulator}) {
            QString path = QFileInfo(program).absoluteFilePath();
            for (;;) {
                if (!(QFileInfo(path).permissions() & QFileDevice::ExeOther)) return false;
                const QString parent = QFileInfo(path).absolutePath();
                if (parent == path) break;
                path = parent;
            }
        }
        return true;
    }

    // From now on the simulator and velloran-cli run as "nobody", the
    // program folder handed over to that user. For a test run by root, whom
    // file modes do not stop. False when the folder could not be handed over.
    bool runAsNobody() {
        const passwd* pw = ::getpwnam("nobody");
        runAsUid_ = pw ? pw->pw_uid : 65534;
        runAsGid_ = pw ? pw->pw_gid : 65534;
        return handOver(root(), runAsUid_, runAsGid_);
    }

    // Starts the simulator and waits until its link is in place.
    bool startSim(QStringList args) {
        args << "--home" << root() << "--com" << QString::number(kFaultCom) << "--quiet";
        if (runAsUid_) sim_.setChildProcessModifier([this] { dropToRunAsUser(); });
        sim_.start(kSimulator, args);
        if (!sim_.waitForStarted(5000)) return false;
        const QString link = home.folder.comLink(kFaultCom);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            if (QFileInfo(link).symLinkTarget().startsWith("/dev/pts/")) return true;
            QThread::msleep(5);
        }
        return false;
    }
    void killSim() {
        if (sim_.state() == QProcess::NotRunning) return;
        sim_.kill();
        sim_.waitForFinished(5000);
    }
    void stopSim() {
        if (sim_.state() == QProcess::NotRunning) return;
        sim_.terminate();
        if (!sim_.waitForFinished(5000)) killSim();
    }

    // `velloran-cli --home ROOT ARGS...` (default: run), killed when it has
    // not ended within boundMs. `during` is called every few milliseconds
    // with the elapsed time while the program runs. `childSetup` runs in the
    // child between fork and exec (resource limits, signal dispositions).
    CliResult cli(int boundMs, const std::function<void(qint64)>& during = {},
                  const std::function<void()>& childSetup = {}, const QStringList& args = {"run"}) {
        QProcess p;
        if (childSetup || runAsUid_)
            p.setChildProcessModifier([this, childSetup] {
                if (childSetup) childSetup();
                if (runAsUid_) dropToRunAsUser();
            });
        QElapsedTimer t;
        t.start();
        p.start(kCli, QStringList{"--home", root()} + args);
        CliResult r;
        if (!p.waitForStarted(5000)) return r;
        cliPid_ = p.processId();
        while (!p.waitForFinished(5)) {
            if (during) during(t.elapsed());
            if (t.elapsed() > boundMs) break;
            if (p.state() == QProcess::NotRunning) break;
        }
        r.elapsedMs = t.elapsed();
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        } else {
            r.finished = true;
            r.crashed = p.exitStatus() != QProcess::NormalExit;
            r.exitCode = r.crashed ? -1 : p.exitCode();
        }
        cliPid_ = 0;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // The running velloran-cli, 0 when none runs.
    qint64 cliPid() const { return cliPid_; }

private:
    // In the child between fork and exec: no way back to root; a child that
    // cannot become the user ends before it runs anything.
    void dropToRunAsUser() const {
        if (::setgroups(0, nullptr) != 0 || ::setgid(runAsGid_) != 0 || ::setuid(runAsUid_) != 0) ::_exit(127);
    }

    static bool handOver(const QString& folder, uid_t uid, gid_t gid) {
        bool ok = ::lchown(QFile::encodeName(folder).constData(), uid, gid) == 0;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) ok = ::lchown(QFile::encodeName(it.next()).constData(), uid, gid) == 0 && ok;
        return ok;
    }

    TempProgramFolder home;
    qint64 cliPid_ = 0;
    uid_t runAsUid_ = 0;  // 0: as the test itself
    gid_t runAsGid_ = 0;
    QProcess sim_;
};

// Lines of `text` that start with `prefix`.
inline QStringList linesStarting(const QString& text, const QString& prefix) {
    QStringList out;
    for (const QString& line : text.split('\n'))
        if (line.startsWith(prefix)) out << line;
    return out;
}

// The replies the run took ("rs: ○ ..." lines of velloran-cli run) that
// carried at least one value.
inline int repliesWithValues(const CliResult& r) {
    int n = 0;
    for (QString line : linesStarting(r.out, QStringLiteral("rs: ○ "))) {
        line = line.mid(6);
        line.remove('\r');
        line.remove(',');
        if (!line.trimmed().isEmpty()) ++n;
    }
    return n;
}

// Checks the CSV of a three-value run: the header, then rows numbered 1, 2,
// 3 ... with three values each, one for every reply the run took (the last
// one may belong to a cycle the run's end cut off). Empty when
// all holds, else what is wrong.
inline QString checkRowsMatchReplies(const QByteArray& csv, const CliResult& r) {
    const CsvRows rows = csvRows(csv);
    const int replies = repliesWithValues(r);
    if (rows.lines.isEmpty()) return replies == 0 ? QString() : QStringLiteral("no header, %1 replies").arg(replies);
    if (rows.lines[0] != QStringLiteral("\"No\",\"D001\",\"D002\",\"D003\"")) return "header " + rows.lines[0];
    if (!rows.partial.isEmpty()) return "a row cut short: " + cp932::decode(rows.partial);
    for (int i = 1; i < rows.lines.size(); ++i) {
        const QStringList f = rows.lines[i].split(',');
        if (f.size() != 4 || f[0] != QString::number(i)) return QStringLiteral("row %1: %2").arg(i).arg(rows.lines[i]);
    }
    // The run may end between a cycle's reply and its end: that cycle has no row.
    const int written = static_cast<int>(rows.lines.size()) - 1;
    if (written != replies && written != replies - 1)
        return QStringLiteral("%1 rows for %2 replies").arg(rows.lines.size() - 1).arg(replies);
    return {};
}

inline int occurrences(const QString& text, const QString& what) { return static_cast<int>(text.count(what)); }

}  // namespace vel::test
