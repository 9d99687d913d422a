#pragma once
// The page's HTTP(S) server on threads of its own: the page's files from the
// program's resources, /api/latest, /api/trend and the live stream
// /api/events, all read-only. No station's thread ever serves a request.
#include <QString>
#include <memory>
#include <thread>

#include "web/web_board.h"
#include "web/web_config.h"
#include "web/web_events.h"

namespace httplib {
class Server;
}

namespace vel {

class WebServer {
public:
    // Listens as `config` says and serves from its own threads; nullptr when
    // it cannot (`failure` gets the line for the user).
    static std::unique_ptr<WebServer> start(const WebConfig& config, WebBoard& board, EventHub& hub,
                                            QString& failure);
    // Closes the live streams, stops listening and waits for the threads.
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // The address the page is read at: http[s]://host:port/.
    QString url() const { return url_; }

private:
    WebServer(std::unique_ptr<httplib::Server> server, EventHub& hub, QString url);

    std::unique_ptr<httplib::Server> server_;
    EventHub& hub_;
    QString url_;
    std::thread thread_;
};

}  // namespace vel
