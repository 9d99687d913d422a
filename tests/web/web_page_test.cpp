// The station web page over a real socket, against a real velloran-cli run
// with a velloran-sim instrument: who may read it, what it answers, and that
// no reader ever holds up the run.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <chrono>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>

#include "support/event_spin.h"
#include "web_run.h"

namespace vel::test {
namespace {

QJsonObject jsonOf(const std::string& body) { return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object(); }

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// One run for the tests that only read: about 40 s, a record every 0.1 s.
class WebPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        run = new WebRun;
        started = run->start(kThreeValueScript, 0.7, {"web.token=" + kToken, "units.D001=V"});
    }
    static void TearDownTestSuite() {
        delete run;
        run = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(started) << run->err().toStdString(); }

    static inline WebRun* run = nullptr;
    static inline bool started = false;
};

TEST_F(WebPage, EveryRequestNeedsTheTokenAndAWrongOneLearnsNothing) {
    const std::string right = kToken.toStdString();
    struct Case {
        const char* what;
        std::string path;
        httplib::Headers headers;
        int status;
        bool setsCookie;
        std::string location;
    };
    const Case cases[] = {
        {"nothing", "/api/latest", {}, 401, false, ""},
        {"bearer", "/api/latest", bearer(), 200, false, ""},
        {"wrong bearer", "/api/latest", bearer("s3cret-Toke"), 401, false, ""},
        {"query", "/api/latest?token=" + right, {}, 200, true, ""},
        {"query on the page leaves the address", "/?token=" + right, {}, 303, true, "/"},
        {"cookie", "/api/latest", {{"Cookie", "a=b; velloran_token=" + right}}, 200, false, ""},
        {"wrong cookie", "/", {{"Cookie", "velloran_token=" + right + "x"}}, 401, false, ""},
        {"page without a token", "/", {}, 401, false, ""},
    };
    httplib::Client c = run->client();
    for (const Case& k : cases) {
        const httplib::Result r = c.Get(k.path.c_str(), k.headers);
        ASSERT_TRUE(r) << k.what;
        EXPECT_EQ(r->status, k.status) << k.what;
        EXPECT_EQ(r->get_header_value("Set-Cookie"),
                  k.setsCookie ? "velloran_token=" + right + "; HttpOnly; SameSite=Strict; Path=/" : "") << k.what;
        EXPECT_EQ(r->get_header_value("Location"), k.location) << k.what;
        EXPECT_TRUE(k.status != 401 || r->body.empty()) << k.what << ": " << r->body;
    }
}

TEST_F(WebPage, LatestHasTheStationAndItsNewestRecordIsTheCsvsLastRow) {
    httplib::Client c = run->client();
    ASSERT_TRUE(spinUntil([&] {
        const auto r = c.Get("/api/latest", bearer());
        return r && jsonOf(r->body)["stations"].toArray().first()["records"].toInt() >= 3;
    }));
    // The CSV gets its row as the record closes: the page's newest record is
    // a row of the file, and the last one unless a record closed in between.
    bool compared = false;
    for (int attempt = 0; attempt < 20 && !compared; ++attempt) {
        const auto r = c.Get("/api/latest", bearer());
        ASSERT_TRUE(r);
        const QJsonObject s = jsonOf(r->body)["stations"].toArray().first().toObject();
        const CsvRows rows = csvRows(run->f.csvBytes());
        const QJsonObject record = s["record"].toObject();
        if (rows.lines.isEmpty() || rows.lines.last().section(',', 0, 0) != record["no"].toString()) continue;
        compared = true;
        EXPECT_EQ(s["station"].toString(), QFileInfo(run->f.root()).fileName());
        EXPECT_EQ(s["state"].toString(), "running");
        EXPECT_EQ(s["records"].toInt(), rows.lines.size() - 1);
        EXPECT_EQ(s["lastRecord"].toString(), record["time"].toString());
        const QStringList fields = rows.lines.last().split(',');
        const QJsonArray values = record["values"].toArray();
        ASSERT_EQ(values.size(), fields.size() - 1);
        for (int i = 0; i < values.size(); ++i) EXPECT_EQ(values[i]["text"].toString(), fields[i + 1]) << i;
        EXPECT_EQ(values[0]["unit"].toString(), "V");
        // The run monitor's rows: the number, then the three items.
        const QJsonArray items = s["items"].toArray();
        ASSERT_EQ(items.size(), 4) << r->body;
        EXPECT_EQ(items[1]["item"].toString() + items[1]["unit"].toString() + items[1]["text"].toString(),
                  "D001V" + fields[1]);
    }
    EXPECT_TRUE(compared) << "the newest record never was the CSV's last row";
}

TEST_F(WebPage, TrendAnswersMinMaxPointsAndRefusesWhatItDoesNotKnow) {
    httplib::Client c = run->client();
    const std::string station = QFileInfo(run->f.root()).fileName().toStdString();
    struct Case {
        std::string query;
        int status;
    };
    const Case cases[] = {
        {"station=" + station + "&item=D001", 200},
        {"station=" + station + "&item=D001&span=60", 200},
        {"station=nobody&item=D001", 404},
        {"station=" + station + "&item=D001&span=59", 400},
        {"station=" + station + "&item=D001&span=1h", 400},
    };
    ASSERT_TRUE(spinUntil([&] {
        const auto r = c.Get(("/api/trend?" + cases[0].query).c_str(), bearer());
        return r && jsonOf(r->body)["points"].toArray().size() >= 3;
    }));
    for (const Case& k : cases) {
        const auto r = c.Get(("/api/trend?" + k.query).c_str(), bearer());
        ASSERT_TRUE(r) << k.query;
        EXPECT_EQ(r->status, k.status) << k.query;
        EXPECT_TRUE(k.status == 200 || r->body.empty()) << k.query;
    }
    const auto r = c.Get(("/api/trend?" + cases[1].query).c_str(), bearer());
    const QJsonObject t = jsonOf(r->body);
    EXPECT_EQ(t["unit"].toString(), "V");
    EXPECT_EQ(t["span"].toInt(), 60);
    for (const QJsonValue p : t["points"].toArray())
        EXPECT_TRUE(p[1].toDouble() <= p[2].toDouble() && nowMs() - p[0].toInteger() <= 61'000);
}

// The stream's events as they come, on a thread of their own.
struct EventReader {
    std::atomic<bool> quit = false;
    std::mutex mutex;
    std::string text;
    std::vector<qint64> recordLagMs;  // arrival less the record's time stamp
    std::string first;                // the first event
    std::thread thread;

    void start(const WebRun& run) {
        thread = std::thread([this, port = run.port] {
            httplib::Client c("127.0.0.1", port);
            c.set_read_timeout(20, 0);
            c.Get("/api/events", bearer(), [this](const char* data, size_t length) {
                std::lock_guard lock(mutex);
                text.append(data, length);
                for (std::size_t at; (at = text.find("\n\n")) != std::string::npos; text.erase(0, at + 2)) {
                    const std::string event = text.substr(0, at);
                    if (first.empty()) first = event;
                    if (event.rfind("event: record\n", 0) != 0) continue;
                    const QJsonObject o = jsonOf(event.substr(event.find("data: ") + 6));
                    recordLagMs.push_back(nowMs() - o["record"]["ts"].toInteger());
                }
                return !quit;
            });
        });
    }
    void stop() {
        quit = true;
        thread.join();
    }
};

TEST_F(WebPage, EveryRecordReachesTheStreamWithinASecond) {
    EventReader reader;
    reader.start(*run);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    reader.stop();
    EXPECT_EQ(reader.first.rfind("event: state\ndata: {", 0), 0u) << "the stream opens with the stations' states";
    ASSERT_GE(reader.recordLagMs.size(), 15u);
    for (const qint64 lag : reader.recordLagMs) EXPECT_LT(lag, 1000);
}

// A client that asks for the stream and then reads nothing.
int stalledStream(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 2048;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in addr{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
    const std::string request = "GET /api/events HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                                kToken.toStdString() + "\r\n\r\n";
    ::send(fd, request.data(), request.size(), 0);
    return fd;
}

// Reads until the server closes the connection; false when it stays open.
bool closedByServer(int fd, int boundMs) {
    timeval tv{0, 100'000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    char buffer[65536];
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < boundMs) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) return true;
    }
    return false;
}

TEST(WebPageRun, AStalledReaderIsDroppedAndNeitherItNorAStopHoldsUpTheRun) {
    WebRun run;
    // A record every 0.02 s: the stream fills fast.
    const char script[] = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0.02\r\n"
                          "SSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n";
    ASSERT_TRUE(run.start(script, 1, {"web.token=" + kToken})) << run.err().toStdString();
    const int fd = stalledStream(run.port);
    ASSERT_GE(fd, 0);
    EventReader reader;  // a reader that keeps up, beside it
    reader.start(run);
    std::this_thread::sleep_for(std::chrono::seconds(8));
    EXPECT_TRUE(closedByServer(fd, 3000)) << "the stalled stream was never dropped";
    ::close(fd);
    // The stop signal ends the program at once, with a stream being read and
    // another stalled.
    const int stalled = stalledStream(run.port);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(run.stop(10000));
    EXPECT_LT(t.elapsed(), 5000);
    reader.stop();
    ::close(stalled);
    EXPECT_GE(reader.recordLagMs.size(), 150u) << "the reader beside it was served";
    EXPECT_EQ(run.exitCode(), 0) << run.err().toStdString();
    CliResult r;
    r.out = run.out();
    EXPECT_EQ(checkRowsMatchReplies(run.f.csvBytes(), r), QString());
    EXPECT_GT(csvRows(run.f.csvBytes()).lines.size(), 200);
}

// A self-signed certificate and its key in `folder`; false without openssl.
bool makeCertificate(const QString& folder) {
    QProcess p;
    p.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", folder + "/key.pem", "-out",
                        folder + "/cert.pem", "-days", "1", "-subj", "/CN=localhost"});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

TEST(WebPageRun, OverHttpsOnlyALostInstrumentShowsAsPortLostUntilTheProgramEnds) {
    WebRun run;
    ASSERT_TRUE(makeCertificate(run.f.root())) << "openssl (Debian package openssl) is needed";
    ASSERT_TRUE(run.start(kThreeValueScript, 0.15, {"web.token=" + kToken, "web.cert=cert.pem", "web.key=key.pem",
                                                    "reconnect.intervalSeconds=1"}))
        << run.err().toStdString();
    httplib::SSLClient tls("127.0.0.1", run.port);
    tls.enable_server_certificate_verification(false);
    const auto state = [&] {
        const auto r = tls.Get("/api/latest", bearer());
        return r ? jsonOf(r->body)["stations"][0]["state"].toString() : QString();
    };
    ASSERT_TRUE(spinUntil([&] { return state() == "running"; }));
    EXPECT_FALSE(run.client().Get("/api/latest", bearer())) << "plain HTTP on the HTTPS port";
    run.f.killSim();
    ASSERT_TRUE(spinUntil([&] { return state() == "portLost"; }, 5000)) << state().toStdString();
    ASSERT_TRUE(run.waitEnd(20000));
    EXPECT_EQ(state(), QString()) << "the page closes with the program";
}

TEST_F(WebPage, APageThatMayNotOrCannotOpenIsToldAndTheRunGoesOn) {
    const int busy = run->port;  // the page of the suite's run
    struct Case {
        QString listen;
        QString token;
        QString line;
        QStringList more = {};
    };
    const Case cases[] = {
        {"127.0.0.1:" + QString::number(freePort()), kToken,
         QStringLiteral("Web ページ: 証明書 "), {"web.cert=none.pem", "web.key=none.pem"}},
        {"0.0.0.0:" + QString::number(freePort()), "",
         QStringLiteral(" はループバック以外のアドレスです。web.token を設定しない限り開きません")},
        {"127.0.0.1:" + QString::number(busy), kToken, QStringLiteral(" で待ち受けできません")},
    };
    for (const Case& k : cases) {
        FaultRun f;
        ASSERT_TRUE(f.prepare(kThreeValueScript, 0.03, QStringList{"web.listen=" + k.listen, "web.token=" + k.token} + k.more));
        ASSERT_TRUE(f.startSim({}));
        const CliResult r = f.cli(20000, {}, {}, {"run", "--service"});
        ASSERT_TRUE(r.finished) << k.listen.toStdString();
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString told = k.more.isEmpty() ? QStringLiteral("Web ページ: ") + k.listen + k.line : k.line;
        EXPECT_TRUE(r.err.contains(QStringLiteral("velloran-cli: ") + told)) << r.err.toStdString();
        EXPECT_EQ(linesStarting(r.out, "alarm: ").filter(told).size(), 1) << r.out.toStdString();
        EXPECT_GT(csvRows(f.csvBytes()).lines.size(), 5) << "the run went on";
    }
}

}  // namespace
}  // namespace vel::test
