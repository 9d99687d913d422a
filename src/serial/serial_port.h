#pragma once
// The serial line of one channel as the engine sees it. The program uses the
// QSerialPort implementation (serial/qt_serial_port.h); tests use a fake.
#include <QByteArray>
#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace vel {

// Communication event codes delivered to the receive handler.
enum CommEventCode : int {
    CommEvSend = 1,
    CommEvReceive = 2,
    CommEvCts = 3,
    CommEvDsr = 4,
    CommEvCd = 5,
    CommEvRing = 6,
    CommEvEof = 7,
    CommErBreak = 1001,
    CommErCtsTimeout = 1002,
    CommErDsrTimeout = 1003,
    CommErFrame = 1004,
    CommErOverrun = 1006,
    CommErCdTimeout = 1007,
    CommErRxOver = 1008,
    CommErParity = 1009,
    CommErTxFull = 1010,
    CommErDcb = 1011,
};

// The keys refusedSettings() reports, one per line setting.
namespace refused_key {
inline constexpr QLatin1String kSpeed{"speed"};
inline constexpr QLatin1String kDataBits{"data bits"};
inline constexpr QLatin1String kParity{"parity"};
inline constexpr QLatin1String kStopBits{"stop bits"};
inline constexpr QLatin1String kHandshaking{"handshaking"};
}  // namespace refused_key

struct CommEvent {
    int code = CommEvReceive;
    QString data;  // the received text for CommEvReceive (already decoded from CP932)
};

class SerialPort {
public:
    using EventHandler = std::function<void(const CommEvent&)>;
    virtual ~SerialPort() = default;

    // "Com N": the device is chosen when the port opens.
    virtual void setPortNumber(int16_t number) = 0;
    virtual int16_t portNumber() const = 0;
    // "9600,n,8,1": speed, parity letter, data bits, stop bits. False when the
    // text is not a valid settings string (the previous settings stay).
    virtual bool setSettings(const QString& settings) = 0;
    // The settings as the port reports them, parity letter in lower case.
    virtual QString settings() const = 0;
    // 0 none, 1 XON/XOFF, 2 RTS/CTS (3, both, reads back as 2).
    virtual void setHandshaking(int16_t mode) = 0;
    virtual int16_t handshaking() const = 0;
    // The Linux device that Com N reaches, for display.
    virtual QString deviceFor(int16_t number) const = 0;
    // The settings the open device refused when they were last applied, as
    // refused_key keys; empty while the port is closed. The port stays open
    // with whatever the device kept, so the user has to be told.
    virtual QStringList refusedSettings() const = 0;

    // Opens the device; false (no exception, no message) when it cannot be opened.
    virtual bool open() = 0;
    // Opens again, after the device went away during a run, only the device
    // the last open reached (or the one its Com link names now): never a
    // default device that happens to answer for the Com number.
    virtual bool reopen() { return open(); }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Receive as soon as one character waits, RTS and DTR asserted.
    virtual void prepare() = 0;

    virtual void discardInput() = 0;
    virtual int outputCount() const = 0;
    virtual void discardOutput() = 0;
    virtual void write(const QByteArray& bytes) = 0;
    virtual void setBreak(bool on) = 0;

    // Called for every communication event, on the thread that runs the engine.
    virtual void setEventHandler(EventHandler handler) = 0;

    // The device the last open tried (where the dev/comN link leads), and the
    // system's reason when it could not be opened (empty after a success):
    // velloran-cli tells the operator which device a station uses.
    virtual QString lastDevice() const { return {}; }
    virtual QString lastOpenError() const { return {}; }
};

}  // namespace vel
