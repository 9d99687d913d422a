#include "serial/network_port.h"

#include <QMetaObject>

#include "base/network_port_url.h"

namespace vel {
namespace {

constexpr int kConnectMs = 3000;     // a device server that does not answer by then counts as absent
constexpr int kLineAnswerMs = 1000;  // how long the COM-PORT answers are waited for

// The library's TCP has keep-alive on (the link shortens its timing). No delay: a command goes out one
// character at a time and the instrument waits for all of it (Nagle's wait
// for the server's delayed acknowledgement cost some 45 ms a command).
QString tcpAddress(const NetworkPortUrl& url) {
    const QString family = url.host.contains(u':') ? QStringLiteral("ipv6,") : QString();
    return QStringLiteral("tcp(nodelay),%1%2,%3").arg(family, url.host).arg(url.port);
}

QString gensioAddress(const NetworkPortUrl& url) {
    const QString tcp = tcpAddress(url);
    return url.kind == NetworkPortUrl::Rfc2217 ? QStringLiteral("telnet(rfc2217),") + tcp : tcp;
}

}  // namespace

NetworkPort::NetworkPort() : context_(std::make_unique<QObject>()) {
    // The link reports on its own thread; each report is queued to the
    // port's thread. The link is joined before the context goes, so no
    // report reaches a destroyed port.
    QObject* context = context_.get();
    GensioLink::Events events;
    events.received = [this, context](const QByteArray& bytes) {
        const quint64 chunk = ++chunks_;
        QMetaObject::invokeMethod(context, [this, bytes, chunk] { onReceived(bytes, chunk); }, Qt::QueuedConnection);
    };
    events.drained = [this, context] {
        QMetaObject::invokeMethod(context, [this] { if (isOpen()) deliver(CommEvSend); }, Qt::QueuedConnection);
    };
    events.lost = [this, context] {
        const quint64 connection = connection_;
        QMetaObject::invokeMethod(context, [this, connection] { onLost(connection); }, Qt::QueuedConnection);
    };
    link_ = std::make_unique<GensioLink>(std::move(events));
}

NetworkPort::~NetworkPort() {
    handler_ = nullptr;
    link_.reset();
    context_.reset();
}

bool NetworkPort::setSettings(const QString& text) {
    const auto parsed = parseLineSettings(text);
    if (!parsed) return false;
    line_ = *parsed;
    if (isOpen()) applyLine();
    return true;
}

void NetworkPort::setHandshaking(int16_t mode) {
    const std::optional<int16_t> taken = portHandshaking(mode);
    if (!taken) return;
    handshaking_ = *taken;
    if (isOpen()) applyLine();
}

bool NetworkPort::rfc2217() const {
    const auto url = parseNetworkPortUrl(url_);
    return url && url->kind == NetworkPortUrl::Rfc2217;
}

bool NetworkPort::open() {
    if (isOpen()) return true;
    lastDevice_ = url_;
    lastOpenError_.clear();
    refused_.clear();
    const auto url = parseNetworkPortUrl(url_);
    if (!url) {
        lastOpenError_ = QStringLiteral("not a network port: ") + url_;
        return false;
    }
    decoder_ = cp932::Decoder();
    discardedUpTo_ = chunks_;
    ++connection_;
    if (!link_->open(gensioAddress(*url), kConnectMs, lastOpenError_)) return false;
    applyLine();
    return true;
}

void NetworkPort::close() {
    ++connection_;  // a loss reported for the connection closed here is old news
    link_->close();
    refused_.clear();
    decoder_ = cp932::Decoder();
}

void NetworkPort::applyLine() {
    // A raw connection has no line to set: the device server's own settings hold.
    refused_ = rfc2217() ? link_->applyLine(line_, handshaking_, kLineAnswerMs) : QStringList();
}

void NetworkPort::prepare() {
    if (!isOpen()) return;
    link_->setModemLines(true);
    discardInput();
}

void NetworkPort::discardInput() {
    decoder_ = cp932::Decoder();
    discardedUpTo_ = chunks_;  // what is queued to this thread so far is dropped on arrival
}

void NetworkPort::setBreak(bool on) {
    if (isOpen()) link_->setBreak(on);
}

void NetworkPort::onReceived(const QByteArray& bytes, quint64 chunk) {
    if (chunk <= discardedUpTo_ || !isOpen()) return;
    const QString text = decoder_.feed(bytes);
    if (!text.isEmpty()) deliver(CommEvReceive, text);
}

void NetworkPort::onLost(quint64 connection) {
    if (connection != connection_) return;
    close();
    deliver(CommErDcb);
}

void NetworkPort::deliver(int code, const QString& data) {
    if (!handler_) return;
    CommEvent event;
    event.code = code;
    event.data = data;
    const EventHandler handler = handler_;  // a handler that replaces itself keeps running safely
    handler(event);
}

bool networkPortAnswers(const QString& url, int timeoutMs) {
    const auto parsed = parseNetworkPortUrl(url);
    if (!parsed) return false;
    // The bare TCP connection: no telnet talk with a server that may be
    // about to turn a second user away.
    GensioLink link({});
    QString error;
    return link.open(tcpAddress(*parsed), timeoutMs, error);
}

}  // namespace vel
