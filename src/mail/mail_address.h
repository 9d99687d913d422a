#pragma once
// How the mail library reads its destination, sender and server arguments.
//
// destinations: tab-separated addresses; a field "cc" or "bcc" makes the
//   following addresses copies or blind copies (until the next marker).
// sender: the sender's address; with a POP part it is followed by tab,
//   "host:user:password[:port]" and tab "pop" (POP-before-SMTP, port 110
//   unless given). In the mail settings file that is 06.host,user,password.
// server: "host", "host:port", "smtp://host[:port]" or "smtps://host[:port]".
//   A bare host uses port 25; a bare host with port 465 uses TLS from the start.
#include <QString>
#include <QStringList>
#include <optional>

namespace vel {

struct MailRecipients {
    QStringList to;
    QStringList cc;
    QStringList bcc;  // envelope only, never in the headers

    bool isEmpty() const { return to.isEmpty() && cc.isEmpty() && bcc.isEmpty(); }
    QStringList all() const { return to + cc + bcc; }
};

MailRecipients parseDestinations(const QString& destinations);

struct PopLogin {
    QString host;
    int port = 110;
    QString user;
    QString password;
};

struct MailSender {
    QString address;
    std::optional<PopLogin> pop;
};

MailSender parseSender(const QString& sender);

struct SmtpServer {
    QString url;             // smtp://host:port or smtps://host:port, as libcurl takes it
    bool implicitTls = false;  // smtps: TLS from the first byte
};

// nullopt when the text names no usable server.
std::optional<SmtpServer> parseSmtpServer(const QString& server);

// The URL without any user name or password, for the mail log.
QString urlForLog(const QString& url);

// Whether a numeric address (IPv4 or IPv6) is this machine or a private,
// link-local or unique-local network address.
bool isLocalNetworkAddress(const QString& ip);

}  // namespace vel
