// Whole runs against an instrument behind Debian's ser2net on 127.0.0.1: the
// simulator's pseudo-terminal served over rfc2217 and raw tcp, Com 5 named
// as that URL in velloran.ini.
#include <gtest/gtest.h>

#include <QStandardPaths>

#include <signal.h>
#include <termios.h>
#include <fcntl.h>

#include "e2e/fault_run.h"
#include "support/local_ports.h"

namespace vel::test {
namespace {

// ser2net in the foreground, serving `device` as rfc2217 and raw tcp.
class Ser2net {
public:
    static QString program() { return QStandardPaths::findExecutable(QStringLiteral("ser2net")); }

    Ser2net(const FaultRun& run, const QString& device)
        : rfc2217Port(freePort()), tcpPort(freePort()), config_(run.path("ser2net.yaml")) {
        const QString connector = QStringLiteral("  connector: serialdev,%1,9600n81,local\n").arg(device);
        run.write("ser2net.yaml",
                  (QStringLiteral("connection: &rfc\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n").arg(rfc2217Port) +
                   connector + QStringLiteral("connection: &raw\n  accepter: tcp,127.0.0.1,%1\n").arg(tcpPort) +
                   connector)
                      .toUtf8());
    }
    ~Ser2net() { stop(); }

    bool start() {
        process_.start(program(), {"-n", "-d", "-c", config_});
        if (!process_.waitForStarted(5000)) return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            // Each look opens the device behind the port: ser2net is given
            // time to let go of it before the next connection.
            if (portAccepts(rfc2217Port)) {
                QThread::msleep(200);
                if (portAccepts(tcpPort)) {
                    QThread::msleep(200);
                    return true;
                }
            }
            QThread::msleep(10);
        }
        return false;
    }
    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(5000);
    }
    void signal(int sig) { ::kill(static_cast<pid_t>(process_.processId()), sig); }

    const int rfc2217Port;
    const int tcpPort;

private:
    QString config_;
    QProcess process_;
};

// One reply of three values a cycle, a cycle every 0.1 s; a reply may take
// two seconds, so that a busy machine does not cost a row.
const char kNetworkScript[] =
    "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:2\r\nSTM:2\r\nITM:0.1\r\n"
    "SSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n";

enum class Fault { None, Restart, Pause };

struct NetworkCase {
    const char* name;
    const char* scheme;       // rfc2217 or tcp
    const char* lineSettings;
    speed_t lineSpeed;        // what ser2net's line runs at: raw tcp leaves its own 9600
    double minutes;
    Fault fault;              // done to ser2net from 3 s to 5 s into the run
};

void PrintTo(const NetworkCase& c, std::ostream* os) { *os << c.name; }

class NetworkRun : public testing::TestWithParam<NetworkCase> {};

TEST_P(NetworkRun, WritesEveryRowAndSurvivesTheServer) {
    const NetworkCase& c = GetParam();
    if (Ser2net::program().isEmpty()) GTEST_SKIP() << "ser2net is not installed (tools/install-deps.sh installs it)";
    FaultRun run;
    ASSERT_TRUE(run.startSim({}));
    const QString device = QFileInfo(run.path("dev/com" + QString::number(kFaultCom))).symLinkTarget();
    Ser2net server(run, device);
    ASSERT_TRUE(server.start());
    const int port = QLatin1String(c.scheme) == QLatin1String("tcp") ? server.tcpPort : server.rfc2217Port;
    const QString url = QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(c.scheme)).arg(port);
    ASSERT_TRUE(run.prepare(kNetworkScript, c.minutes,
                            {"lineSettings=" + QLatin1String(c.lineSettings), "reconnect.intervalSeconds=1",
                             QStringLiteral("ports.com%1=").arg(kFaultCom) + url}));

    // What ser2net set on the instrument's line, looked at a second in.
    speed_t speed = 0;
    bool faulted = false, restored = false;
    const CliResult r = run.cli(60000, [&](qint64 ms) {
        if (ms > 1000 && !speed) {
            const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
            termios t{};
            if (fd >= 0 && ::tcgetattr(fd, &t) == 0) speed = cfgetospeed(&t);
            if (fd >= 0) ::close(fd);
        }
        if (c.fault != Fault::None && ms > 3000 && !faulted) {
            faulted = true;
            if (c.fault == Fault::Restart) server.stop();
            else server.signal(SIGSTOP);
        }
        if (faulted && ms > 5000 && !restored) {
            restored = true;
            if (c.fault == Fault::Restart) server.start();
            else server.signal(SIGCONT);
        }
    });
    ASSERT_TRUE(r.finished) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("port: Com%1 → ").arg(kFaultCom) + url)) << r.out.toStdString();
    const CsvRows all = csvRows(run.csvBytes());
    if (c.fault == Fault::None) {
        const QString rows = checkRowsMatchReplies(run.csvBytes(), r);
        EXPECT_TRUE(rows.isEmpty()) << rows.toStdString() << "\n" << r.out.toStdString();
    } else {
        // The cycles without an instrument count on without a row; every
        // row there is holds its three values, numbers rising.
        int last = 0;
        for (int i = 1; i < all.lines.size(); ++i) {
            const QStringList f = all.lines[i].split(',');
            ASSERT_EQ(f.size(), 4) << all.lines[i].toStdString();
            EXPECT_GT(f[0].toInt(), last) << all.lines[i].toStdString();
            last = f[0].toInt();
        }
        // Picked up again: rows of the cycles well after the server came back.
        EXPECT_GE(last, 80) << "no rows after the server came back";
        EXPECT_TRUE(all.partial.isEmpty());
    }
    // A cycle every 0.1 s: most cycles of the run have their row, the ones
    // around the fault aside (DTR and RTS, which ser2net on a pty never
    // answers, hold nothing up).
    const int written = static_cast<int>(all.lines.size()) - 1;
    const int cycles = static_cast<int>(c.minutes * 600);
    EXPECT_GE(written, cycles * 6 / 10 - (c.fault == Fault::None ? 0 : 20)) << written << " of " << cycles;

    // The speed is what a pseudo-terminal keeps (it drops data bits and
    // parity, though ser2net reports them as set).
    EXPECT_EQ(speed, c.lineSpeed) << "the speed did not reach ser2net's line";
    const bool lost = r.out.contains(QStringLiteral("通信ポートが切断されました"));
    EXPECT_EQ(lost, c.fault == Fault::Restart) << r.out.toStdString();
    EXPECT_EQ(r.out.contains(QStringLiteral("通信ポートに再接続しました")), c.fault == Fault::Restart);
}

INSTANTIATE_TEST_SUITE_P(
    Ser2net, NetworkRun,
    testing::Values(NetworkCase{"Rfc2217LineSettings", "rfc2217", "19200,e,7,1", B19200, 0.05, Fault::None},
                    NetworkCase{"TcpIgnoresLineSettings", "tcp", "4800,o,7,2", B9600, 0.05, Fault::None},
                    NetworkCase{"TcpServerRestarted", "tcp", "9600,n,8,1", B9600, 0.15, Fault::Restart},
                    NetworkCase{"TcpServerPaused", "tcp", "9600,n,8,1", B9600, 0.15, Fault::Pause}),
    [](const testing::TestParamInfo<NetworkCase>& info) { return std::string(info.param.name); });

// Nobody listens: the run does not start and says which Com and why.
TEST(NetworkRunStart, RefusedWhenNothingListens) {
    FaultRun run;
    const QString url = QStringLiteral("tcp://127.0.0.1:%1").arg(freePort());
    ASSERT_TRUE(run.prepare(kThreeValueScript, 0.05, {QStringLiteral("ports.com%1=").arg(kFaultCom) + url}));
    const CliResult r = run.cli(20000);
    ASSERT_TRUE(r.finished);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Com%1 → ").arg(kFaultCom) + url)) << r.err.toStdString();
    EXPECT_LT(r.elapsedMs, 5000);
}

}  // namespace
}  // namespace vel::test
