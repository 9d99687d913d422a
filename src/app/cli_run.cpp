#include "app/cli_run.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "app/cli_message_box.h"
#include "engine/engine.h"
#include "engine/run_driver.h"
#include "base/system_clock.h"
#include "mail/curl_mailer.h"
#include "output/workbook_backend.h"
#include "serial/qt_serial_port.h"
#include "settings/channel0_port.h"
#include "settings/window_transfer.h"

namespace vel {
namespace {

// SIGINT, SIGTERM and SIGHUP (the terminal or the session went away) are
// blocked and read from a signalfd on the event loop, so the stop runs on the
// engine's thread between two ticks and writes its data log.
int stopSignalFd() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
    return ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

void printLine(const char* prefix, const QString& text) {
    std::printf("%s%s\n", prefix, text.toUtf8().constData());
    std::fflush(stdout);
}

// Prints what the run monitor would show: each communication and alarm line,
// and every change of the message and error lines. A service prints only the
// changes of the error line during the run and the message line at its end.
class MonitorPrinter {
public:
    MonitorPrinter(const RunMonitorModel& monitor, bool service) : monitor_(monitor), service_(service) {}
    void poll() {
        if (!service_ && monitor_.labelMess != message_) {
            message_ = monitor_.labelMess;
            if (!message_.isEmpty()) printLine("message: ", message_);
        }
        if (monitor_.labelErrorMess != error_) {
            error_ = monitor_.labelErrorMess;
            if (!error_.isEmpty()) printLine("error: ", error_);
        }
    }
    // The run is over: a service says how it ended.
    void end() {
        if (!service_) return;
        poll();
        if (!monitor_.labelMess.isEmpty()) printLine("message: ", monitor_.labelMess);
    }

private:
    const RunMonitorModel& monitor_;
    const bool service_;
    QString message_;
    QString error_;
};

// Which device the run's Com number reached ("port: Com1 → /dev/ttyUSB0"), or
// on stderr why it could not be opened, in the system's words: a station's
// log then says which instrument it talked to.
void reportPort(const QtSerialPort& port) {
    if (port.lastDevice().isEmpty() && port.lastOpenError().isEmpty()) return;  // never tried
    QString line = QStringLiteral("Com") + QString::number(port.portNumber()) + QStringLiteral(" → ") +
                   port.lastDevice();
    if (port.lastOpenError().isEmpty()) {
        printLine("port: ", line);
        return;
    }
    std::fprintf(stderr, "velloran-cli: %s: %s\n", line.toUtf8().constData(), port.lastOpenError().toUtf8().constData());
}

}  // namespace

int runRun(const QStringList& args, const ProgramFolder& folder) {
    const bool service = args == QStringList{QStringLiteral("--service")};
    if (!args.isEmpty() && !service) return 2;
    const int signalFd = stopSignalFd();
    if (signalFd < 0) {
        std::perror("velloran-cli: signalfd");
        return 1;
    }
    QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);
    StderrMessageBox messages;
    SystemClock clock;
    QtSerialPort port(folder);
    CurlMailer mailer(clock);
    const std::unique_ptr<Workbook> workbookBackend = makeWorkbookBackend(folder);

    Engine engine(EnginePlatform{clock, messages, port, mailer, folder,
                                 [] { QCoreApplication::processEvents(); }, [] {}, /*outputThreads=*/true});
    engine.workbook().app = workbookBackend.get();
    // The communication log would flood a journal: every line sent and received.
    if (!service) engine.lineHooks().rsLine = [](const QString& line) { printLine("rs: ", line); };
    engine.lineHooks().alarmLine = [](const QString& line) { printLine("alarm: ", line); };
    MonitorPrinter printer(engine.monitor(), service);

    if (!engine.startUp()) return 1;
    // As the main window loads: read setup.dat onto the record and the port,
    // show it in the fields (which corrects values out of range) and take the
    // panels back as the start button does.
    loadSettings(engine.settings(), folder, messages, configurePortOf(port));
    WindowFields fields;
    applySettingsToWindow(engine.settings(), fields);
    collectFilePanel(fields, engine.settings());
    collectConditionsPanel(fields, engine.settings());
    if (engine.settings().workbookOn) {
        QString path = engine.settings().workbookPath;
        openWorkbookConnection(engine.workbook(), path, engine.settings().workbookPath, messages);
    }

    const bool started = engine.startRun();
    reportPort(port);
    if (!started) return 1;
    printer.poll();

    RunDriver driver(engine);
    driver.afterTick = [&] { printer.poll(); };
    driver.runOver = [] { QCoreApplication::exit(0); };
    // The stop signal is read between two ticks, as the run monitor's "終了" is.
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        signalfd_siginfo info;
        while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        driver.stopNow();
    });
    driver.start();
    const int rc = QCoreApplication::exec();
    printer.end();
    // The main window saves the settings when it closes.
    saveSettings(engine.settings(), portSlotOf(port), folder, messages);
    ::close(signalFd);
    return rc;
}

}  // namespace vel
