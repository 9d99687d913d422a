#pragma once
// Where composed mails go. The mail check hands each mail over as a job and
// learns the library's result later, through the job's `done`, on the thread
// that owns the sender (the run's thread). An empty result means the mail was
// accepted; anything else is an error text for the alarm log.
//
// The job carries copies of the record's fields: whatever the library might
// hand back through its reference arguments stays in the job and does not
// reach the mail record (no library in use writes them).
#include <QString>
#include <functional>
#include <utility>

#include "mail/mailer.h"

namespace vel {

struct MailJob {
    QString logFile, server, destinations, sender, subject, body;
    std::function<void(const QString& result)> done;  // runs on the owner's thread; may be empty
};

class MailSender {
public:
    virtual ~MailSender() = default;
    virtual void send(MailJob job) = 0;
};

// Calls the library at once, on the caller's thread, then `done`: the whole
// mail is over when send() returns. For unit tests and wherever the order of
// events must stay immediate.
class DirectMailSender : public MailSender {
public:
    explicit DirectMailSender(Mailer& mailer) : mailer_(mailer) {}

    void send(MailJob job) override {
        QString last;
        const QString result =
            mailer_.SendMailEx(job.logFile, job.server, job.destinations, job.sender, job.subject, job.body, last);
        if (job.done) job.done(result);
    }

private:
    Mailer& mailer_;
};

}  // namespace vel
