#pragma once
// A serial port without a device: records what the engine does to it and
// lets a test deliver communication events as the line would.
#include <QByteArrayList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "serial/serial_port.h"

namespace vel::test {

class FakeSerialPort : public SerialPort {
public:
    void setPortNumber(int16_t number) override { portNumber_ = number; }
    int16_t portNumber() const override { return portNumber_; }
    bool setSettings(const QString& s) override {
        if (s.split(QLatin1Char(',')).size() != 4) return false;
        settings_ = s;
        return true;
    }
    QString settings() const override { return settings_; }
    void setHandshaking(int16_t mode) override { handshaking_ = mode == 3 ? 2 : mode; }
    int16_t handshaking() const override { return handshaking_; }
    QString deviceFor(int16_t number) const override {
        return networkUrls.contains(number) ? networkUrls.value(number) : "/dev/ttyS" + QString::number(number - 1);
    }
    QStringList refusedSettings() const override { return open_ ? refuses : QStringList(); }
    // Com numbers reached over the network, as a station's port names them.
    QMap<int16_t, QString> networkUrls;

    bool open() override {
        ++opens;
        if (!canOpen) return false;
        open_ = true;
        return true;
    }
    void close() override {
        ++closes;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    void prepare() override { ++prepares; }

    void discardInput() override { ++inputDiscards; }
    int outputCount() const override { return pendingOutput; }
    void discardOutput() override {
        ++outputDiscards;
        pendingOutput = 0;
    }
    void write(const QByteArray& bytes) override { writes.append(bytes); }
    void setBreak(bool on) override { breaks.append(on); }

    void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }

    // Delivers one event to the engine's handler, as the port would.
    void deliver(const CommEvent& event) {
        if (handler_) handler_(event);
    }
    void receive(const QString& text) { deliver(CommEvent{CommEvReceive, text}); }
    void event(int code) { deliver(CommEvent{code, {}}); }
    // The device goes (unplugged): the port closes itself and reports it, as
    // the real one does, and cannot be opened until it comes back.
    void vanish() {
        open_ = false;
        canOpen = false;
        event(CommErDcb);
    }
    // The device is there again behind the same Com number.
    void comeBack() { canOpen = true; }

    // What the engine did.
    QByteArrayList writes;
    QList<bool> breaks;
    int inputDiscards = 0;
    int outputDiscards = 0;
    int opens = 0;
    int closes = 0;
    int prepares = 0;

    // How the line behaves.
    bool canOpen = true;
    int pendingOutput = 0;  // bytes not yet transmitted
    QStringList refuses;    // refused_key keys the device refuses while open

private:
    int16_t portNumber_ = 1;
    QString settings_ = QStringLiteral("9600,n,8,1");
    int16_t handshaking_ = 0;
    bool open_ = false;
    EventHandler handler_;
};

}  // namespace vel::test
