#include "mail/mail_outbox.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

namespace vel {

MailOutbox::MailOutbox(Mailer& mailer, int capacity)
    : mailer_(mailer), capacity_(std::max(capacity, 1)), worker_([this] { work(); }) {}

MailOutbox::~MailOutbox() {
    std::deque<MailJob> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(waiting_);
    }
    wake_.notify_all();
    worker_.join();
    // A result the worker posted before it ended is removed with the QObject's
    // pending events by ~QObject; finished_ goes with the members. No `done` runs.
}

QString MailOutbox::fullText(int capacity) {
    return QStringLiteral("送信待ちのメールが多すぎるため送信しませんでした (前のメールの送信が終わらず%1通たまっています)")
        .arg(capacity);
}

void MailOutbox::send(MailJob job) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_ && static_cast<int>(waiting_.size()) < capacity_) {
            waiting_.push_back(std::move(job));
            wake_.notify_one();
            return;
        }
        finished_.push_back(Finished{std::move(job.done), fullText(capacity_)});
    }
    postDelivery();
}

bool MailOutbox::finish(std::chrono::milliseconds limit) {
    bool allDone = false;
    {
        std::unique_lock lock(mutex_);
        allDone = idle_.wait_for(lock, limit, [this] { return waiting_.empty() && !busy_; });
    }
    deliver();
    return allDone;
}

void MailOutbox::work() {
    for (;;) {
        MailJob job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            job = std::move(waiting_.front());
            waiting_.pop_front();
            busy_ = true;
        }
        QString last;
        QString result =
            mailer_.SendMailEx(job.logFile, job.server, job.destinations, job.sender, job.subject, job.body, last);
        {
            std::lock_guard lock(mutex_);
            finished_.push_back(Finished{std::move(job.done), std::move(result)});
            busy_ = false;
        }
        idle_.notify_all();
        postDelivery();
    }
}

void MailOutbox::postDelivery() {
    // One queued call per result; whichever runs first delivers what is there
    // and the others find nothing (as after finish()).
    QMetaObject::invokeMethod(this, [this] { deliver(); }, Qt::QueuedConnection);
}

void MailOutbox::deliver() {
    for (;;) {
        Finished f;
        {
            std::lock_guard lock(mutex_);
            if (finished_.empty()) return;
            f = std::move(finished_.front());
            finished_.pop_front();
        }
        if (f.done) f.done(f.result);
    }
}

}  // namespace vel
