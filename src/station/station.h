#pragma once
// A station: one program folder with its instrument port, mail library,
// workbook, engine, run driver and outputs. The window and velloran-cli build
// every engine through it. A station of the program runs on a thread of its
// own, so that a slow disk, a full queue or a silent port of one station
// never delays another, nor the window; the window talks to it by messages
// (the calls below return at once) and hears it through its view.
//
// The engine's settings belong to the window while no run is going (the
// panels edit them, the main window loads and saves them) and to the
// station's thread from the start until the run is over: the owner touches
// engine() only while busy() is false.
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

#include "base/message_box.h"
#include "base/program_folder.h"
#include "measure/run_output.h"
#include "output/workbook.h"
#include "station/station_view.h"

namespace vel {

class Engine;
class RunDriver;
class SerialPort;

struct StationOptions {
    // The station's workbook backend (the office the process shares); empty:
    // no workbook output.
    std::function<std::unique_ptr<Workbook>(const ProgramFolder&)> makeWorkbook;
    // Outputs made for each run (the uplink).
    std::vector<RunOutputFactory> runOutputs;
};

class Station {
public:
    // A station with the real clock, serial port and mail library on a
    // thread of its own.
    Station(ProgramFolder folder, StationOptions options, StationView view = {}, StationLines lines = {});
    // A station on a borrowed engine, run on the caller's thread (tests drive
    // it with a manual clock and fakes).
    Station(Engine& engine, StationView view = {});
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // The program folder's name: the station's id on the record stream and
    // in velloran-cli's lines.
    QString name() const;
    const ProgramFolder& folder() const;
    StationView& view() { return view_; }

    // The engine, while no run is going (see above).
    Engine& engine() { return *engine_; }
    SerialPort& port();
    // From a start until the run is over (the owner's view of it).
    bool busy() const { return busy_; }

    // The start-up steps (the clock, the logs); false when the program
    // cannot run here. Waits for the station.
    bool startUp();
    // The start button: the engine's settings as the window has collected
    // them. The answer comes as view.startAnswered.
    void startRun();
    // A start without the main window: setup.dat read as the main window
    // loads it (and the workbook opened when it is switched on), then the
    // start button.
    void startUnattended();
    // Saves setup.dat as the main window does when it closes. Waits.
    void saveSettings();
    void continueAfterPause();
    // The stop the user has confirmed ("終了" after its question).
    void stop();
    // A stop without a question (a stop signal).
    void stopNow();
    void setLogSwitches(bool rsLog, bool alarmLog);

    // The run monitor model as last reported (the engine's own on the
    // caller's thread); reports come only while monitorWanted.
    const RunMonitorModel& monitor() const;
    void setMonitorWanted(bool wanted);
    const StationStatus& status() const { return status_; }
    // The settings of the run whose monitor opened last.
    RunOpening opening() const;
    // A run is going (from the start until it is over).
    bool running() const;
    // Every evaluated value, copied to the owner's thread (the trend); empty
    // stops it.
    void watchValues(std::function<void(const ValueSeen&)> watch);

private:
    struct Parts;
    class ValueRelay;
    void onStation(std::function<void()> call);
    void onStationWait(const std::function<void()>& call);
    void onOwner(std::function<void()> call);
    void connectEngine();
    void afterTick();
    void report();
    void overOnStation();
    void beginRun(bool unattended);

    const bool threaded_;
    StationView view_;
    StationLines lines_;
    StationOptions options_;
    QObject ownerContext_;             // queued calls to the owner's thread
    QThread thread_;
    QObject* stationContext_ = nullptr;  // queued calls to the station's thread
    std::unique_ptr<Parts> parts_;     // the platform and the engine (threaded)
    Engine* engine_ = nullptr;
    std::unique_ptr<RunDriver> driver_;
    std::unique_ptr<ValueRelay> relay_;
    // The owner's side.
    bool busy_ = false;
    RunMonitorModel monitor_;
    StationStatus status_;
    RunOpening opening_;
    std::function<void(const ValueSeen&)> valueWatch_;
    // The station's side.
    bool monitorWanted_ = false;
    bool watching_ = false;
    QElapsedTimer reportClock_;  // paces the reports (read on the station's thread)
    qint64 lastReportMs_ = -1;
    bool reportPending_ = false;
};

}  // namespace vel
