#include "web/web_server.h"

#include <httplib.h>

#include <QFile>
#include <QFileInfo>

#include <sys/socket.h>

#include "web/web_auth.h"
#include "web/web_texts.h"

namespace vel {
namespace {

// A live stream says something at least this often, so that proxies and
// browsers keep an idle connection open.
constexpr std::chrono::seconds kKeepAliveEvery{15};
// Threads that serve: every live stream holds one, the others answer the
// page's requests.
constexpr std::size_t kServerThreads = EventHub::kMaxClients + 8;

constexpr int kSendBuffer = 64 * 1024;

constexpr long long kMinSpan = 60;
constexpr long long kMaxSpan = 2'592'000;
constexpr long long kDefaultSpan = 3600;

QString text(const std::string& s) { return QString::fromStdString(s); }

const char* contentType(const QString& file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == "html") return "text/html; charset=utf-8";
    if (suffix == "js") return "text/javascript; charset=utf-8";
    if (suffix == "css") return "text/css; charset=utf-8";
    if (suffix == "svg") return "image/svg+xml";
    if (suffix == "png") return "image/png";
    if (suffix == "ico") return "image/x-icon";
    if (suffix == "json") return "application/json; charset=utf-8";
    return "application/octet-stream";
}

void json(httplib::Response& res, const QByteArray& body) {
    res.set_header("Cache-Control", "no-cache");
    res.set_content(body.constData(), static_cast<size_t>(body.size()), "application/json; charset=utf-8");
}

// The page's files, compiled into the program under :/web/.
void serveFile(const httplib::Request& req, httplib::Response& res) {
    const QString path = text(req.path) == "/" ? QStringLiteral("index.html") : text(req.path).mid(1);
    QFile file(QStringLiteral(":/web/") + path);
    if (path.contains(QLatin1String("..")) || path.contains(u'\\') || !file.open(QIODevice::ReadOnly)) {
        res.status = 404;
        return;
    }
    const QByteArray body = file.readAll();
    res.set_header("Cache-Control", "no-cache");
    res.set_content(body.constData(), static_cast<size_t>(body.size()), contentType(path));
}

// span=60..2592000 seconds; nullopt for anything else.
std::optional<long long> spanOf(const httplib::Request& req) {
    if (!req.has_param("span")) return kDefaultSpan;
    bool ok = false;
    const long long span = text(req.get_param_value("span")).toLongLong(&ok);
    if (!ok || span < kMinSpan || span > kMaxSpan) return std::nullopt;
    return span;
}

void routes(httplib::Server& server, const QString& token, WebBoard& board, EventHub& hub) {
    server.set_pre_routing_handler([token](const httplib::Request& req, httplib::Response& res) {
        WebCredentials sent{text(req.get_header_value("Authorization")), text(req.get_header_value("Cookie")),
                            text(req.get_param_value("token")), req.has_param("token")};
        switch (checkAccess(token, sent)) {
        case WebAccess::Granted: return httplib::Server::HandlerResponse::Unhandled;
        case WebAccess::GrantedByQuery:
            res.set_header("Set-Cookie", tokenCookie(token).toStdString());
            if (req.path != "/") return httplib::Server::HandlerResponse::Unhandled;
            // The token leaves the address bar: the page again, without it.
            res.status = 303;
            res.set_header("Location", "/");
            return httplib::Server::HandlerResponse::Handled;
        case WebAccess::Refused: break;
        }
        res.status = 401;
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get("/api/latest", [&board](const httplib::Request&, httplib::Response& res) { json(res, board.latestJson()); });
    server.Get("/api/trend", [&board](const httplib::Request& req, httplib::Response& res) {
        const std::optional<long long> span = spanOf(req);
        if (!span) {
            res.status = 400;
            return;
        }
        const std::optional<QByteArray> body =
            board.trendJson(text(req.get_param_value("station")), text(req.get_param_value("item")), *span);
        if (!body) {
            res.status = 404;
            return;
        }
        json(res, *body);
    });
    server.Get("/api/events", [&board, &hub](const httplib::Request&, httplib::Response& res) {
        std::shared_ptr<EventClient> client = hub.join(board.stateEvents());
        if (!client) {
            res.status = 503;  // as many streams as the server keeps
            return;
        }
        res.set_header("Cache-Control", "no-cache");
        res.set_chunked_content_provider(
            "text/event-stream",
            [client](size_t, httplib::DataSink& sink) {
                std::deque<QByteArray> events;
                switch (client->take(events, kKeepAliveEvery)) {
                case EventClient::Wait::Closed: return false;  // dropped, or the server stops
                case EventClient::Wait::TimedOut: return sink.write(": keep-alive\n\n", 14);
                case EventClient::Wait::Events: break;
                }
                QByteArray all;
                for (const QByteArray& e : events) all += e;
                return sink.write(all.constData(), static_cast<size_t>(all.size()));
            },
            [client, &hub](bool) { hub.leave(client); });
    });
    server.Get(R"(/[^/]*)", serveFile);
}

std::unique_ptr<httplib::Server> makeServer(const WebConfig& config) {
    if (!config.https()) return std::make_unique<httplib::Server>();
    auto server = std::make_unique<httplib::SSLServer>(QFile::encodeName(config.cert).constData(),
                                                       QFile::encodeName(config.key).constData());
    if (!server->is_valid()) return nullptr;
    return server;
}

}  // namespace

WebServer::WebServer(std::unique_ptr<httplib::Server> server, EventHub& hub, QString url)
    : server_(std::move(server)), hub_(hub), url_(std::move(url)) {
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

std::unique_ptr<WebServer> WebServer::start(const WebConfig& config, WebBoard& board, EventHub& hub,
                                            QString& failure) {
    if (failure = webRefusal(config); !failure.isEmpty()) return nullptr;
    std::unique_ptr<httplib::Server> server = makeServer(config);
    if (!server) {
        failure = webtexts::badCertificate(config.cert, config.key);
        return nullptr;
    }
    server->new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    // A stalled reader holds its thread no longer than this; an idle
    // connection is closed soon, so a stop does not wait for it long.
    server->set_write_timeout(2);
    // Not the library's SO_REUSEPORT: a second program on the same port
    // would share it silently, each answering some of the requests. What the
    // system holds for a client that does not read stays small (the
    // connections inherit it), so such a client is found out soon.
    server->set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        const int bytes = kSendBuffer;
        ::setsockopt(sock, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    });
    server->set_keep_alive_timeout(1);
    routes(*server, config.token, board, hub);
    if (!server->bind_to_port(config.host.toStdString(), config.port)) {
        failure = webtexts::cannotListen(config.listen);
        return nullptr;
    }
    const QString host = config.host.contains(u':') ? u'[' + config.host + u']' : config.host;
    const QString url = (config.https() ? QStringLiteral("https://") : QStringLiteral("http://")) + host + u':' +
                        QString::number(config.port) + u'/';
    return std::unique_ptr<WebServer>(new WebServer(std::move(server), hub, url));
}

WebServer::~WebServer() {
    hub_.stop();  // every live stream's thread returns
    // A stop before the server listens would be lost, and the join wait forever.
    for (int i = 0; i < 2000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server_->stop();
    if (thread_.joinable()) thread_.join();
}

}  // namespace vel
