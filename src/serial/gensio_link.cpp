#include "serial/gensio_link.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <gensio/gensio_unix.h>
#include <gensio/selector.h>
#include <gensio/sergensio.h>
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include <atomic>
#include <chrono>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "serial/line_settings.h"
#include "serial/serial_port.h"

namespace vel {
namespace {

// Keep-alive (the library turns it on): a peer silent this long is probed,
// and given up after the probes go unanswered, about half a minute in all
// instead of the system's two hours and more.
constexpr int kKeepIdleSeconds = 10;
constexpr int kKeepIntervalSeconds = 5;
constexpr int kKeepProbes = 3;

// The port of an address as the library writes it: "ipv4,127.0.0.1,46026".
int addressPort(struct gensio* io, unsigned option) {
    char text[128] = "0";
    gensiods length = sizeof text;
    if (gensio_control(io, GENSIO_CONTROL_DEPTH_FIRST, GENSIO_CONTROL_GET, option, text, &length) != 0) return 0;
    return QByteArray(text, static_cast<qsizetype>(std::min<gensiods>(length, sizeof text - 1))).split(',').last().toInt();
}

int socketPort(int fd, bool peer) {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    if ((peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &length)
              : ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length)) != 0)
        return -1;
    if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
    return -1;
}

// The library does not hand out its socket; it is the one of this process
// with the connection's two ports.
void shortenKeepAlive(struct gensio* io) {
    const int local = addressPort(io, GENSIO_CONTROL_LADDR);
    const int remote = addressPort(io, GENSIO_CONTROL_RADDR);
    if (local <= 0 || remote <= 0) return;
    DIR* fds = ::opendir("/proc/self/fd");
    if (!fds) return;
    while (const dirent* entry = ::readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || socketPort(fd, false) != local || socketPort(fd, true) != remote) continue;
        const int idle = kKeepIdleSeconds, interval = kKeepIntervalSeconds, probes = kKeepProbes;
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
        break;
    }
    ::closedir(fds);
}

unsigned parityCode(char letter) {
    switch (letter) {
    case 'o': return SERGENSIO_PARITY_ODD;
    case 'e': return SERGENSIO_PARITY_EVEN;
    case 'm': return SERGENSIO_PARITY_MARK;
    case 's': return SERGENSIO_PARITY_SPACE;
    default: return SERGENSIO_PARITY_NONE;
    }
}

// The COM-PORT option's stop size: 1, 2, or 3 for one and a half.
unsigned stopCode(const QString& stopBits) {
    if (stopBits == QLatin1String("2")) return 2;
    if (stopBits == QLatin1String("1.5")) return 3;
    return 1;
}

unsigned flowCode(int16_t handshaking) {
    if (handshaking == 1) return SERGENSIO_FLOWCONTROL_XON_XOFF;
    if (handshaking >= 2) return SERGENSIO_FLOWCONTROL_RTS_CTS;
    return SERGENSIO_FLOWCONTROL_NONE;
}

// The answers to one round of line settings; shared with the requests still
// out, which may be answered after the owner stopped waiting.
struct LineAnswers {
    std::mutex m;
    int open = 0;  // requests not answered yet
    QStringList refused;
    std::promise<void> allAnswered;
};

struct LineRequest {
    std::shared_ptr<LineAnswers> answers;
    QString key;
    unsigned asked = 0;
};

void lineAnswered(struct sergensio*, int err, unsigned val, void* data) {
    std::unique_ptr<LineRequest> request(static_cast<LineRequest*>(data));
    LineAnswers& a = *request->answers;
    const std::lock_guard lock(a.m);
    // An error (no answer, not supported) says nothing about the setting.
    if (!err && val != request->asked) a.refused << request->key;
    if (--a.open == 0) a.allAnswered.set_value();
}

}  // namespace

struct GensioLink::State {
    Events events;
    std::thread thread;
    int wakeFd = -1;
    struct selector_s* sel = nullptr;
    struct gensio_os_funcs* o = nullptr;
    struct gensio_iod* wakeIod = nullptr;

    std::mutex m;  // guards tasks and stop
    std::deque<std::function<void()>> tasks;
    bool stop = false;

    // Only on the link's thread.
    struct gensio* io = nullptr;
    QByteArray out;
    std::promise<int>* opening = nullptr;

    std::atomic<bool> connected{false};
    std::atomic<int> pending{0};

    void post(std::function<void()> task) {
        {
            const std::lock_guard lock(m);
            tasks.push_back(std::move(task));
        }
        const uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(wakeFd, &one, sizeof one);
    }

    // Runs `task` on the link's thread and waits for it.
    template <typename F>
    void call(F task) {
        if (!thread.joinable()) return;  // the library could not start: nothing is open
        std::promise<void> done;
        post([&] {
            task();
            done.set_value();
        });
        done.get_future().wait();
    }

    void runTasks() {
        for (;;) {
            std::function<void()> task;
            {
                const std::lock_guard lock(m);
                if (tasks.empty()) return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }

    void loop(std::promise<bool>& ready) {
        const bool ok = sel_alloc_selector_nothread(&sel) == 0 && gensio_unix_funcs_alloc(sel, 0, &o) == 0 &&
                        o->add_iod(o, GENSIO_IOD_PIPE, wakeFd, &wakeIod) == 0 &&
                        o->set_fd_handlers(wakeIod, this, &State::onWake, nullptr, nullptr, nullptr) == 0;
        if (ok) o->set_read_handler(wakeIod, true);
        ready.set_value(ok);
        if (!ok) return;
        for (;;) {
            runTasks();
            {
                const std::lock_guard lock(m);
                if (stop) break;
            }
            gensio_time timeout{1, 0};
            o->service(o, &timeout);
        }
        drop();
        o->clear_fd_handlers_norpt(wakeIod);
        o->release_iod(wakeIod);
    }

    static void onWake(struct gensio_iod*, void* data) {
        auto* s = static_cast<State*>(data);
        uint64_t count = 0;
        [[maybe_unused]] const auto n = ::read(s->wakeFd, &count, sizeof count);
    }

    // Frees the connection (the library closes it first).
    void drop() {
        connected = false;
        out.clear();
        pending = 0;
        if (!io) return;
        gensio_set_read_callback_enable(io, false);
        gensio_set_write_callback_enable(io, false);
        gensio_free(io);
        io = nullptr;
    }

    // The connection broke: reported once, freed outside the library's callback.
    void lose() {
        if (!connected) return;
        connected = false;
        gensio_set_read_callback_enable(io, false);
        post([this] {
            drop();
            if (events.lost) events.lost();
        });
    }

    void flush() {
        if (!io || !connected) return;
        while (!out.isEmpty()) {
            gensiods count = 0;
            if (gensio_write(io, &count, out.constData(), static_cast<gensiods>(out.size()), nullptr) != 0) {
                lose();
                return;
            }
            if (count == 0) break;
            out.remove(0, static_cast<qsizetype>(count));
            pending -= static_cast<int>(count);  // the owner adds what it hands over
        }
        gensio_set_write_callback_enable(io, !out.isEmpty());
        if (out.isEmpty() && events.drained) events.drained();
    }

    static int onEvent(struct gensio*, void* data, int event, int err, unsigned char* buf, gensiods* buflen,
                       const char* const*) {
        auto* s = static_cast<State*>(data);
        switch (event) {
        case GENSIO_EVENT_READ:
            if (err) {
                s->lose();
                return 0;
            }
            if (*buflen > 0 && s->events.received)
                s->events.received(QByteArray(reinterpret_cast<const char*>(buf), static_cast<qsizetype>(*buflen)));
            return 0;
        case GENSIO_EVENT_WRITE_READY:
            s->flush();
            return 0;
        default:
            return GE_NOTSUP;  // modem and line state reports of the server
        }
    }

    static void onOpened(struct gensio*, int err, void* data) {
        auto* s = static_cast<State*>(data);
        if (!s->opening) return;  // the owner stopped waiting; the late connection is freed there
        if (!err) {
            s->connected = true;
            shortenKeepAlive(s->io);
            gensio_set_read_callback_enable(s->io, true);
        }
        s->opening->set_value(err);
        s->opening = nullptr;
    }
};

GensioLink::GensioLink(Events events) : s_(std::make_unique<State>()) {
    s_->events = std::move(events);
    s_->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    std::promise<bool> ready;
    s_->thread = std::thread([this, &ready] { s_->loop(ready); });
    if (!ready.get_future().get()) {
        s_->thread.join();
        s_->stop = true;
    }
}

GensioLink::~GensioLink() {
    if (s_->thread.joinable()) {
        s_->post([s = s_.get()] {
            const std::lock_guard lock(s->m);
            s->stop = true;
        });
        s_->thread.join();
    }
    if (s_->o) gensio_os_funcs_free(s_->o);
    if (s_->sel) sel_free_selector(s_->sel);
    if (s_->wakeFd >= 0) ::close(s_->wakeFd);
}

bool GensioLink::open(const QString& address, int timeoutMs, QString& error) {
    close();
    if (!s_->thread.joinable()) {
        error = QStringLiteral("libgensio could not start");
        return false;
    }
    std::promise<int> opened;
    std::future<int> result = opened.get_future();
    s_->call([&] {
        const int err = str_to_gensio(address.toUtf8().constData(), s_->o, &State::onEvent, s_.get(), &s_->io);
        if (err) {
            s_->io = nullptr;
            opened.set_value(err);
            return;
        }
        s_->opening = &opened;
        const int openErr = gensio_open(s_->io, &State::onOpened, s_.get());
        if (openErr) {
            s_->opening = nullptr;
            opened.set_value(openErr);
        }
    });
    int err = GE_TIMEDOUT;
    if (result.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready) err = result.get();
    // A connection not made in time, or refused, holds nothing.
    s_->call([&] {
        s_->opening = nullptr;
        if (err) s_->drop();
    });
    if (err) error = QString::fromUtf8(gensio_err_to_str(err));
    return err == 0;
}

void GensioLink::close() {
    s_->call([s = s_.get()] { s->drop(); });
}

bool GensioLink::isOpen() const { return s_->connected; }

void GensioLink::write(const QByteArray& bytes) {
    if (!s_->connected || bytes.isEmpty()) return;
    s_->pending += static_cast<int>(bytes.size());
    s_->post([s = s_.get(), bytes] {
        if (!s->connected) return;  // lost on the way: nothing is pending any more
        s->out += bytes;
        s->flush();
    });
}

int GensioLink::pendingOutput() const { return std::max(0, s_->pending.load()); }

void GensioLink::discardOutput() {
    s_->call([s = s_.get()] {
        s->pending -= static_cast<int>(s->out.size());
        s->out.clear();
    });
}

QStringList GensioLink::applyLine(const LineSettings& line, int16_t handshaking, int timeoutMs) {
    auto answers = std::make_shared<LineAnswers>();
    std::future<void> all = answers->allAnswered.get_future();
    bool asked = false;
    s_->call([&] {
        struct sergensio* sio = s_->io && s_->connected ? gensio_to_sergensio(s_->io) : nullptr;
        if (!sio) return;
        using Ask = int (*)(struct sergensio*, unsigned, sergensio_done, void*);
        const std::pair<Ask, std::pair<QString, unsigned>> requests[] = {
            {sergensio_baud, {refused_key::kSpeed, static_cast<unsigned>(line.speed)}},
            {sergensio_datasize, {refused_key::kDataBits, static_cast<unsigned>(line.dataBits)}},
            {sergensio_parity, {refused_key::kParity, parityCode(line.parity)}},
            {sergensio_stopbits, {refused_key::kStopBits, stopCode(line.stopBits)}},
            {sergensio_flowcontrol, {refused_key::kHandshaking, flowCode(handshaking)}},
        };
        const std::lock_guard lock(answers->m);
        for (const auto& [ask, setting] : requests) {
            auto* request = new LineRequest{answers, setting.first, setting.second};
            if (ask(sio, setting.second, &lineAnswered, request) == 0) ++answers->open;
            else delete request;
        }
        asked = answers->open > 0;
        if (!asked) answers->allAnswered.set_value();
    });
    if (!asked) return {};
    all.wait_for(std::chrono::milliseconds(timeoutMs));
    const std::lock_guard lock(answers->m);
    return answers->refused;
}

void GensioLink::setBreak(bool on) {
    s_->post([s = s_.get(), on] {
        if (struct sergensio* sio = s->io && s->connected ? gensio_to_sergensio(s->io) : nullptr)
            sergensio_sbreak(sio, on ? SERGENSIO_BREAK_ON : SERGENSIO_BREAK_OFF, nullptr, nullptr);
    });
}

void GensioLink::setModemLines(bool on) {
    s_->post([s = s_.get(), on] {
        if (struct sergensio* sio = s->io && s->connected ? gensio_to_sergensio(s->io) : nullptr) {
            sergensio_dtr(sio, on ? SERGENSIO_DTR_ON : SERGENSIO_DTR_OFF, nullptr, nullptr);
            sergensio_rts(sio, on ? SERGENSIO_RTS_ON : SERGENSIO_RTS_OFF, nullptr, nullptr);
        }
    });
}

}  // namespace vel
