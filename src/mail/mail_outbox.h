#pragma once
// Mail sending off the run's thread. The mail check hands its mails to the
// outbox and goes on at once; one worker thread calls the mail library for
// one mail at a time, in the order they were sent, and each result comes back
// to the thread that made the outbox (the run's thread), where the job's
// `done` runs: from that thread's event loop, or from finish().
//
// While the outbox exists its worker is the only caller of the Mailer.
// CurlMailer suits this: every call makes its own libcurl handles, and the
// libcurl in use initialises itself thread-safely (CURL_VERSION_THREADSAFE);
// the mail log file is written by that call only. Its Clock is read from the
// worker, which SystemClock allows.
//
// send(), finish() and the destructor belong to the owner's thread.
#include <QString>

#include <chrono>

#include "base/owner_calls.h"
#include "base/queue_worker.h"
#include "mail/mail_sender.h"
#include "mail/mailer.h"

namespace vel {

class MailOutbox : public MailSender {
public:
    static constexpr int kDefaultCapacity = 32;

    // capacity: how many mails may wait behind the one being sent (at least 1).
    explicit MailOutbox(Mailer& mailer, int capacity = kDefaultCapacity);
    // Stops taking mails, lets the call in progress end (the library's own
    // time limits end it), drops the mails still waiting and every result not
    // yet delivered (their `done` never runs) and joins the worker.
    ~MailOutbox() override = default;

    // Never blocks. A mail that finds `capacity` mails already waiting is not
    // sent: its `done` gets fullText(capacity), on the owner's thread.
    void send(MailJob job) override;

    // Waits, without an event loop, until every mail sent so far has been
    // through the library or `limit` has passed; then runs, on the calling
    // thread, the `done` of every mail that has finished (and of every
    // refused one). False when mails were still waiting or being sent.
    bool finish(std::chrono::milliseconds limit);

    // The result given to a mail refused because the outbox is full.
    static QString fullText(int capacity);

    int capacity() const { return capacity_; }

private:
    void sendNow(MailJob& job);

    Mailer& mailer_;
    const int capacity_;
    OwnerCalls results_;  // each mail's `done`, on the owner's thread
    // Last: its worker stops (and the call in progress ends) before the rest goes.
    QueueWorker<MailJob> worker_;
};

}  // namespace vel
