#pragma once
// The mail library as the program calls it: one entry point with seven
// strings. An empty result means the message was accepted; anything else is
// an error text for the alarm log. The arguments are passed by reference, as
// the library may hand values back through them; the callers (the senders in
// mail_sender.h, mail_outbox.h) pass copies of the mail record's fields, so
// whatever comes back stays with the job.
#include <QString>

namespace vel {

class Mailer {
public:
    virtual ~Mailer() = default;
    // logFile: the library's own log (Log/MailLog.log).
    // destinations: tab-separated addresses; the words "cc" and "bcc" switch
    //   the following addresses to copy and blind copy.
    // sender: the address, optionally followed by tab, the POP items joined
    //   by ":", tab and "pop" (POP-before-SMTP).
    // last: always empty.
    virtual QString SendMailEx(QString& logFile, QString& server, QString& destinations, QString& sender,
                               QString& subject, QString& body, QString& last) = 0;
};

}  // namespace vel
