#pragma once
// Outputs that live for one run. The station hands the engine a factory for
// each; at the run's start the engine makes the output and subscribes it to
// the record stream, at the run's end it lets the output finish (within the
// output's own limit) and drops it once the run is over. A new output of
// this kind is a new factory, not an edit of the engine.
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

#include "base/program_folder.h"
#include "log/log_sink.h"
#include "measure/record_stream.h"
#include "settings/extension_settings.h"
#include "settings/settings_record.h"

namespace vel {

class RunOutput : public RecordSubscriber {
public:
    // The run is ending: send or write what is still queued, waiting no
    // longer than the output's own limit. Called on the run's thread.
    virtual void finish() {}
};

// What an output of a run may use; valid until the output is dropped.
struct RunOutputContext {
    const SettingsRecord& settings;
    const ExtensionSettings& extensions;  // velloran.ini as read at the run's start
    const ProgramFolder& folder;
    LogSink& log;                         // the alarm and communication logs
    std::function<QDateTime()> localNow;  // the run's clock
    QString station;
};

// Makes a run's output, or nothing when this run has no use for it (the
// settings do not ask for it).
using RunOutputFactory = std::function<std::unique_ptr<RunOutput>(const RunOutputContext&)>;

}  // namespace vel
