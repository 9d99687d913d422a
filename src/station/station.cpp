#include "station/station.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <optional>

#include "base/system_clock.h"
#include "engine/engine.h"
#include "engine/run_driver.h"
#include "mail/curl_mailer.h"
#include "serial/com_port.h"
#include "settings/channel0_port.h"
#include "settings/extension_settings.h"
#include "settings/setup_dat_file.h"
#include "station/posted_message_box.h"
#include "station/station_status_watch.h"
#include "station/unattended_start.h"

namespace vel {
namespace {

// The status (the line overview) is reported at most this often while a run
// goes; the run monitor at most every usual tick.
constexpr qint64 kStatusEveryMs = 100;

QString folderName(const QString& root) { return QFileInfo(root).fileName(); }

// What the run monitor shows of the engine's settings as it opens.
RunOpening openingOf(const Engine& engine) {
    return RunOpening{engine.settings().rsLogEnabled, engine.settings().alarmLogEnabled, engine.extensions()};
}

// A Com number's port: the local device, or the URL velloran.ini names for it.
std::unique_ptr<ComPort> comPort(const ProgramFolder& folder) {
    return std::make_unique<ComPort>(
        folder, [folder](int16_t n) { return networkPortUrl(loadExtensionSettings(folder.extensionIni()), n); });
}

std::array<std::unique_ptr<ComPort>, kChannels> makeChannelPorts(const ProgramFolder& folder) {
    std::array<std::unique_ptr<ComPort>, kChannels> ports;
    for (int ch = 1; ch < kChannels; ++ch) ports[static_cast<size_t>(ch)] = comPort(folder);
    return ports;
}

std::array<SerialPort*, kChannels> portsOf(const std::array<std::unique_ptr<ComPort>, kChannels>& ports) {
    std::array<SerialPort*, kChannels> p{};
    for (size_t ch = 1; ch < ports.size(); ++ch) p[ch] = ports[ch].get();
    return p;
}

}  // namespace

// The platform and the engine of a station on its own thread, made and
// destroyed there (the serial port's notifiers belong to that thread).
struct Station::Parts {
    SystemClock clock;
    PostedMessageBox box;
    std::unique_ptr<ComPort> port;
    CurlMailer mailer;
    std::unique_ptr<Workbook> workbook;
    // The ports of channels 1–7 (CHN:n); velloran.ini names their devices.
    std::array<std::unique_ptr<ComPort>, kChannels> channelPorts;
    Engine engine;

    Parts(const ProgramFolder& folder, std::function<void(const QString&, bool)> post,
          const StationOptions& options, std::function<void()> beep)
        : box(std::move(post)),
          port(comPort(folder)),
          mailer(clock),
          workbook(options.makeWorkbook ? options.makeWorkbook(folder) : nullptr),
          channelPorts(makeChannelPorts(folder)),
          // The station's own events may run inside a step (the workbook's
          // start cell waits for the office there).
          engine(EnginePlatform{clock, box, *port, mailer, folder, [] { QCoreApplication::processEvents(); },
                                std::move(beep), /*outputThreads=*/true, folderName(folder.root),
                                portsOf(channelPorts)}) {
        engine.workbook().app = workbook.get();
    }
};

// On the station's thread: the status counts, and every evaluated value
// copied to the owner while the trend watches.
class Station::ValueRelay : public RecordSubscriber {
public:
    explicit ValueRelay(Station& station) : station_(station) {}
    void runEvent(const RunEvent& e) override { status.runEvent(e); }
    void recordClosed(const ClosedRecord& r) override { status.recordClosed(r); }
    void valueEvaluated(const EvaluatedValue& v) override {
        status.valueEvaluated(v);
        if (!station_.watching_) return;
        ValueSeen seen{v.index, v.itemNumber, v.item(), v.at};
        station_.onOwner([s = &station_, seen = std::move(seen)] {
            if (s->valueWatch_) s->valueWatch_(seen);
        });
    }
    StationStatusWatch status;
    Subscription subscription;

private:
    Station& station_;
};

Station::Station(ProgramFolder folder, StationOptions options, StationView view, StationLines lines)
    : threaded_(true), view_(std::move(view)), lines_(std::move(lines)), options_(std::move(options)) {
    reportClock_.start();
    thread_.setObjectName(QStringLiteral("station ") + folderName(folder.root));
    stationContext_ = new QObject;
    stationContext_->moveToThread(&thread_);
    thread_.start();
    onStationWait([this, folder] {
        parts_ = std::make_unique<Parts>(
            folder, [this](const QString& text, bool warning) {
                onOwner([this, text, warning] {
                    if (view_.notice) view_.notice(text, warning);
                });
            },
            options_, [this] {
                onOwner([this] {
                    if (view_.beep) view_.beep();
                });
            });
        engine_ = &parts_->engine;
        if (lines_.beforeWait)
            QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                             stationContext_, [this] { lines_.beforeWait(); });
        for (const RunOutputFactory& output : options_.runOutputs) engine_->addRunOutput(output);
        connectEngine();
    });
}

Station::Station(Engine& engine, StationView view) : threaded_(false), view_(std::move(view)) {
    reportClock_.start();
    stationContext_ = &ownerContext_;
    engine_ = &engine;
    connectEngine();
}

// A station of the program stops its run (as a stop signal would) and ends
// its thread; a borrowed engine is left as it is, without the station's hooks.
Station::~Station() {
    if (!threaded_) {
        relay_.reset();
        driver_.reset();
        engine_->hooks() = MainWindowHooks{};
        return;
    }
    onStationWait([this] {
        if (engine_->running()) driver_->stopNow();
        relay_.reset();
        driver_.reset();
        parts_.reset();
    });
    thread_.quit();
    thread_.wait();
    delete stationContext_;
}

// The engine's hooks to the view and the lines, on the station's thread.
void Station::connectEngine() {
    MainWindowHooks& hooks = engine_->hooks();
    hooks.showAcquisitionNumber = [this](int32_t number) {
        onOwner([this, number] {
            if (view_.acquisitionNumber) view_.acquisitionNumber(number);
        });
    };
    hooks.cursor.showColumn = [this](const QString& letters) {
        onOwner([this, letters] {
            if (view_.startColumn) view_.startColumn(letters);
        });
    };
    hooks.cursor.showRow = [this](int32_t row) {
        onOwner([this, row] {
            if (view_.startRow) view_.startRow(row);
        });
    };
    hooks.cursor.processEvents = [] { QCoreApplication::processEvents(); };
    hooks.showRunMonitor = [this] {
        onOwner([this, opening = openingOf(*engine_)] {
            opening_ = opening;
            if (view_.runMonitorOpened) view_.runMonitorOpened();
        });
    };
    if (threaded_) {
        engine_->lineHooks().rsLine = lines_.rsLine;
        engine_->lineHooks().alarmLine = lines_.alarmLine;
    }
    driver_ = std::make_unique<RunDriver>(*engine_);
    driver_->afterTick = [this] { afterTick(); };
    driver_->runOver = [this] { overOnStation(); };
    relay_ = std::make_unique<ValueRelay>(*this);
    relay_->subscription = engine_->stream().subscribe(*relay_);
}

QString Station::name() const { return folderName(engine_->platform().folder.root); }

const ProgramFolder& Station::folder() const { return engine_->platform().folder; }

SerialPort& Station::port() { return engine_->platform().port; }

void Station::onStation(std::function<void()> call) {
    if (!threaded_) {
        call();
        return;
    }
    QMetaObject::invokeMethod(stationContext_, std::move(call), Qt::QueuedConnection);
}

void Station::onStationWait(const std::function<void()>& call) {
    if (!threaded_) {
        call();
        return;
    }
    QMetaObject::invokeMethod(stationContext_, call, Qt::BlockingQueuedConnection);
}

void Station::onOwner(std::function<void()> call) {
    if (!threaded_) {
        call();
        return;
    }
    QMetaObject::invokeMethod(&ownerContext_, std::move(call), Qt::QueuedConnection);
}

bool Station::startUp() {
    bool ok = false;
    onStationWait([this, &ok] { ok = engine_->startUp(); });
    return ok;
}

void Station::startRun() { beginRun(false); }

void Station::startUnattended() { beginRun(true); }

void Station::beginRun(bool unattended) {
    if (busy_) return;
    busy_ = true;
    status_.running = true;
    onStation([this, unattended] {
        if (unattended) prepareUnattendedRun(*engine_, engine_->platform().port, engine_->platform().messages);
        const bool started = engine_->startRun();
        if (lines_.runStarted) lines_.runStarted(engine_->platform().port);
        if (started) driver_->start();
        lastReportMs_ = -1;
        report();
        onOwner([this, started] {
            if (!started) {
                busy_ = false;
                status_.running = false;
            }
            if (view_.startAnswered) view_.startAnswered(started);
        });
    });
}

void Station::saveSettings() {
    onStationWait([this] {
        vel::saveSettings(engine_->settings(), portSlotOf(engine_->platform().port), engine_->platform().folder,
                          engine_->platform().messages);
    });
}

void Station::continueAfterPause() {
    onStation([this] { driver_->continueAfterPause(); });
}

void Station::stop() {
    onStation([this] { driver_->stopConfirmed(); });
}

void Station::stopNow() {
    onStation([this] { driver_->stopNow(); });
}

void Station::setLogSwitches(bool rsLog, bool alarmLog) {
    onStation([this, rsLog, alarmLog] {
        engine_->settings().rsLogEnabled = rsLog;
        engine_->settings().alarmLogEnabled = alarmLog;
    });
}

RunOpening Station::opening() const {
    return threaded_ ? opening_ : openingOf(*engine_);
}

bool Station::running() const { return threaded_ ? busy_ : engine_->running(); }

const RunMonitorModel& Station::monitor() const { return threaded_ ? monitor_ : engine_->monitor(); }

void Station::setMonitorWanted(bool wanted) {
    onStation([this, wanted] {
        monitorWanted_ = wanted;
        lastReportMs_ = -1;
        report();
    });
}

void Station::watchValues(std::function<void(const ValueSeen&)> watch) {
    const bool on = static_cast<bool>(watch);
    valueWatch_ = std::move(watch);
    onStation([this, on] { watching_ = on; });
}

void Station::afterTick() {
    if (lines_.afterTick) lines_.afterTick(engine_->monitor());
    report();
}

// The run monitor and the status to the owner: at once when the run is not
// going (its last state must be seen), otherwise at most every usual tick
// (the status every kStatusEveryMs), the last change followed up by a timer.
void Station::report() {
    if (!relay_) return;  // a paced report that comes after the station has closed
    const qint64 now = reportClock_.elapsed();
    const qint64 every = monitorWanted_ ? kUsualTickMs : kStatusEveryMs;
    if (threaded_ && engine_->running() && lastReportMs_ >= 0 && now - lastReportMs_ < every) {
        if (!reportPending_) {
            reportPending_ = true;
            QTimer::singleShot(every - (now - lastReportMs_), stationContext_, [this] {
                reportPending_ = false;
                report();
            });
        }
        return;
    }
    lastReportMs_ = now;
    StationStatus status;
    status.lampColour = engine_->monitor().lampColour;
    status.message = engine_->monitor().labelMess;
    relay_->status.fill(status);
    if (!threaded_) {
        status_ = status;
        status_.running = busy_;
        if (view_.monitorChanged) view_.monitorChanged(engine_->monitor());
        if (view_.statusChanged) view_.statusChanged(status_);
        return;
    }
    std::optional<RunMonitorModel> model;
    if (monitorWanted_) model = engine_->monitor();
    onOwner([this, status, model = std::move(model)]() mutable {
        status_ = status;
        status_.running = busy_;
        if (model) {
            monitor_ = std::move(*model);
            if (view_.monitorChanged) view_.monitorChanged(monitor_);
        }
        if (view_.statusChanged) view_.statusChanged(status_);
    });
}

// The driver reports the run over once its outputs have finished.
void Station::overOnStation() {
    lastReportMs_ = -1;
    report();
    onOwner([this] {
        busy_ = false;
        status_.running = false;
        if (view_.statusChanged) view_.statusChanged(status_);
        if (view_.runOver) view_.runOver();
    });
}

}  // namespace vel
