#include "mail/mail_outbox.h"

#include <algorithm>
#include <utility>

namespace vel {

MailOutbox::MailOutbox(Mailer& mailer, int capacity)
    : mailer_(mailer),
      capacity_(std::max(capacity, 1)),
      worker_(static_cast<std::size_t>(capacity_), QueueWorker<MailJob>::WhenFull::RefuseNew,
              [this](MailJob& job) { sendNow(job); }) {}

QString MailOutbox::fullText(int capacity) {
    return QStringLiteral("送信待ちのメールが多すぎるため送信しませんでした (前のメールの送信が終わらず%1通たまっています)")
        .arg(capacity);
}

void MailOutbox::send(MailJob job) {
    auto posted = worker_.post(std::move(job));
    if (!posted.refused) return;
    results_.post([done = std::move(posted.refused->done), text = fullText(capacity_)] {
        if (done) done(text);
    });
}

bool MailOutbox::finish(std::chrono::milliseconds limit) {
    const bool allDone = worker_.waitIdle(limit);
    results_.runPending();
    return allDone;
}

void MailOutbox::sendNow(MailJob& job) {
    QString last;
    QString result =
        mailer_.SendMailEx(job.logFile, job.server, job.destinations, job.sender, job.subject, job.body, last);
    results_.post([done = std::move(job.done), result = std::move(result)] {
        if (done) done(result);
    });
}

}  // namespace vel
