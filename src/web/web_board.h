#pragma once
// What the web page shows of every station of the process: its state, its
// newest record, the run monitor's grid rows, the last alarm-log lines and
// the trend of the run. The stations write into it from their own threads
// (the run's output, the lines after each tick), the server's threads read
// it; every call holds one short lock and never waits for a client. Each
// change that a page should see at once goes to the live stream's hub.
#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <bitset>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "base/run_state.h"
#include "measure/record_stream.h"
#include "monitor/run_monitor_model.h"
#include "station/station_view.h"
#include "trend/trend_output.h"
#include "trend/trend_store.h"
#include "web/web_events.h"

namespace vel {

class WebBoard {
public:
    static constexpr std::size_t kAlarmLines = 20;

    explicit WebBoard(EventHub& hub) : hub_(hub) {}

    // A station of the process, in the order the page lists them.
    void addStation(const QString& station);

    // From the run's output, on the station's thread.
    void runStarted(const QString& station, const QMap<QString, QString>& units, int silenceCycles);
    void valueEvaluated(const EvaluatedValue& value);
    void recordClosed(const ClosedRecord& record, bool numberColumnOn);
    void runOver(const QString& station);
    // From the station's lines, on its thread.
    void alarmLine(const QString& station, const QString& line);
    void afterTick(const QString& station, const RunMonitorModel& monitor);
    // From the station's view: whether a run goes, and the last words of one.
    void statusChanged(const QString& station, const StationStatus& status);

    // /api/latest.
    QByteArray latestJson() const;
    // One "state" event per station: what a client hears first.
    std::vector<QByteArray> stateEvents() const;
    // /api/trend of an item ("D001") over the last `spanSeconds` of the run;
    // nullopt for an unknown station or item.
    std::optional<QByteArray> trendJson(const QString& station, const QString& item, qint64 spanSeconds) const;

private:
    struct Station {
        QString name;
        bool running = false;
        int lamp = kColourGreen;
        QString message;
        int records = 0;
        int alarms = 0;
        QDateTime lastRecord;
        // The channels whose port is lost, and those in the no-reply alarm.
        std::bitset<kChannels> lostPorts;
        std::bitset<kChannels> silentPorts;
        int silenceCycles = 0;  // the no-reply alarm's limit in this run (0: off)
        QMap<QString, QString> units;
        QJsonValue record = QJsonValue::Null;
        bool recordPending = false;  // a record closed, its grid rows not copied yet
        int gridRecords = -1;        // the grid as copied: the record count and lamp it had
        int gridLamp = -1;
        QJsonArray items;
        std::map<int, int> indexOfRow;  // the run monitor's row -> value index
        std::deque<QString> alarmLog;
        std::unique_ptr<trend::Store> trend = std::make_unique<trend::Store>();
        std::unique_ptr<trend::TrendOutput> trendInput;
        QByteArray lastState;  // the state event last published, and it without the message
        QByteArray lastCore;
        std::chrono::steady_clock::time_point lastStateAt;
        bool stateHeldBack = false;  // a change of the message alone waits for its turn
    };

    Station* find(const QString& name);
    const Station* find(const QString& name) const;
    static QString stateOf(const Station& s);
    static QJsonObject stateObject(const Station& s);
    void copyGrid(Station& s, const RunMonitorModel& monitor);
    // Publishes the station's state when it differs from the last one.
    void stateMayHaveChanged(Station& s);

    EventHub& hub_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Station>> stations_;
};

}  // namespace vel
