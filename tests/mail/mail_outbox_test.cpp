#include <gtest/gtest.h>

#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/system_clock.h"
#include "mail/curl_mailer.h"
#include "mail/mail_outbox.h"
#include "mail/mail_sender.h"
#include "mail_servers.h"
#include "support/event_spin.h"  // the tests' one application object and event-loop wait
#include "support/qstring_printer.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// Runs the event loop for a while (to show that nothing more comes).
void spinFor(std::chrono::milliseconds time) {
    test::spinUntil([] { return false; }, static_cast<int>(time.count()));
}

long long msSince(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count();
}

// The library's answer in these tests: subjects beginning with "bad" are refused.
QString answerFor(const QString& subject) {
    return subject.startsWith(QStringLiteral("bad")) ? QStringLiteral("拒否: ") + subject : QString();
}

// A mail library whose every call waits until the test lets it go, one call
// per release().
class GatedMailer : public Mailer {
public:
    QString SendMailEx(QString&, QString&, QString&, QString&, QString& subject, QString&, QString&) override {
        std::unique_lock lock(mutex_);
        entered_.append(subject);
        changed_.notify_all();
        changed_.wait(lock, [this] { return permits_ > 0; });
        --permits_;
        ++left_;
        changed_.notify_all();
        return answerFor(subject);
    }

    void release(int calls = 1) {
        std::lock_guard lock(mutex_);
        permits_ += calls;
        changed_.notify_all();
    }
    void open() { release(1'000'000); }

    // True once `calls` calls have come in.
    bool waitEntered(int calls, std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return entered_.size() >= calls; });
    }
    QStringList entered() const {
        std::lock_guard lock(mutex_);
        return entered_;
    }
    int left() const {
        std::lock_guard lock(mutex_);
        return left_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QStringList entered_;
    int permits_ = 0;
    int left_ = 0;
};

// A mail library that records every call and the thread it came on, taking
// `delay` for each.
class RecordingMailer : public Mailer {
public:
    struct Call {
        QString logFile, server, destinations, sender, subject, body, last;
        std::thread::id thread;
    };

    explicit RecordingMailer(std::chrono::milliseconds delay = 0ms) : delay_(delay) {}

    QString SendMailEx(QString& logFile, QString& server, QString& destinations, QString& sender, QString& subject,
                       QString& body, QString& last) override {
        std::this_thread::sleep_for(delay_);
        std::lock_guard lock(mutex_);
        calls_.push_back({logFile, server, destinations, sender, subject, body, last, std::this_thread::get_id()});
        return answerFor(subject);
    }

    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    const std::chrono::milliseconds delay_;
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

// What came back to the owner: each result with its subject and thread.
struct Delivered {
    QStringList subjects, results;
    std::vector<std::thread::id> threads;

    std::function<void(const QString&)> done(const QString& subject) {
        return [this, subject](const QString& result) {
            subjects.append(subject);
            results.append(result);
            threads.push_back(std::this_thread::get_id());
        };
    }
    int count() const { return static_cast<int>(subjects.size()); }
};

MailJob job(const QString& subject, std::function<void(const QString&)> done) {
    return MailJob{QStringLiteral("/tmp/MailLog.log"), QStringLiteral("smtp.example.jp"), QStringLiteral("to@example.jp"),
                   QStringLiteral("from@example.jp"), subject, QStringLiteral("body ") + subject, std::move(done)};
}

class MailOutboxTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureCoreApplication(); }
    Delivered delivered;
};

TEST(DirectMailSenderTest, CallsTheLibraryAndThenDoneBeforeSendReturns) {
    RecordingMailer mailer;
    DirectMailSender sender(mailer);
    QStringList results;
    sender.send(job(QStringLiteral("bad 1"), [&](const QString& r) { results.append(r); }));
    sender.send(job(QStringLiteral("ok 2"), {}));  // no done: nothing to call
    ASSERT_EQ(mailer.calls().size(), 2u);
    EXPECT_EQ(mailer.calls()[0].thread, std::this_thread::get_id());
    EXPECT_EQ(results, QStringList({QStringLiteral("拒否: bad 1")}));
}

TEST_F(MailOutboxTest, SendReturnsAtOnceWhileTheLibraryIsBlocked) {
    GatedMailer mailer;
    MailOutbox outbox(mailer);
    const auto start = SteadyClock::now();
    for (int i = 1; i <= 5; ++i) outbox.send(job(QStringLiteral("mail %1").arg(i), delivered.done("")));
    EXPECT_LT(msSince(start), 50);
    ASSERT_TRUE(mailer.waitEntered(1));
    spinFor(50ms);
    EXPECT_EQ(delivered.count(), 0);  // the first call is still in the library
    EXPECT_EQ(mailer.entered().size(), 1);

    mailer.open();
    ASSERT_TRUE(test::spinUntil([&] { return delivered.count() == 5; }));
    EXPECT_EQ(mailer.entered(), QStringList({"mail 1", "mail 2", "mail 3", "mail 4", "mail 5"}));
}

TEST_F(MailOutboxTest, ResultsArriveInOrderOnTheOwnersThreadFromOneWorker) {
    RecordingMailer mailer(2ms);
    MailOutbox outbox(mailer);
    const QStringList subjects = {"ok 1", "bad 2", "ok 3", "bad 4", "ok 5", "ok 6"};
    for (const QString& s : subjects) outbox.send(job(s, delivered.done(s)));
    EXPECT_EQ(delivered.count(), 0);  // never from inside send()

    ASSERT_TRUE(test::spinUntil([&] { return delivered.count() == subjects.size(); }));
    EXPECT_EQ(delivered.subjects, subjects);
    EXPECT_EQ(delivered.results, QStringList({"", "拒否: bad 2", "", "拒否: bad 4", "", ""}));
    for (std::thread::id t : delivered.threads) EXPECT_EQ(t, std::this_thread::get_id());

    const std::vector<RecordingMailer::Call> calls = mailer.calls();
    ASSERT_EQ(calls.size(), static_cast<size_t>(subjects.size()));
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].subject, subjects[static_cast<qsizetype>(i)]);
        EXPECT_EQ(calls[i].thread, calls[0].thread) << "one worker for every call";
    }
    EXPECT_NE(calls[0].thread, std::this_thread::get_id());
    // The job's fields reach the library as they were given; `last` is always empty.
    EXPECT_EQ(calls[1].logFile, "/tmp/MailLog.log");
    EXPECT_EQ(calls[1].server, "smtp.example.jp");
    EXPECT_EQ(calls[1].destinations, "to@example.jp");
    EXPECT_EQ(calls[1].sender, "from@example.jp");
    EXPECT_EQ(calls[1].body, "body bad 2");
    EXPECT_EQ(calls[1].last, "");
}

TEST_F(MailOutboxTest, AFullQueueRefusesWithAnExplanationAndNeverBlocks) {
    GatedMailer mailer;
    MailOutbox outbox(mailer, 2);
    outbox.send(job("mail 1", delivered.done("mail 1")));
    ASSERT_TRUE(mailer.waitEntered(1));  // in the library; nothing waits yet
    outbox.send(job("mail 2", delivered.done("mail 2")));
    outbox.send(job("mail 3", delivered.done("mail 3")));
    const auto start = SteadyClock::now();
    outbox.send(job("mail 4", delivered.done("mail 4")));  // two wait already
    outbox.send(job("mail 5", delivered.done("mail 5")));
    EXPECT_LT(msSince(start), 50);
    EXPECT_EQ(delivered.count(), 0);  // the refusal, too, comes through the owner's event loop

    ASSERT_TRUE(test::spinUntil([&] { return delivered.count() == 2; }));
    EXPECT_EQ(delivered.subjects, QStringList({"mail 4", "mail 5"}));
    const QString full = MailOutbox::fullText(2);
    EXPECT_EQ(full, QStringLiteral("送信待ちのメールが多すぎるため送信しませんでした (前のメールの送信が終わらず2通たまっています)"));
    EXPECT_EQ(delivered.results, QStringList({full, full}));
    for (std::thread::id t : delivered.threads) EXPECT_EQ(t, std::this_thread::get_id());

    mailer.open();
    ASSERT_TRUE(test::spinUntil([&] { return delivered.count() == 5; }));
    EXPECT_EQ(delivered.subjects, QStringList({"mail 4", "mail 5", "mail 1", "mail 2", "mail 3"}));
    EXPECT_EQ(mailer.entered(), QStringList({"mail 1", "mail 2", "mail 3"}));  // the refused never reach it

    // Room again once the queue has drained.
    outbox.send(job("mail 6", delivered.done("mail 6")));
    ASSERT_TRUE(test::spinUntil([&] { return delivered.count() == 6; }));
    EXPECT_EQ(delivered.results.last(), "");
}

TEST_F(MailOutboxTest, FinishWaitsWithoutAnEventLoopAndDeliversOnItsThread) {
    RecordingMailer mailer(30ms);
    MailOutbox outbox(mailer);
    const QStringList subjects = {"ok 1", "bad 2", "ok 3"};
    for (const QString& s : subjects) outbox.send(job(s, delivered.done(s)));
    EXPECT_TRUE(outbox.finish(5s));
    EXPECT_EQ(mailer.calls().size(), 3u);
    EXPECT_EQ(delivered.subjects, subjects);
    EXPECT_EQ(delivered.results, QStringList({"", "拒否: bad 2", ""}));
    for (std::thread::id t : delivered.threads) EXPECT_EQ(t, std::this_thread::get_id());

    // The queued deliveries find nothing left: every done ran once.
    spinFor(50ms);
    EXPECT_EQ(delivered.count(), 3);
    // Nothing to wait for: at once.
    const auto start = SteadyClock::now();
    EXPECT_TRUE(outbox.finish(5s));
    EXPECT_LT(msSince(start), 50);
}

TEST_F(MailOutboxTest, FinishGivesUpAtItsLimitWhileACallIsBlocked) {
    GatedMailer mailer;
    MailOutbox outbox(mailer);
    for (const char* s : {"mail 1", "mail 2", "mail 3"}) outbox.send(job(s, delivered.done(s)));
    mailer.release(1);  // the first goes through, the second stays in the library
    ASSERT_TRUE(mailer.waitEntered(2));

    const auto start = SteadyClock::now();
    EXPECT_FALSE(outbox.finish(100ms));
    const long long took = msSince(start);
    EXPECT_GE(took, 95);
    EXPECT_LT(took, 1'000);
    EXPECT_EQ(delivered.subjects, QStringList({"mail 1"}));  // what had finished was delivered

    mailer.open();
    EXPECT_TRUE(outbox.finish(5s));
    EXPECT_EQ(delivered.subjects, QStringList({"mail 1", "mail 2", "mail 3"}));
}

TEST_F(MailOutboxTest, DestructorWaitsForTheCallInProgressAndDropsTheRest) {
    GatedMailer mailer;
    auto outbox = std::make_unique<MailOutbox>(mailer);
    for (const char* s : {"mail 1", "mail 2", "mail 3"}) outbox->send(job(s, delivered.done(s)));
    ASSERT_TRUE(mailer.waitEntered(1));

    std::thread releaser([&] {
        std::this_thread::sleep_for(200ms);
        mailer.release(1);
    });
    const auto start = SteadyClock::now();
    outbox.reset();
    const long long took = msSince(start);
    releaser.join();
    EXPECT_GE(took, 150) << "returned before the call in the library ended";
    EXPECT_LT(took, 5'000);
    EXPECT_EQ(mailer.left(), 1);
    EXPECT_EQ(mailer.entered(), QStringList({"mail 1"}));  // the waiting ones were dropped

    // The result of the last call never reaches a done once the outbox is gone.
    spinFor(50ms);
    EXPECT_EQ(delivered.count(), 0);
}

TEST_F(MailOutboxTest, ResultsPostedBeforeTheOutboxWentAreDroppedWithIt) {
    RecordingMailer mailer;
    auto outbox = std::make_unique<MailOutbox>(mailer, 1);
    auto owner = std::make_unique<Delivered>();  // dies with the outbox, as an owner would
    outbox->send(job("ok 1", owner->done("ok 1")));
    outbox->send(job("ok 2", owner->done("ok 2")));
    outbox->send(job("ok 3", owner->done("ok 3")));  // refused: one waits already
    const auto until = SteadyClock::now() + 5s;
    while (mailer.calls().empty() && SteadyClock::now() < until) std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(mailer.calls().empty());
    std::this_thread::sleep_for(20ms);  // the worker posts its results
    const auto start = SteadyClock::now();
    outbox.reset();  // results wait in the event queue, undelivered
    owner.reset();
    EXPECT_LT(msSince(start), 50);
    spinFor(50ms);  // nothing runs, nothing crashes
}

TEST_F(MailOutboxTest, DestructorOfAnIdleOutboxReturnsAtOnce) {
    RecordingMailer mailer;
    const auto start = SteadyClock::now();
    { MailOutbox outbox(mailer); }
    EXPECT_LT(msSince(start), 50);
}

// The real library against a server that accepts the connection and never
// says a word: the run's thread goes on at once; the refusal comes back later.
TEST_F(MailOutboxTest, SilentServerDoesNotHoldTheSender) {
    test::SilentServer silent;
    ASSERT_GT(silent.port(), 0);
    test::TempProgramFolder tmp;
    SystemClock clock;
    CurlMailer mailer(clock, MailTimeouts{1'000, 4'000, 1});
    MailOutbox outbox(mailer);
    const QString server = QStringLiteral("127.0.0.1:") + QString::number(silent.port());
    const auto start = SteadyClock::now();
    for (const char* s : {"mail 1", "mail 2"})
        outbox.send(MailJob{tmp.folder.logFile(QStringLiteral("MailLog.log")), server, QStringLiteral("a@example.jp"),
                            QStringLiteral("me@example.jp"), QString::fromLatin1(s), QStringLiteral("b"),
                            delivered.done(s)});
    EXPECT_LT(msSince(start), 50);
    ASSERT_TRUE(test::spinUntil([&] { return delivered.count() == 2; }, 15'000));
    EXPECT_EQ(delivered.subjects, QStringList({"mail 1", "mail 2"}));
    for (const QString& r : delivered.results)
        EXPECT_TRUE(r.startsWith(QStringLiteral("サーバーが応答しません"))) << r.toStdString();
}

}  // namespace
}  // namespace vel
