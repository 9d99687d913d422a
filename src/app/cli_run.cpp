#include "app/cli_run.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "output/workbook_backend.h"
#include "serial/serial_port.h"
#include "station/station.h"
#include "uplink/uplink_output.h"
#include "web/web_page.h"

namespace vel {
namespace {

// SIGINT, SIGTERM and SIGHUP (the terminal or the session went away) are
// blocked and read from a signalfd on the event loop, so the stop reaches
// every station between two of its ticks and each writes its data log.
int stopSignalFd() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
    return ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

// One station's lines on stdout, led by its name when several run: each line
// goes out whole in one call, so the stations' lines never mix. They are
// flushed when the station is about to wait (one flush for the lines of a
// record, not one per line), so none is held back while nothing happens.
class LinePrinter {
public:
    explicit LinePrinter(QString lead) : lead_(lead.isEmpty() ? QByteArray() : (lead + QStringLiteral(": ")).toUtf8()) {}
    void print(const char* prefix, const QString& text) const {
        std::printf("%s%s%s\n", lead_.constData(), prefix, text.toUtf8().constData());
    }
    static void flush() { std::fflush(stdout); }
    // A notice the window would show in a message box.
    void notice(const QString& text) const {
        std::fprintf(stderr, "%s%s\n", lead_.constData(), text.toUtf8().constData());
        std::fflush(stderr);
    }
    void error(const QString& text) const {
        std::fprintf(stderr, "velloran-cli: %s%s\n", lead_.constData(), text.toUtf8().constData());
    }

private:
    const QByteArray lead_;
};

// Prints what the run monitor would show: every change of the message and
// error lines. A service prints only the changes of the error line during
// the run and the message line at its end. Called on the station's thread.
class MonitorPrinter {
public:
    MonitorPrinter(const LinePrinter& out, bool service) : out_(out), service_(service) {}
    void afterTick(const RunMonitorModel& monitor) {
        if (!service_ && monitor.labelMess != message_) {
            message_ = monitor.labelMess;
            if (!message_.isEmpty()) out_.print("message: ", message_);
        }
        if (monitor.labelErrorMess != error_) {
            error_ = monitor.labelErrorMess;
            if (!error_.isEmpty()) out_.print("error: ", error_);
        }
        // The run is over: a service says how it ended.
        if (service_ && monitor.closeVisible && !endPrinted_ && !monitor.labelMess.isEmpty()) {
            endPrinted_ = true;
            out_.print("message: ", monitor.labelMess);
        }
    }

private:
    const LinePrinter& out_;
    const bool service_;
    QString message_;
    QString error_;
    bool endPrinted_ = false;
};

// Which device the run's Com number reached ("port: Com1 → /dev/ttyUSB0"), or
// on stderr why it could not be opened, in the system's words: a station's
// log then says which instrument it talked to.
void reportPort(const SerialPort& port, const LinePrinter& out) {
    if (port.lastDevice().isEmpty() && port.lastOpenError().isEmpty()) return;  // never tried
    const QString line = QStringLiteral("Com") + QString::number(port.portNumber()) + QStringLiteral(" → ") +
                         port.lastDevice();
    if (port.lastOpenError().isEmpty()) out.print("port: ", line);
    else out.error(line + QStringLiteral(": ") + port.lastOpenError());
}

// One folder's station with its printers.
struct CliStation {
    LinePrinter out;
    MonitorPrinter printer;
    std::unique_ptr<Station> station;
    bool ended = false;
    bool started = false;

    CliStation(const QString& lead, bool service) : out(lead), printer(out, service) {}
};

}  // namespace

int runRun(const QStringList& args, const std::vector<ProgramFolder>& folders) {
    const bool service = args == QStringList{QStringLiteral("--service")};
    if ((!args.isEmpty() && !service) || folders.empty()) return 2;
    const int signalFd = stopSignalFd();
    if (signalFd < 0) {
        std::perror("velloran-cli: signalfd");
        return 1;
    }
    QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);

    // One office for the process; each station opens its own workbook in it.
    OfficeSession office(programOfficeOptions(folders.front()));
    // One web page for the process, as the first folder's velloran.ini says.
    WebPage web;
    if (web.open(folders.front(), [](const QString& line) { LinePrinter(QString()).error(line); }))
        LinePrinter(QString()).print("web: ", web.url());
    std::vector<std::unique_ptr<CliStation>> stations;
    int rc = 0;
    int running = 0;
    const auto ended = [&](CliStation& s) {
        if (s.ended) return;
        s.ended = true;
        if (--running == 0) QCoreApplication::exit(rc);
    };
    for (const ProgramFolder& folder : folders) {
        auto s = std::make_unique<CliStation>(folders.size() > 1 ? QFileInfo(folder.root).fileName() : QString(),
                                              service);
        CliStation& cs = *s;
        StationView view;
        view.notice = [&cs](const QString& text, bool) { cs.out.notice(text); };
        view.startAnswered = [&cs, &rc, &ended](bool started) {
            cs.started = started;
            if (started) return;
            rc = 1;
            ended(cs);
        };
        view.runOver = [&cs, &ended] { ended(cs); };
        StationLines lines;
        // The communication log would flood a journal: every line sent and received.
        if (!service) lines.rsLine = [&cs](const QString& line) { cs.out.print("rs: ", line); };
        lines.alarmLine = [&cs](const QString& line) { cs.out.print("alarm: ", line); };
        lines.afterTick = [&cs](const RunMonitorModel& monitor) { cs.printer.afterTick(monitor); };
        lines.runStarted = [&cs](const SerialPort& port) { reportPort(port, cs.out); };
        lines.beforeWait = &LinePrinter::flush;
        web.watch(folder, lines);
        web.watch(folder, view);
        StationOptions options;
        options.makeWorkbook = [&office](const ProgramFolder&) { return office.stationWorkbook(); };
        options.runOutputs = {uplinkRunOutput(), web.runOutput()};
        cs.station = std::make_unique<Station>(folder, std::move(options), std::move(view), std::move(lines));
        stations.push_back(std::move(s));
    }
    for (const auto& s : stations)
        if (!s->station->startUp()) return 1;  // no usable clock: the message has been shown
    for (const auto& s : stations) {
        ++running;
        s->station->startUnattended();
    }

    // The stop signal reaches every station between two of its ticks, as the
    // run monitor's "終了" does.
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        signalfd_siginfo info;
        while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        for (const auto& s : stations) s->station->stopNow();
    });
    rc = QCoreApplication::exec() == 0 ? rc : 1;
    LinePrinter::flush();
    // The main window saves the settings when it closes.
    for (const auto& s : stations)
        if (s->started) s->station->saveSettings();
    stations.clear();
    ::close(signalFd);
    return rc;
}

}  // namespace vel
