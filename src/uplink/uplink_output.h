#pragma once
// The uplink as a subscriber of the record stream: every closed record and
// every alarm change goes to the client's thread; what the client reports
// about the connection comes back as lines in the communication log (and its
// pane) and, for a refusal or lost records, in the alarm log.
#include <QDateTime>
#include <functional>
#include <map>
#include <memory>

#include "log/log_sink.h"
#include "measure/record_stream.h"
#include "measure/run_output.h"
#include "settings/settings_record.h"
#include "uplink/uplink_client.h"

namespace vel {

class UplinkOutput : public RunOutput {
public:
    // The uplink waits this long at a run's end for the broker's
    // acknowledgements; what is not acknowledged by then stays in the spool
    // for the next run.
    static constexpr std::chrono::milliseconds kFinishLimit{5'000};

    UplinkOutput(const UplinkConfig& config, const SettingsRecord& settings, LogSink& log,
                 std::function<QDateTime()> now);

    void valueEvaluated(const EvaluatedValue& value) override;
    void recordClosed(const ClosedRecord& record) override;

    // Bounded wait for the acknowledgements, then the client ends.
    bool finish(std::chrono::milliseconds limit) { return client_.finish(limit); }
    void finish() override { finish(kFinishLimit); }
    UplinkClient& client() { return client_; }

private:
    void reported(const UplinkReport& r);
    void learnItems(const ScriptTables& tables, int valueCount);

    const UplinkConfig config_;
    const SettingsRecord& settings_;
    LogSink& log_;
    std::function<QDateTime()> now_;
    // The items of this run: those the script defines and those that had a
    // value; an item among them without a value in a record is "missing".
    std::map<int, UplinkItem> items_;
    bool scriptRead_ = false;
    bool itemsPosted_ = false;
    UplinkClient client_;
};

// The uplink of a run whose velloran.ini names a broker; nothing otherwise.
RunOutputFactory uplinkRunOutput();

}  // namespace vel
