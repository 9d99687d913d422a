#include "serial/qt_serial_port.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

#include "serial/port_device.h"

namespace vel {
namespace {

constexpr int kLinePollMs = 50;  // how often line errors and modem lines are looked at

QSerialPort::Parity qtParity(char letter) {
    switch (letter) {
    case 'e': return QSerialPort::EvenParity;
    case 'o': return QSerialPort::OddParity;
    case 'm': return QSerialPort::MarkParity;
    case 's': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits qtStopBits(const QString& stopBits) {
    if (stopBits == "1.5") return QSerialPort::OneAndHalfStop;
    if (stopBits == "2") return QSerialPort::TwoStop;
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl qtFlowControl(int16_t mode) {
    switch (mode) {
    case 1: return QSerialPort::SoftwareControl;
    case 2: return QSerialPort::HardwareControl;
    default: return QSerialPort::NoFlowControl;
    }
}

}  // namespace

QtSerialPort::QtSerialPort(ProgramFolder folder)
    : folder_(std::move(folder)),
      port_(std::make_unique<QSerialPort>()),
      lineTimer_(std::make_unique<QTimer>()) {
    lineTimer_->setInterval(kLinePollMs);
    QObject::connect(lineTimer_.get(), &QTimer::timeout, lineTimer_.get(), [this] { pollLines(); });
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] { onReadyRead(); });
    // The send event: the output buffer has drained (a send waiting for its
    // bytes to leave is over).
    QObject::connect(port_.get(), &QSerialPort::bytesWritten, port_.get(), [this] {
        if (isOpen() && port_->bytesToWrite() == 0) deliver(CommEvSend);
    });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) {
                         // A device that is unplugged (or a pseudo-terminal whose
                         // other side closed) fails every read from then on.
                         if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
                             onReadFailed();
                     });
}

QtSerialPort::~QtSerialPort() {
    handler_ = nullptr;
    close();
}

void QtSerialPort::setPortNumber(int16_t number) { number_ = number; }

bool QtSerialPort::setSettings(const QString& text) {
    const auto parsed = parseLineSettings(text);
    if (!parsed) return false;
    line_ = *parsed;
    if (isOpen()) applyLineSettings();
    return true;
}

void QtSerialPort::setHandshaking(int16_t mode) {
    const std::optional<int16_t> taken = portHandshaking(mode);
    if (!taken) return;
    handshaking_ = *taken;
    if (isOpen()) {
        refused_.removeAll(refused_key::kHandshaking);
        if (!applyFlowControl()) refused_ << refused_key::kHandshaking;
    }
}

QString QtSerialPort::deviceFor(int16_t number) const { return comDevice(folder_, number); }

bool QtSerialPort::open() {
    if (isOpen()) return true;
    const QString named = comDevice(folder_, number_);
    if (!openDevice(named)) return false;
    runDevice_ = named;
    return true;
}

bool QtSerialPort::reopen() {
    if (isOpen()) return true;
    // The Com link, while it is there, names the instrument (udev or a
    // restarted simulator may point it at the new device by now). Gone with
    // the instrument, the device the last open reached stands in for it:
    // never the default device of the Com number, which would answer at once
    // for an instrument that is not there.
    const QFileInfo link(folder_.comLink(number_));
    const QString named = link.isSymLink() || link.exists() ? comDevice(folder_, number_) : runDevice_;
    if (!openDevice(named)) return false;
    runDevice_ = named;
    return true;
}

bool QtSerialPort::openDevice(QString device) {
    lastDevice_.clear();
    lastOpenError_.clear();
    if (device.isEmpty()) {
        lastOpenError_ = QStringLiteral("no device for Com%1").arg(number_);
        return false;
    }
    const QFileInfo info(device);
    // One name per device, so that two links to it still lock the same device.
    if (info.exists()) device = info.canonicalFilePath();
    lastDevice_ = info.exists() || !info.isSymLink() ? device : info.symLinkTarget();

    // The port opens with settings every tty accepts; ours are applied after,
    // where a refusal is reported instead of failing the open.
    port_->setPortName(device);
    port_->setBaudRate(QSerialPort::Baud9600);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    port_->clearError();
    closing_ = false;
    decoder_ = cp932::Decoder();
    if (!port_->open(QIODevice::ReadWrite)) {
        lastOpenError_ = port_->errorString();
        port_->clearError();
        return false;
    }
    applyLineSettings();
    watch_.start(static_cast<int>(port_->handle()));
    if (watch_.active()) lineTimer_->start();
    return true;
}

void QtSerialPort::close() {
    lineTimer_->stop();
    watch_.stop();
    if (port_->isOpen()) port_->close();
    port_->clearError();
    refused_.clear();  // what the next device refuses is found when it opens
    decoder_ = cp932::Decoder();
    closing_ = false;
}

bool QtSerialPort::isOpen() const { return port_->isOpen() && !closing_; }

void QtSerialPort::prepare() {
    if (!isOpen()) return;
    port_->setDataTerminalReady(true);
    port_->clearError();
    // Under RTS/CTS flow control the driver drives RTS itself.
    if (port_->flowControl() != QSerialPort::HardwareControl) port_->setRequestToSend(true);
    port_->clearError();
    discardInput();
}

void QtSerialPort::discardInput() {
    decoder_ = cp932::Decoder();
    if (!isOpen()) return;
    port_->clear(QSerialPort::Input);
    port_->readAll();
    port_->clearError();
}

int QtSerialPort::outputCount() const {
    return isOpen() ? static_cast<int>(port_->bytesToWrite()) : 0;
}

void QtSerialPort::discardOutput() {
    if (!isOpen()) return;
    port_->clear(QSerialPort::Output);
    port_->clearError();
}

void QtSerialPort::write(const QByteArray& bytes) {
    if (!isOpen() || bytes.isEmpty()) return;
    if (port_->write(bytes) < 0) port_->clearError();
}

void QtSerialPort::setBreak(bool on) {
    if (!isOpen()) return;
    port_->setBreakEnabled(on);
    port_->clearError();
}

void QtSerialPort::applyLineSettings() {
    refused_.clear();
    auto check = [this](bool ok, const QString& what) {
        if (!ok) refused_ << what;
        port_->clearError();  // Qt's error state would otherwise colour the next call
    };
    check(port_->setBaudRate(line_.speed), refused_key::kSpeed);
    check(port_->setDataBits(static_cast<QSerialPort::DataBits>(line_.dataBits)), refused_key::kDataBits);
    check(port_->setParity(qtParity(line_.parity)), refused_key::kParity);
    check(port_->setStopBits(qtStopBits(line_.stopBits)), refused_key::kStopBits);
    check(applyFlowControl(), refused_key::kHandshaking);
}

bool QtSerialPort::applyFlowControl() {
    const bool ok = port_->setFlowControl(qtFlowControl(handshaking_));
    port_->clearError();
    return ok;
}

void QtSerialPort::onReadyRead() {
    if (!isOpen()) return;
    const QByteArray bytes = port_->readAll();
    if (bytes.isEmpty()) return;
    const QString text = decoder_.feed(bytes);
    if (!text.isEmpty()) deliver(CommEvReceive, text);
}

// Qt reports a read that found nothing (the input was discarded after the
// line said it had data, or an old errno) as a lost device, and stops
// reading. Only a device that has hung up is lost; a live one is read again.
void QtSerialPort::onReadFailed() {
    if (closing_ || !port_->isOpen()) return;
    if (deviceHungUp(static_cast<int>(port_->handle()))) {
        onDeviceLost();
        return;
    }
    QTimer::singleShot(0, port_.get(), [this] {
        if (!isOpen()) return;
        port_->clearError();
        onReadyRead();  // reading through Qt starts its read notifications again
    });
}

void QtSerialPort::onDeviceLost() {
    if (closing_ || !port_->isOpen()) return;
    // Closing inside Qt's own error signal is not safe; close once control is
    // back in the event loop. Until then the port already counts as closed.
    closing_ = true;
    lineTimer_->stop();
    QTimer::singleShot(0, port_.get(), [this] {
        if (!closing_) return;
        close();
        deliver(CommErDcb);
    });
}

void QtSerialPort::pollLines() {
    if (!isOpen()) return;
    for (int code : watch_.poll()) {
        deliver(code);
        if (!isOpen()) return;  // the handler may close the port
    }
    if (!watch_.active()) lineTimer_->stop();
}

void QtSerialPort::deliver(int code, const QString& data) {
    if (!handler_) return;
    CommEvent event;
    event.code = code;
    event.data = data;
    // A copy, so that a handler that replaces itself keeps running safely.
    const EventHandler handler = handler_;
    handler(event);
}

}  // namespace vel
