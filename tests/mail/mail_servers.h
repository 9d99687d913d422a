#pragma once
// Servers the mail tests talk to on 127.0.0.1: the Python SMTP sink and POP3
// stub beside this file (started per test, stopped after it), a socket that
// accepts and never answers, and a port nobody listens on.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vel::test {

// True when /usr/bin/python3 can import aiosmtpd.
bool haveAiosmtpd();

// A helper script under tests/mail, started with its arguments; its first
// output line "PORT n" gives the port.
class PythonServer {
public:
    PythonServer(const QString& script, const QStringList& args);
    ~PythonServer();
    int port() const { return port_; }  // 0 when it did not start

private:
    QProcess process_;
    int port_ = 0;
};

// Listens without ever accepting: connections complete and hear nothing.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port that was free a moment ago and has no listener.
int closedPort();

}  // namespace vel::test
