#include "uplink/uplink_output.h"

#include "log/log_lines.h"
#include "script/script_defaults.h"
#include "text/vb.h"
#include "uplink/uplink_lines.h"

namespace vel {
namespace {

// A definition line (NAM, DEC, ALM, MAX, MIN) names the item in the script.
bool definedByScript(const DataItem& item, int index) {
    return vb::trim(item.name) != defaultItemName(index) || item.decimals >= 0 || item.alarmOp[0] != AlarmNone ||
           item.alarmOp[1] != AlarmNone || item.maxSet || item.minSet;
}

}  // namespace

UplinkOutput::UplinkOutput(const UplinkConfig& config, const SettingsRecord& settings, LogSink& log,
                           std::function<QDateTime()> now)
    : config_(config), settings_(settings), log_(log), now_(std::move(now)), client_(config) {
    client_.setOnReport([this](const UplinkReport& r) { reported(r); });
}

void UplinkOutput::valueEvaluated(const EvaluatedValue& value) {
    if (value.change != AlarmChange::None) client_.post(uplinkAlarm(value));
}

void UplinkOutput::learnItems(const ScriptTables& tables, int valueCount) {
    const size_t before = items_.size();
    auto add = [&](int i) {
        const QString item = uplinkItemName(i);
        items_.try_emplace(i, UplinkItem{item, vb::trim(tables.dataItems[static_cast<size_t>(i)].name), config_.units.value(item)});
    };
    if (!scriptRead_)
        for (int i = 0; i < kMaxValuesPerRecord; ++i)
            if (definedByScript(tables.dataItems[static_cast<size_t>(i)], i)) add(i);
    scriptRead_ = true;
    for (int i = 0; i < valueCount && i < kMaxValuesPerRecord; ++i) add(i);
    // Announced from the first record with values on: a run that starts
    // without replies does not take away items that merely had none yet.
    if (valueCount > 0 && (!itemsPosted_ || items_.size() != before)) {
        std::vector<UplinkItem> list;
        for (const auto& [i, item] : items_) list.push_back(item);
        client_.post(std::move(list));
        itemsPosted_ = true;
    }
}

void UplinkOutput::recordClosed(const ClosedRecord& record) {
    learnItems(*record.tables, record.valueCount);
    UplinkRecord r = uplinkRecord(record, settings_.numberColumnOn, config_.units);
    for (auto it = items_.lower_bound(record.valueCount); it != items_.end(); ++it)
        r.missing.push_back(UplinkValue{it->second.item, it->second.name, {}, false, it->second.unit});
    client_.post(std::move(r));
}

void UplinkOutput::reported(const UplinkReport& r) {
    using Kind = UplinkReport::Kind;
    switch (r.kind) {
    case Kind::Connected: log_.rsLogLine(uplinklines::connected(r.detail)); break;
    case Kind::Lost: log_.rsLogLine(uplinklines::lost()); break;
    case Kind::Unreachable: log_.rsLogLine(uplinklines::unreachable(r.detail)); break;
    case Kind::Refused: log_.alarmLogLine(uplinklines::refused(now_(), r.detail)); break;
    case Kind::Dropped: log_.alarmLogLine(uplinklines::dropped(now_(), r.count)); break;
    case Kind::SpoolFailed: log_.alarmLogLine(uplinklines::spoolFailed(now_(), r.detail)); break;
    case Kind::SpoolFull:
        log_.alarmLogLine(loglines::stamp(now_()) + ", " + uplinklines::spoolFull(r.detail));
        log_.rsLogLine(uplinklines::spoolFull(r.detail));
        break;
    case Kind::Unstored:
        log_.alarmLogLine(loglines::stamp(now_()) + ", " + uplinklines::unstored(r.count));
        log_.rsLogLine(uplinklines::unstored(r.count));
        break;
    }
}

}  // namespace vel

namespace vel {

RunOutputFactory uplinkRunOutput() {
    return [](const RunOutputContext& run) -> std::unique_ptr<RunOutput> {
        const std::optional<UplinkConfig> config = uplinkConfig(run.extensions, run.folder);
        if (!config) return nullptr;
        return std::make_unique<UplinkOutput>(*config, run.settings, run.log, run.localNow);
    };
}

}  // namespace vel
