#include "web/web_board.h"

#include <QJsonDocument>

#include "engine/station_watch.h"
#include "uplink/uplink_payload.h"

namespace vel {
namespace {

QByteArray compact(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

QJsonValue numberOrNull(double v) { return v == v ? QJsonValue(v) : QJsonValue(QJsonValue::Null); }

constexpr std::chrono::milliseconds kMessageEvery{1000};

// The trend's entries are drawn from at most this many points.
constexpr std::size_t kTrendPoints = 600;

// The channel whose text of a change ends the alarm-log line; -1 for none.
// Channels 1–7 put their name before channel 0's text, so they are asked first.
template <typename TextOf>
int channelSaying(const QString& line, TextOf textOf) {
    for (int ch = kChannels - 1; ch >= 0; --ch)
        if (line.endsWith(textOf(ch))) return ch;
    return -1;
}

}  // namespace

WebBoard::Station* WebBoard::find(const QString& name) {
    for (const auto& s : stations_)
        if (s->name == name) return s.get();
    return nullptr;
}

const WebBoard::Station* WebBoard::find(const QString& name) const {
    for (const auto& s : stations_)
        if (s->name == name) return s.get();
    return nullptr;
}

void WebBoard::addStation(const QString& station) {
    std::lock_guard lock(mutex_);
    if (find(station)) return;
    auto s = std::make_unique<Station>();
    s->name = station;
    stations_.push_back(std::move(s));
}

QString WebBoard::stateOf(const Station& s) {
    if (s.running && s.lostPorts.any()) return QStringLiteral("portLost");
    if (s.running && s.silentPorts.any()) return QStringLiteral("noReply");
    if (s.lamp == kColourRed) return QStringLiteral("alarm");
    return s.running ? QStringLiteral("running") : QStringLiteral("stopped");
}

QJsonObject WebBoard::stateObject(const Station& s) {
    return QJsonObject{
        {"station", s.name},
        {"state", stateOf(s)},
        {"message", s.message},
        {"records", s.records},
        {"alarms", s.alarms},
        {"lastRecord", s.lastRecord.isValid() ? QJsonValue(uplinkTime(s.lastRecord)) : QJsonValue(QJsonValue::Null)},
    };
}

void WebBoard::stateMayHaveChanged(Station& s) {
    QByteArray state = compact(stateObject(s));
    if (state == s.lastState) return;
    // The message line follows the script's steps: alone, its change goes
    // out at most every kMessageEvery, with the next tick after it.
    const auto now = std::chrono::steady_clock::now();
    QJsonObject without = stateObject(s);
    without.remove("message");
    QByteArray core = compact(without);
    s.stateHeldBack = core == s.lastCore && now - s.lastStateAt < kMessageEvery;
    if (s.stateHeldBack) return;
    s.lastState = std::move(state);
    s.lastCore = std::move(core);
    s.lastStateAt = now;
    hub_.publish(EventHub::frame("state", s.lastState));
}

void WebBoard::runStarted(const QString& station, const QMap<QString, QString>& units, int silenceCycles) {
    std::lock_guard lock(mutex_);
    Station* s = find(station);
    if (!s) return;
    s->running = true;
    s->lamp = kColourGreen;
    s->records = 0;
    s->alarms = 0;
    s->lastRecord = QDateTime();
    s->lostPorts.reset();
    s->silentPorts.reset();
    s->silenceCycles = silenceCycles;
    s->units = units;
    s->record = QJsonValue::Null;
    s->recordPending = false;
    s->gridRecords = s->gridLamp = -1;
    s->items = QJsonArray();
    s->indexOfRow.clear();
    // The trend of this run, as the run monitor's trend tab starts afresh.
    s->trend = std::make_unique<trend::Store>();
    s->trendInput = std::make_unique<trend::TrendOutput>(*s->trend);
    s->trendInput->unitOf = [units](int index) { return units.value(uplinkItemName(index)); };
    stateMayHaveChanged(*s);
}

void WebBoard::valueEvaluated(const EvaluatedValue& value) {
    std::lock_guard lock(mutex_);
    Station* s = find(value.station);
    if (!s || !s->trendInput) return;
    s->indexOfRow[value.itemNumber] = value.index;
    s->alarms += value.change == AlarmChange::Raised;
    s->trendInput->valueEvaluated(value);
}

void WebBoard::recordClosed(const ClosedRecord& record, bool numberColumnOn) {
    std::lock_guard lock(mutex_);
    Station* s = find(record.station);
    if (!s) return;
    ++s->records;
    s->lastRecord = record.at;
    const QByteArray payload = recordPayload(uplinkRecord(record, numberColumnOn, s->units), s->name,
                                             static_cast<uint64_t>(s->records));
    s->record = QJsonDocument::fromJson(payload).object();
    // The record goes out with the grid rows of its tick (afterTick).
    s->recordPending = true;
}

void WebBoard::runOver(const QString& station) {
    std::lock_guard lock(mutex_);
    Station* s = find(station);
    if (!s) return;
    s->running = false;
    s->lostPorts.reset();
    s->silentPorts.reset();
    stateMayHaveChanged(*s);
}

void WebBoard::alarmLine(const QString& station, const QString& line) {
    std::lock_guard lock(mutex_);
    Station* s = find(station);
    if (!s) return;
    s->alarmLog.push_back(line);
    while (s->alarmLog.size() > kAlarmLines) s->alarmLog.pop_front();
    // The station's changes, in the engine's own words, each for its channel.
    if (const int ch = channelSaying(line, [](int c) { return portLostText(c); }); ch >= 0) s->lostPorts.set(ch);
    else if (const int ch = channelSaying(line, [](int c) { return portBackText(c); }); ch >= 0) s->lostPorts.reset(ch);
    else if (const int ch = channelSaying(line, [&](int c) { return silenceText(s->silenceCycles, c); });
             s->silenceCycles > 0 && ch >= 0)
        s->silentPorts.set(ch);
    else if (const int ch = channelSaying(line, [](int c) { return replyBackText(c); }); ch >= 0) s->silentPorts.reset(ch);
    hub_.publish(EventHub::frame("alarm", compact(QJsonObject{{"station", s->name}, {"line", line}})));
    stateMayHaveChanged(*s);
}

void WebBoard::copyGrid(Station& s, const RunMonitorModel& monitor) {
    QJsonArray items;
    for (std::size_t r = 1; r < monitor.grid.size(); ++r) {
        const GridRow& row = monitor.grid[r];
        if (row.cells[0].isEmpty()) continue;
        const auto index = s.indexOfRow.find(static_cast<int>(r));
        const QString item = index == s.indexOfRow.end() ? QString() : uplinkItemName(index->second);
        items.append(QJsonObject{
            {"item", item},
            {"no", row.cells[0]},
            {"name", row.cells[1]},
            {"text", row.cells[2]},
            {"unit", item.isEmpty() ? QString() : s.units.value(item)},
            {"alarm", !row.cells[3].isEmpty()},  // "※" while the item is in alarm
            {"alarmCount", row.cells[4]},
            {"min", row.cells[5]},
            {"max", row.cells[6]},
            {"avg", row.cells[7]},
        });
    }
    s.items = items;
    s.gridRecords = monitor.records;
    s.gridLamp = monitor.lampColour;
}

void WebBoard::afterTick(const QString& station, const RunMonitorModel& monitor) {
    std::lock_guard lock(mutex_);
    Station* s = find(station);
    if (!s) return;
    // The grid is copied only when a record closed or the lamp changed, not
    // at every tick; the state is looked at only when something of it moved.
    const bool gridMoved = s->recordPending || monitor.records != s->gridRecords || monitor.lampColour != s->gridLamp;
    const bool stateMoved = gridMoved || monitor.lampColour != s->lamp || monitor.labelMess != s->message;
    if (gridMoved) copyGrid(*s, monitor);
    s->lamp = monitor.lampColour;
    if (monitor.labelMess != s->message) s->message = monitor.labelMess;
    if (s->recordPending) {
        s->recordPending = false;
        hub_.publish(EventHub::frame(
            "record", compact(QJsonObject{{"station", s->name}, {"record", s->record}, {"items", s->items}})));
    }
    if (stateMoved || (s->stateHeldBack && std::chrono::steady_clock::now() - s->lastStateAt >= kMessageEvery))
        stateMayHaveChanged(*s);
}

void WebBoard::statusChanged(const QString& station, const StationStatus& status) {
    std::lock_guard lock(mutex_);
    Station* s = find(station);
    if (!s) return;
    // The ticks say how a run goes; the status says when it is over and its
    // last words (the message the run ended with comes after its last tick).
    if (status.running) return;
    s->running = false;
    s->lostPorts.reset();
    s->silentPorts.reset();
    s->lamp = status.lampColour;
    s->message = status.message;
    stateMayHaveChanged(*s);
}

QByteArray WebBoard::latestJson() const {
    std::lock_guard lock(mutex_);
    QJsonArray stations;
    for (const auto& s : stations_) {
        QJsonObject o = stateObject(*s);
        o.insert("record", s->record);
        o.insert("items", s->items);
        QJsonArray log;
        for (const QString& line : s->alarmLog) log.append(line);
        o.insert("alarmLog", log);
        stations.append(o);
    }
    return compact(QJsonObject{{"stations", stations}});
}

std::vector<QByteArray> WebBoard::stateEvents() const {
    std::lock_guard lock(mutex_);
    std::vector<QByteArray> events;
    for (const auto& s : stations_) events.push_back(EventHub::frame("state", compact(stateObject(*s))));
    return events;
}

std::optional<QByteArray> WebBoard::trendJson(const QString& station, const QString& item, qint64 spanSeconds) const {
    if (!isItemName(item)) return std::nullopt;
    const int index = item.mid(1).toInt() - 1;
    std::lock_guard lock(mutex_);
    const Station* s = find(station);
    if (!s) return std::nullopt;
    const trend::Item* found = nullptr;
    for (const trend::Item& i : s->trend->items())
        if (i.index == index) found = &i;
    if (!found) return std::nullopt;
    QJsonArray levels;
    for (const trend::Level& l : found->limits.levels)
        levels.append(QJsonObject{{"name", l.name}, {"value", l.value}, {"threshold", l.threshold}});
    QJsonArray points;
    if (!found->series.empty()) {
        const qint64 to = found->series.lastMs();
        const qint64 from = to - spanSeconds * 1000;
        const std::size_t resolution = found->series.resolutionFor(from, to);
        for (const trend::Bucket& b : trend::merged(found->series.entries(resolution, from, to), kTrendPoints)) {
            if (b.ms < from) continue;
            points.append(QJsonArray{b.ms, numberOrNull(b.min), numberOrNull(b.max)});
        }
    }
    return compact(QJsonObject{
        {"station", s->name},
        {"item", item},
        {"name", found->name.trimmed()},
        {"unit", found->unit},
        {"span", spanSeconds},
        {"levels", levels},
        {"points", points},
    });
}

}  // namespace vel
