// velloran-cli run whose end-of-run alarm mail meets a mail server that is
// down (nothing listens) or one that takes the connection and never says a
// word. The run's rows are all written first; the mail's failure is logged
// once in the mail log and holds the program no longer than the mail
// library's bound on one sending.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "e2e/fault_run.h"

namespace vel::test {
namespace {

// A TCP socket on 127.0.0.1 that listens but never accepts or answers
// (connections complete in the kernel's backlog); closed, it frees a port
// where nothing listens.
class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
    }
    ~SilentServer() { close(); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

QByteArray mailFile(int port) {
    return cp932::encode(QStringLiteral("01.127.0.0.1:%1\r\n02.operator@example.jp\r\n05.velloran@example.jp\r\n"
                                        "11.槽内警報\r\n")
                             .arg(port));
}

TEST(FaultMail, EndOfRunMailWithTheServerAway) {
    struct Case {
        const char* what;
        bool listening;  // false: the port is closed again before the run
        int boundMs;     // the run's 2.4 s, plus what the sending may take
    };
    const Case cases[] = {
        {"server down", false, 12000},
        {"server never answers", true, 45000},  // the library gives up after 30 s at most
    };
    for (const Case& c : cases) {
        SilentServer server;
        ASSERT_GT(server.port(), 0) << c.what;
        if (!c.listening) server.close();

        FaultRun f;
        const QString settings = f.write("mail_alarm.txt", mailFile(server.port()));
        ASSERT_TRUE(f.prepare(kThreeValueScript, 0.04,
                              {"alarmMailOn=1", "alarmMailFile=" + settings, "mailOnAutoEnd=1", "alarmMailMinutes=5"}))
            << c.what;
        ASSERT_TRUE(f.startSim({})) << c.what;
        const CliResult r = f.cli(c.boundMs);
        ASSERT_TRUE(r.finished) << c.what << ": still running after " << r.elapsedMs << " ms";
        EXPECT_FALSE(r.crashed) << c.what;
        EXPECT_EQ(r.exitCode, 0) << c.what << ": " << r.err.toStdString();
        EXPECT_EQ(occurrences(r.out, QStringLiteral("データ取得終了")), 1) << c.what;
        EXPECT_TRUE(linesStarting(r.out, "alarm: ").filter(QStringLiteral("メールパラメータエラー")).isEmpty())
            << c.what << ": the end-of-run mail's result is not reported";

        const QString rows = checkRowsMatchReplies(f.csvBytes(), r);
        EXPECT_TRUE(rows.isEmpty()) << c.what << ": " << rows.toStdString();
        EXPECT_GT(repliesWithValues(r), 5) << c.what;

        const CsvRows log = csvRows(f.read("Log/MailLog.log"));
        ASSERT_EQ(log.lines.size(), 1) << c.what << ": one sending, one line";
        EXPECT_TRUE(log.lines[0].contains(QString::number(server.port()))) << log.lines[0].toStdString();
        EXPECT_FALSE(log.lines[0].endsWith(QStringLiteral("OK"))) << log.lines[0].toStdString();
    }
}

}  // namespace
}  // namespace vel::test
