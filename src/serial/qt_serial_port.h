#pragma once
// The serial port on QSerialPort. Received bytes are decoded from CP932 as they
// arrive (a lead byte at the end of a chunk waits for its trail) and delivered
// as CommEvReceive events; a drained output buffer as a CommEvSend event;
// line errors and modem-line changes come from the
// driver where it reports them; a device that vanishes while open closes the
// port and is reported as a CommErDcb event. Needs a running Qt event loop.
#include <QStringList>

#include <memory>

#include "base/program_folder.h"
#include "serial/line_settings.h"
#include "serial/line_watch.h"
#include "serial/serial_port.h"
#include "text/cp932.h"

class QSerialPort;
class QTimer;

namespace vel {

class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(ProgramFolder folder);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void setPortNumber(int16_t number) override;
    int16_t portNumber() const override { return number_; }
    bool setSettings(const QString& settings) override;
    QString settings() const override { return formatLineSettings(line_); }
    void setHandshaking(int16_t mode) override;
    int16_t handshaking() const override { return handshaking_; }
    QString deviceFor(int16_t number) const override;
    // A pseudo-terminal refuses some parities and data bits, for example.
    QStringList refusedSettings() const override { return refused_; }

    bool open() override;
    bool reopen() override;
    void close() override;
    bool isOpen() const override;
    // RTS and DTR on, pending input discarded.
    void prepare() override;

    void discardInput() override;
    int outputCount() const override;
    void discardOutput() override;
    void write(const QByteArray& bytes) override;
    void setBreak(bool on) override;

    void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }

    QString lastDevice() const override { return lastDevice_; }
    QString lastOpenError() const override { return lastOpenError_; }

private:
    bool openDevice(QString device);
    void applyLineSettings();
    bool applyFlowControl();
    void onReadyRead();
    void onReadFailed();
    void onDeviceLost();
    void pollLines();
    void deliver(int code, const QString& data = {});

    ProgramFolder folder_;
    int16_t number_ = 1;
    LineSettings line_;
    int16_t handshaking_ = 0;
    std::unique_ptr<QSerialPort> port_;
    std::unique_ptr<QTimer> lineTimer_;
    LineWatch watch_;
    cp932::Decoder decoder_;
    EventHandler handler_;
    QStringList refused_;
    bool closing_ = false;  // the device vanished; the close is on its way
    QString runDevice_;  // what the Com number named at the last successful open
    QString lastDevice_;
    QString lastOpenError_;
};

}  // namespace vel
