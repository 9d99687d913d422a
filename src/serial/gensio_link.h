#pragma once
// One network connection through libgensio on a thread of its own. The
// library runs there as in a single-threaded program (its own selector and
// os handler, no wake signal): every library call happens on that thread,
// the owner hands work over through a queue and wakes it with an eventfd.
// What arrives is reported through Events on the link's thread; the owner
// moves it to its own thread.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

namespace vel {

struct LineSettings;

class GensioLink {
public:
    struct Events {
        std::function<void(const QByteArray&)> received;
        std::function<void()> drained;  // everything written has been handed to the network
        std::function<void()> lost;     // the connection dropped (or keep-alive found a dead peer)
    };

    explicit GensioLink(Events events);
    ~GensioLink();
    GensioLink(const GensioLink&) = delete;
    GensioLink& operator=(const GensioLink&) = delete;

    // Connects to a gensio such as "telnet(rfc2217),tcp,host,port" within
    // timeoutMs; false with the library's reason otherwise (nothing stays held).
    bool open(const QString& address, int timeoutMs, QString& error);
    void close();
    bool isOpen() const;

    void write(const QByteArray& bytes);
    int pendingOutput() const;
    void discardOutput();

    // RFC 2217: asks the server for the line settings and waits up to
    // timeoutMs for its answers. Returns the refused_key keys the server
    // answered with another value; a setting not answered in time is not
    // counted and holds nothing up. Nothing on a raw connection.
    QStringList applyLine(const LineSettings& line, int16_t handshaking, int timeoutMs);
    // RFC 2217: break on or off, DTR and RTS. Answers are not awaited.
    void setBreak(bool on);
    void setModemLines(bool on);

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace vel
