#pragma once
// velloran-cli run with the web page on, against velloran-sim, in the
// background: the test talks to the page over a real socket while the run
// goes, then stops it as a stop signal does.
#include <QProcess>

#include <csignal>

#include <httplib.h>

#include "e2e/fault_run.h"
#include "support/local_ports.h"

namespace vel::test {

inline const QString kToken = QStringLiteral("s3cret-Token");

class WebRun {
public:
    ~WebRun() { stop(); }

    // Prepares the folder (`extra` settings after the usual run's), starts
    // the simulator and velloran-cli; true once the page takes connections.
    bool start(const char* script, double minutes, const QStringList& extra) {
        port = freePort();
        if (!f.prepare(script, minutes, QStringList{"web.listen=127.0.0.1:" + QString::number(port)} + extra))
            return false;
        if (!f.startSim({})) return false;
        cli_.setStandardOutputFile(f.path("cli.out"));
        cli_.setStandardErrorFile(f.path("cli.err"));
        cli_.start(kCli, QStringList{"--home", f.root(), "run"});
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000) {
            if (portAccepts(port)) return true;
            if (cli_.state() == QProcess::NotRunning) return false;
            QThread::msleep(10);
        }
        return false;
    }

    // SIGTERM, as a service's stop; true when the program ended within the bound.
    bool stop(int boundMs = 15000) {
        if (cli_.state() == QProcess::NotRunning) return true;
        ::kill(static_cast<pid_t>(cli_.processId()), SIGTERM);
        if (cli_.waitForFinished(boundMs)) return true;
        cli_.kill();
        cli_.waitForFinished(5000);
        return false;
    }
    bool waitEnd(int boundMs) { return cli_.waitForFinished(boundMs); }
    int exitCode() const { return cli_.exitCode(); }

    QString out() const { return QString::fromUtf8(f.read("cli.out")); }
    QString err() const { return QString::fromUtf8(f.read("cli.err")); }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(5, 0);
        return c;
    }

    FaultRun f;
    int port = 0;

private:
    QProcess cli_;
};

inline httplib::Headers bearer(const QString& token = kToken) {
    return {{"Authorization", ("Bearer " + token).toStdString()}};
}

}  // namespace vel::test
