// velloran-sim: a simulated instrument on a pseudo-terminal, for demos and
// tests. It links itself as dev/comN in a program folder, answers commands,
// and prints what it receives and sends.
#include <QByteArray>
#include <QStringList>

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "sim_instrument.h"
#include "sim_options.h"
#include "sim_pty.h"

namespace {

qint64 nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr int kMaxBacklog = 65536;  // bytes waiting for a line nobody reads

void printLine(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vel::sim;
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromUtf8(argv[i]);
    QString error;
    const auto parsed = parseSimOptions(args, &error);
    if (!parsed) {
        std::fprintf(stderr, "velloran-sim: %s\n%s", error.toUtf8().constData(), simUsage().toUtf8().constData());
        return 2;
    }
    const SimOptions& options = *parsed;
    if (options.help) {
        std::fputs(simUsage().toUtf8().constData(), stdout);
        return 0;
    }

    // The stop signals are blocked and read from a signalfd that is polled
    // beside the line, so a stop is never missed between two waits.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int stopFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (stopFd < 0) {
        std::perror("velloran-sim: signalfd");
        return 1;
    }
    signal(SIGPIPE, SIG_IGN);

    Pty pty;
    if (!openPty(&pty, &error)) {
        std::fprintf(stderr, "velloran-sim: %s\n", error.toUtf8().constData());
        return 1;
    }
    if (!options.linkPath.isEmpty() && !placeLink(options.linkPath, pty.slavePath, &error)) {
        std::fprintf(stderr, "velloran-sim: %s\n", error.toUtf8().constData());
        closePty(&pty);
        return 1;
    }
    auto print = [&options](const QString& line) {
        if (!options.quiet) printLine(line);
    };
    print("# pty " + pty.slavePath + (options.linkPath.isEmpty() ? QString() : " linked as " + options.linkPath));

    QByteArray backlog;
    auto send = [&](const QByteArray& bytes) {
        if (backlog.size() + bytes.size() > kMaxBacklog) {
            print("# nobody reads the line; answer lost");
            return;
        }
        backlog += bytes;
    };
    auto flush = [&] {
        while (!backlog.isEmpty()) {
            const ssize_t n = ::write(pty.master, backlog.constData(), backlog.size());
            if (n <= 0) break;  // full (EAGAIN) or failing: try again when writable
            backlog.remove(0, static_cast<int>(n));
        }
    };

    Instrument instrument(options, send, print, nowMs());
    int status = 0;
    bool stop = false;
    while (!stop) {
        instrument.tick(nowMs(), backlog.isEmpty());
        flush();
        const qint64 due = instrument.nextDueMs(backlog.isEmpty());
        const qint64 waitMs = due < 0 ? 1000 : std::max<qint64>(0, due - nowMs());
        pollfd fds[2] = {{pty.master, static_cast<short>(POLLIN | (backlog.isEmpty() ? 0 : POLLOUT)), 0},
                         {stopFd, POLLIN, 0}};
        const int r = ::poll(fds, 2, static_cast<int>(std::min<qint64>(waitMs, 1000)));
        if (r < 0) {
            if (errno == EINTR) continue;
            std::perror("velloran-sim: poll");
            status = 1;
            break;
        }
        if (fds[1].revents & POLLIN) {
            stop = true;
            continue;
        }
        const pollfd& pfd = fds[0];
        if (pfd.revents & (POLLERR | POLLNVAL)) {
            std::fprintf(stderr, "velloran-sim: the pseudo-terminal failed\n");
            status = 1;
            break;
        }
        if (pfd.revents & POLLIN) {
            QByteArray got;
            char buf[4096];
            ssize_t n;
            while ((n = ::read(pty.master, buf, sizeof buf)) > 0) got.append(buf, static_cast<int>(n));
            if (!got.isEmpty()) instrument.received(got, nowMs());
        }
    }

    if (!options.linkPath.isEmpty()) removeLink(options.linkPath, pty.slavePath);
    closePty(&pty);
    ::close(stopFd);
    print("# stopped");
    return status;
}
