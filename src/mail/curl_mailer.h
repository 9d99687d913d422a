#pragma once
// The mail library on libcurl: SMTP, with POP-before-SMTP when the sender
// carries a POP part (see mail_address.h for the arguments).
//
// Encryption: a smtps:// server (or port 465) speaks TLS from the start; any
// other server must offer STARTTLS, which is then required and the server's
// certificate checked. A server that offers no STARTTLS gets the mail (and a
// POP server the password) in plain text only when it is on this machine or
// on a private network (10/8, 172.16/12, 192.168/16, link-local, fc00::/7);
// a server elsewhere is refused with an error text rather than receiving the
// mail unprotected. The mail log says when a mail went without TLS.
//
// Every call is bounded: connecting, every server reply and the whole call
// (POP and SMTP together) each have a limit.
#include <QString>
#include <functional>

#include "base/clock.h"
#include "mail/mailer.h"

namespace vel {

struct MailTimeouts {
    int connectMs = 10'000;     // each connection attempt
    int totalMs = 30'000;       // the whole SendMailEx call
    int responseSeconds = 20;   // silence allowed between server replies (libcurl counts whole seconds)
};

struct MailSecurity {
    // Certificates to trust besides the system's (PEM file); empty = the system's only.
    QString caFile;
    // Which server addresses may get plain text when they offer no STARTTLS.
    std::function<bool(const QString& numericAddress)> plainTextAllowed;  // empty = isLocalNetworkAddress
};

class CurlMailer : public Mailer {
public:
    explicit CurlMailer(Clock& clock, MailTimeouts timeouts = {}, MailSecurity security = {});

    QString SendMailEx(QString& logFile, QString& server, QString& destinations, QString& sender,
                       QString& subject, QString& body, QString& last) override;

private:
    Clock& clock_;
    MailTimeouts timeouts_;
    MailSecurity security_;
};

}  // namespace vel
