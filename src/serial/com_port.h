#pragma once
// The port of a station: Com N reaches the local device (dev/comN) or, when
// velloran.ini names a URL for it, a network port. The choice is made at
// every open, so the engine and its reconnect see one port whatever the Com
// number leads to.
#include <functional>

#include <memory>

#include "serial/network_port.h"
#include "serial/qt_serial_port.h"

namespace vel {

class ComPort final : public SerialPort {
public:
    // The network URL of a Com number; empty for a local device.
    using NetworkUrlFor = std::function<QString(int16_t number)>;

    ComPort(ProgramFolder folder, NetworkUrlFor urlFor);

    void setPortNumber(int16_t number) override;
    int16_t portNumber() const override { return local_.portNumber(); }
    bool setSettings(const QString& settings) override;
    QString settings() const override { return local_.settings(); }
    void setHandshaking(int16_t mode) override;
    int16_t handshaking() const override { return local_.handshaking(); }
    // The URL for a network Com, else the local device.
    QString deviceFor(int16_t number) const override;
    QStringList refusedSettings() const override { return active().refusedSettings(); }

    bool open() override;
    bool reopen() override;
    void close() override { active().close(); }
    bool isOpen() const override { return active().isOpen(); }
    void prepare() override { active().prepare(); }

    void discardInput() override { active().discardInput(); }
    int outputCount() const override { return active().outputCount(); }
    void discardOutput() override { active().discardOutput(); }
    void write(const QByteArray& bytes) override { active().write(bytes); }
    void setBreak(bool on) override { active().setBreak(on); }

    void setEventHandler(EventHandler handler) override;

    QString lastDevice() const override { return active().lastDevice(); }
    QString lastOpenError() const override { return active().lastOpenError(); }

private:
    SerialPort& active() { return network_ ? static_cast<SerialPort&>(*net_) : local_; }
    const SerialPort& active() const { return network_ ? static_cast<const SerialPort&>(*net_) : local_; }
    // Picks the side the Com number leads to now (an open port stays as it is).
    void choose();

    NetworkUrlFor urlFor_;
    QtSerialPort local_;
    // Made when a Com number first leads to the network: a network port
    // keeps a thread of its own, which a local Com never needs.
    std::unique_ptr<NetworkPort> net_;
    EventHandler handler_;
    bool network_ = false;
};

}  // namespace vel
