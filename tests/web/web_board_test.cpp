// The state the page shows for a station follows the engine's alarm-log lines
// channel by channel: a lost or silent channel 1–7 marks the station as
// channel 0 does, and only its own "back" line clears it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <gtest/gtest.h>

#include "engine/station_watch.h"
#include "web/web_board.h"

namespace vel::test {
namespace {

QString stateAfter(const QStringList& texts) {
    EventHub hub;
    WebBoard board(hub);
    board.addStation("line1");
    board.runStarted("line1", {}, 3);
    for (const QString& text : texts) board.alarmLine("line1", "2026/12/09 12:00:00, " + text);
    const QJsonObject station = QJsonDocument::fromJson(board.latestJson())["stations"][0].toObject();
    return station["state"].toString();
}

TEST(WebBoard, EachChannelsLostAndSilentPortsMarkTheStationUntilTheirOwnBackLine) {
    struct Case {
        const char* what;
        QStringList texts;
        const char* state;
    };
    const Case cases[] = {
        {"nothing happened", {}, "running"},
        {"channel 0 lost", {portLostText()}, "portLost"},
        {"channel 0 lost and back", {portLostText(), portBackText()}, "running"},
        {"channel 2 lost", {portLostText(2)}, "portLost"},
        {"channel 2 lost, channel 0 back", {portLostText(2), portLostText(), portBackText()}, "portLost"},
        {"channels 1 and 2 lost, 1 back", {portLostText(1), portLostText(2), portBackText(1)}, "portLost"},
        {"channel 2 lost and back", {portLostText(2), portBackText(2)}, "running"},
        {"channel 1 silent", {silenceText(3, 1)}, "noReply"},
        {"channel 1 silent, channel 0 replies again", {silenceText(3, 1), replyBackText()}, "noReply"},
        {"channel 1 silent and back", {silenceText(3, 1), replyBackText(1)}, "running"},
        {"another limit's silence text is not this run's", {silenceText(5)}, "running"},
    };
    for (const Case& k : cases) EXPECT_EQ(stateAfter(k.texts), k.state) << k.what;
}

}  // namespace
}  // namespace vel::test
