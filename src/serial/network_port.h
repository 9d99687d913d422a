#pragma once
// A Com number reached over the network (rfc2217:// or tcp://) on
// libgensio. It behaves as the local port does for the engine: received
// bytes are decoded from CP932 and delivered as CommEvReceive events, a
// drained output as CommEvSend, a connection that drops (or that TCP
// keep-alive finds dead) closes the port and is reported as CommErDcb, as a
// vanished device is. Events arrive on the thread that made the port (it
// needs a running Qt event loop there). Over rfc2217 the line settings,
// break, DTR and RTS go to the server; over tcp they are kept but not sent.
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

#include "serial/gensio_link.h"
#include "serial/line_settings.h"
#include "serial/serial_port.h"
#include "text/cp932.h"

namespace vel {

class NetworkPort final : public SerialPort {
public:
    NetworkPort();
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    // The URL the next open connects to.
    void setUrl(const QString& url) { url_ = url; }

    void setPortNumber(int16_t number) override { number_ = number; }
    int16_t portNumber() const override { return number_; }
    bool setSettings(const QString& settings) override;
    QString settings() const override { return formatLineSettings(line_); }
    void setHandshaking(int16_t mode) override;
    int16_t handshaking() const override { return handshaking_; }
    QString deviceFor(int16_t) const override { return url_; }
    // The settings an rfc2217 server answered with other values.
    QStringList refusedSettings() const override { return refused_; }

    bool open() override;
    void close() override;
    bool isOpen() const override { return link_->isOpen(); }
    // DTR and RTS on (rfc2217), pending input discarded.
    void prepare() override;

    void discardInput() override;
    int outputCount() const override { return link_->pendingOutput(); }
    void discardOutput() override { link_->discardOutput(); }
    void write(const QByteArray& bytes) override { link_->write(bytes); }
    void setBreak(bool on) override;

    void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }

    QString lastDevice() const override { return lastDevice_; }
    QString lastOpenError() const override { return lastOpenError_; }

private:
    bool rfc2217() const;
    void applyLine();
    void onReceived(const QByteArray& bytes, quint64 chunk);
    void onLost(quint64 connection);
    void deliver(int code, const QString& data = {});

    int16_t number_ = 1;
    LineSettings line_;
    int16_t handshaking_ = 0;
    QString url_;
    std::unique_ptr<QObject> context_;  // queued calls from the link's thread land here
    std::unique_ptr<GensioLink> link_;
    std::atomic<quint64> chunks_{0};    // received chunks so far (link's thread counts)
    quint64 discardedUpTo_ = 0;         // chunks received before the last discard
    std::atomic<quint64> connection_{0};  // counts opens and closes: a loss names its connection
    cp932::Decoder decoder_;
    EventHandler handler_;
    QStringList refused_;
    QString lastDevice_;
    QString lastOpenError_;
};

// Whether a network Com answers: a connection within timeoutMs, closed at once.
bool networkPortAnswers(const QString& url, int timeoutMs);

}  // namespace vel
