#pragma once
// What a station tells the window or velloran-cli. The view's calls come on
// the thread that built the station (the window's), between the station's
// ticks, never inside one; the lines come on the station's own thread, in
// the order they were written, so that a printer keeps up with a fast line.
#include <QDateTime>
#include <QString>
#include <functional>

#include "monitor/run_monitor_model.h"
#include "script/script_tables.h"
#include "serial/serial_port.h"
#include "settings/extension_settings.h"

namespace vel {

// A station at a glance: what the line overview shows for it.
struct StationStatus {
    bool running = false;      // from the start until the run is over
    int lampColour = kColourGreen;
    QString message;           // the run monitor's message line
    QDateTime lastRecord;      // the last closed record of the run (invalid before one)
    int records = 0;           // records closed in this run
    int alarms = 0;            // alarms raised in this run
};

// The run's settings the run monitor shows, as they were when it opened.
struct RunOpening {
    bool rsLogEnabled = false;
    bool alarmLogEnabled = false;
    ExtensionSettings extensions;  // velloran.ini of the run (units, the station's uplink name)
};

// A value as the trend takes it, copied off the run's thread.
struct ValueSeen {
    int index = 0;
    int itemNumber = 0;
    DataItem item;
    QDateTime at;
};

struct StationView {
    // A notice the run would have shown in a message box (warning: an error).
    std::function<void(const QString& text, bool warning)> notice;
    // The run monitor's model, at most every usual tick while it changes.
    std::function<void(const RunMonitorModel&)> monitorChanged;
    std::function<void(const StationStatus&)> statusChanged;
    // The start button's answer: false when no run started (the reason came as a notice).
    std::function<void(bool started)> startAnswered;
    // The run monitor opens (a run is set going).
    std::function<void()> runMonitorOpened;
    // The run is over and every output has finished.
    std::function<void()> runOver;
    // Fields of the main window the run refreshes.
    std::function<void(int32_t)> acquisitionNumber;
    std::function<void(const QString&)> startColumn;
    std::function<void(int32_t)> startRow;
    std::function<void()> beep;
};

// Lines of the two logs and the run monitor after each tick, on the
// station's thread (velloran-cli prints them as they come).
struct StationLines {
    std::function<void(const QString&)> rsLine;
    std::function<void(const QString&)> alarmLine;
    std::function<void(const RunMonitorModel&)> afterTick;
    // After the start button, started or not: the port it tried.
    std::function<void(const SerialPort&)> runStarted;
    // The station's thread is about to wait for the line or the clock: a
    // printer flushes here, once for all the lines of the steps before.
    std::function<void()> beforeWait;
};

}  // namespace vel
