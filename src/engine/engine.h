#pragma once
// The engine: every piece of run state and the operations the windows and
// velloran-cli perform on it (start-up, the start button, the run monitor's
// timer tick, "次へ" and the stop). It owns no window; what a window would
// show is written to the run monitor model and to the small view hooks.
#include <QString>
#include <functional>
#include <memory>

#include "base/clock.h"
#include "base/message_box.h"
#include "base/program_folder.h"
#include "base/run_state.h"
#include "engine/station_watch.h"
#include "log/logs.h"
#include "mail/mail_check.h"
#include "mail/mail_outbox.h"
#include "mail/mail_sender.h"
#include "mail/mail_settings.h"
#include "mail/mail_state.h"
#include "mail/mailer.h"
#include "measure/alarm_pending.h"
#include "mail/mail_output.h"
#include "measure/alarm_log_output.h"
#include "measure/csv_output.h"
#include "measure/measure_context.h"
#include "measure/monitor_output.h"
#include "measure/record_stream.h"
#include "measure/run_output.h"
#include "measure/workbook_output.h"
#include "monitor/run_monitor_model.h"
#include "output/csv_writer.h"
#include "output/workbook_connection.h"
#include "output/workbook_cursor.h"
#include "output/workbook_writer.h"
#include "script/script_tables.h"
#include "serial/receive_handler.h"
#include "serial/serial_port.h"
#include "settings/extension_settings.h"
#include "settings/settings_record.h"

namespace vel {

// What the engine needs from the platform. Everything is borrowed.
struct EnginePlatform {
    Clock& clock;
    MessageBox& messages;
    SerialPort& port;  // channel 0
    Mailer& mailer;
    ProgramFolder folder;
    std::function<void()> processEvents;  // let the window system run pending events
    std::function<void()> beep;
    // Mail and workbook cells go to threads of their own, so that a slow
    // server or office never holds the loop (the program). Without them they
    // are sent at once, in the loop's order (unit tests).
    bool outputThreads = false;
    // The station's id on the record stream (the program folder's name).
    QString station = QString();
    // Channels 1–7 (CHN:n): their ports, index 0 unused; a channel without
    // one cannot be used.
    std::array<SerialPort*, kChannels> channelPorts = {};
};

// Fields of the main window that the engine refreshes during a run. Each hook
// may be empty.
struct MainWindowHooks {
    std::function<void(int32_t)> showAcquisitionNumber;  // TextCellNo
    CursorView cursor;                                   // TextStartCol, TextStartRow
    std::function<void()> showRunMonitor;                // hide the main window, show the monitor
};

// Observers of the two log streams (velloran-cli prints them).
struct LineHooks {
    std::function<void(const QString&)> rsLine;
    std::function<void(const QString&)> alarmLine;
};

// The log sink the engine hands to evaluation and mail: the logs, then the
// observers.
class ObservedLogSink : public LogSink {
public:
    ObservedLogSink(Logs& logs, LineHooks& hooks) : logs_(logs), hooks_(hooks) {}
    void rsLogLine(const QString& text) override {
        logs_.rsLogLine(text);
        if (hooks_.rsLine) hooks_.rsLine(text);
    }
    void alarmLogLine(const QString& text) override {
        logs_.alarmLogLine(text);
        if (hooks_.alarmLine) hooks_.alarmLine(text);
    }

private:
    Logs& logs_;
    LineHooks& hooks_;
};

// The run monitor's question before "終了" stops a run.
inline const QString kStopQuestion = QStringLiteral("データ取得を終了しますか？");

// The tick that paces a loop with nothing else to wait for, in milliseconds.
inline constexpr int kUsualTickMs = 10;

// When the loop wants its next tick.
struct TickPlan {
    enum class When {
        Now,    // the next command can run at once
        At,     // at atMs on the clock (end of a wait, the next cycle, the acquisition-time limit)
        Paced,  // after the usual tick: a cycle without any wait in it must not keep the processor busy
        Idle,   // nothing is due until the user or the line does something (paused, run over)
    };
    When when = When::Idle;
    Fixed4 atMs{};
};

// Whole milliseconds from `now` to `at`, rounded up (0 when `at` has passed):
// a timer set to it never fires before the deadline.
inline int64_t wholeMsUntil(Fixed4 at, Fixed4 now) {
    const Fixed4 left = at - now;
    return left.raw <= 0 ? 0 : (left.raw + Fixed4::kScale - 1) / Fixed4::kScale;
}

class Engine {
public:
    explicit Engine(EnginePlatform platform);

    // The start-up steps before the main window: the clock (false when the
    // program cannot run here; the message has been shown), empty receive
    // buffers, log rotation, number formats.
    bool startUp();

    // The start button, after the window's fields have been collected into
    // `settings`: saves setup.dat, checks the file names, opens the port,
    // resets the run state, loads the script and the mail settings, finds the
    // workbook start cell and sets the run going. False when no run started
    // (the reason has been shown).
    bool startRun();

    // One tick of the run: counts the wait down by the time measured since
    // the previous tick, then runs one step of the loop. The run driver
    // (engine/run_driver.h) calls it; a stop asked for during the step is
    // carried out after it.
    void timerTick();
    // One step of the script (one command, or one more look at a waiting one).
    void loopProg();
    // "次へ" after a PAU.
    void continueAfterPause();
    // "終了" on the run monitor: asks, and stops the run on Yes (after the
    // step in progress, when asked from inside one).
    void requestStop();
    // The stop once the user has confirmed it (the window asks first): after
    // the step in progress, when it comes from inside one.
    void stopConfirmed();
    // The forced end: port and CSV closed, data log written.
    void forceEnd();

    // The clock time at which a waiting command or the next cycle is due;
    // the window's timer may fire then instead of waiting a whole interval.
    // Invalid (raw 0) while nothing is waiting.
    Fixed4 nextDeadlineMs() const;
    // When the next tick is due (see TickPlan).
    TickPlan nextTick() const;
    // The plan as a timer interval that looks at least every tickMs: 0 for a
    // tick at once, the time to a deadline, or tickMs.
    int nextTickIntervalMs(int tickMs) const;
    // Called after every communication event, once the engine has handled
    // it (the run driver reschedules its tick there).
    std::function<void()> afterReceiveEvent;

    // A communication event of a channel.
    void receiveEvent(const CommEvent& event, int channel = 0);

    bool running() const { return run_.running; }
    bool runOver() const { return monitor_.closeVisible; }

    // What the windows, velloran-cli and the tests reach of the engine.
    SettingsRecord& settings() { return settings_; }
    // velloran.ini as it was read at the last run start.
    const ExtensionSettings& extensions() const { return extensions_; }
    LogSink& log() { return log_; }  // the alarm and communication logs with their observers
    const SettingsRecord& settings() const { return settings_; }
    // The run monitor model the window shows (tests set it to drive the view).
    RunMonitorModel& monitor() { return monitor_; }
    const RunMonitorModel& monitor() const { return monitor_; }
    const RunState& run() const { return run_; }
    const ScriptTables& tables() const { return tables_; }
    WorkbookConnection& workbook() { return workbook_; }
    MainWindowHooks& hooks() { return hooks_; }
    LineHooks& lineHooks() { return lineHooks_; }
    RecordStream& stream() { return stream_; }
    // An output that lives for each run from now on (see RunOutput).
    void addRunOutput(RunOutputFactory factory) { runOutputFactories_.push_back(std::move(factory)); }
    const EnginePlatform& platform() const { return platform_; }
    const Timer& timer() const { return timer_; }
    // The main window's unload: the CSV file and both logs closed.
    void closeOutputs();

private:
    EnginePlatform platform_;
    Timer timer_;
    RunState run_;
    ScriptTables tables_;
    SettingsRecord settings_;
    ExtensionSettings extensions_;
    MailRecords mailRecords_;
    MailState mailState_;
    AlarmMailPending pending_;
    RunMonitorModel monitor_;
    LineReportState lineReport_;
    Logs logs_;
    LineHooks lineHooks_;
    ObservedLogSink log_{logs_, lineHooks_};
    CsvWriter csv_;
    WorkbookConnection workbook_;
    MainWindowHooks hooks_;
    // Evaluated values and closed records go out here; every output of a
    // run is a subscriber (more may subscribe: the trend view, the uplink).
    RecordStream stream_{platform_.station};

    void executeCommand(const ScriptCommand& command, int index);
    void evaluatePending();
    void startCycle();
    void closeCycle(int index);
    void sendText(const QString& text);
    void endOfRun();
    void showStep(int index, const QString& suffix);
    void processEvents();
    bool portOpen();
    SerialPort& portOf(int channel);
    bool channelPortsOpen();
    std::array<bool, kChannels> channelsUsed() const;
    QString refusedSettingsLines();
    void closePorts();
    bool startChecksPass();
    void openRunMonitor();
    bool takeReplyNow(int channel);
    bool waitingForNextCycle() const;
    bool replyWaitingForLoop() const;
    const ScriptCommand* currentCommand() const;
    MeasureContext measureContext();
    MailContext mailContext();
    void startOutputThreads();
    void finishOutputThreads();
    void startRunOutputs();
    void runIsOver(bool stopped);
    // The station watch (engine/station_ops.cpp).
    void startStationWatch();
    void stationChange(const QString& text, bool raised, bool onErrorLine = true);
    void watchPorts();
    void watchPort(int channel);
    void tryReconnect(int channel);
    void replyTaken(int channel);
    void silenceCheck();
    void silenceTimeCheck();
    void cycleBegins();
    TickPlan withStationDeadlines(TickPlan plan) const;

    DirectMailSender mailSender_{platform_.mailer};  // every mail sent at once, on the run's thread
    // The outputs of the record stream, in the order they take each value:
    // workbook cells, the run monitor grid, the alarm log; then each closed
    // record: the workbook cursor, the CSV row, the mail check.
    WorkbookOutput workbookOutput_{workbook_, settings_, log_, platform_.messages, hooks_.cursor};
    MonitorOutput monitorOutput_{monitor_, settings_};
    AlarmLogOutput alarmLogOutput_{log_};
    CsvOutput csvOutput_{csv_, settings_, extensions_};
    MailOutput mailOutput_{[this] { return mailContext(); }};
    // The output threads (outputThreads); declared last, so that they are
    // gone before the log and the clock their reports use.
    std::unique_ptr<MailOutbox> mailOutbox_;
    std::unique_ptr<WorkbookWriter> workbookWriter_;
    // The subscriptions of the outputs above, for the engine's life.
    std::vector<Subscription> outputSubscriptions_;
    // The outputs of one run (the uplink, those tests add), made from their
    // factories at the run's start and dropped when it is over.
    struct LiveRunOutput {
        std::unique_ptr<RunOutput> output;
        Subscription subscription;
    };
    std::vector<RunOutputFactory> runOutputFactories_;
    std::vector<LiveRunOutput> runOutputs_;
    // The station watch, one of each per channel; channels the run does not
    // use are never watched.
    std::array<bool, kChannels> watched_{};
    std::array<ReconnectSchedule, kChannels> reconnect_;
    std::array<SilenceWatch, kChannels> silence_;
    bool inLoop_ = false;
    bool stopAfterStep_ = false;  // "終了" was confirmed while a step ran
    bool cyclePaced_ = false;     // the cycle so far waited for the line or for time
    // The channel's port was lost during this cycle: it talks no more.
    std::array<bool, kChannels> cycleInterrupted_{};
    Fixed4 previousTickMs_{};
};

}  // namespace vel
