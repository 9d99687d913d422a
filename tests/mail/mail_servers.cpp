#include "mail_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vel::test {
namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Binds a TCP socket on 127.0.0.1 at a free port; returns the descriptor.
int boundSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

}  // namespace

bool haveAiosmtpd() {
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")});
    return p.waitForFinished(20'000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

PythonServer::PythonServer(const QString& script, const QStringList& args) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(kPython, QStringList{QStringLiteral(VEL_SOURCE_DIR "/tests/mail/") + script} + args);
    if (!process_.waitForStarted(10'000)) return;
    while (!process_.canReadLine() && process_.waitForReadyRead(20'000)) {
    }
    const QString line = QString::fromUtf8(process_.readLine()).trimmed();
    if (line.startsWith(QStringLiteral("PORT "))) port_ = line.mid(5).toInt();
}

PythonServer::~PythonServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5'000)) {
        process_.kill();
        process_.waitForFinished(5'000);
    }
}

SilentServer::SilentServer() {
    fd_ = boundSocket(port_);
    if (fd_ >= 0 && ::listen(fd_, 4) != 0) port_ = 0;
}

SilentServer::~SilentServer() {
    if (fd_ >= 0) ::close(fd_);
}

int closedPort() {
    int port = 0;
    const int fd = boundSocket(port);
    if (fd >= 0) ::close(fd);
    return port;
}

}  // namespace vel::test
