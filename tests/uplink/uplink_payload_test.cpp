// The record and alarm messages as a receiver parses them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include "support/qstring_printer.h"
#include "uplink/uplink_config.h"
#include "uplink/uplink_payload.h"

namespace vel {
namespace {

QJsonObject parse(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << bytes.toStdString();
    return doc.object();
}

TEST(UplinkPayload, ValuesCarryTextNumberAndAlarm) {
    struct Case {
        const char* name;
        const char* text;
        bool alarm;
        QJsonValue value;  // expected "value"
        const char* trimmedName;
    };
    const Case cases[] = {
        {"  電圧 ", "12.50", false, 12.5, "電圧"},
        {"temp", " -3e2 ", true, -300.0, "temp"},
        {"状態", "OK", false, QJsonValue::Null, "状態"},
        {"空", "", false, QJsonValue::Null, "空"},
        {"\t tab", "1 2", false, QJsonValue::Null, "\t tab"},  // only spaces are trimmed; "1 2" is text
    };
    ScriptTables tables;
    int n = 0;
    for (const Case& c : cases) {
        DataItem& item = tables.dataItems[static_cast<size_t>(n++)];
        item.name = QString::fromUtf8(c.name);
        item.valueText = QString::fromUtf8(c.text);
        item.alarm = c.alarm;
    }
    const ClosedRecord record{n, &tables, QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0, 250))};
    UplinkRecord r = uplinkRecord(record, false, {{"D001", "V"}, {"D009", "A"}});
    r.missing.push_back({"D009", "後", {}, false, "A"});
    const QJsonObject message = parse(recordPayload(r, "st1", 42));
    EXPECT_EQ(message["station"].toString(), "st1");
    EXPECT_EQ(message["ts"].toInteger(), record.at.toMSecsSinceEpoch());
    EXPECT_EQ(message["missing"].toArray().size(), 1);
    EXPECT_EQ(message["missing"][0]["quality"].toString(), "none");
    EXPECT_EQ(message["missing"][0]["unit"].toString(), "A");
    EXPECT_TRUE(message["missing"][0]["value"].isNull());
    EXPECT_EQ(message["seq"].toInteger(), 42);
    EXPECT_TRUE(message["no"].isNull());
    const QJsonArray values = message["values"].toArray();
    ASSERT_EQ(values.size(), n);
    for (int i = 0; i < n; ++i) {
        const Case& c = cases[i];
        const QJsonObject v = values[i].toObject();
        SCOPED_TRACE(c.text);
        EXPECT_EQ(v["item"].toString(), QString("D00%1").arg(i + 1));
        EXPECT_EQ(v["name"].toString(), QString::fromUtf8(c.trimmedName));
        EXPECT_EQ(v["text"].toString(), QString::fromUtf8(c.text));
        EXPECT_EQ(v["value"], c.value);
        EXPECT_EQ(v["alarm"].toBool(), c.alarm);
        EXPECT_EQ(v["quality"].toString(), c.alarm ? "alarm" : "good");
        EXPECT_EQ(v["unit"].toString(), i == 0 ? "V" : "");
        EXPECT_EQ(v.contains("unit"), i == 0);
    }
}

TEST(UplinkPayload, NumberOnlyWhenItsColumnIsOn) {
    ScriptTables tables;
    tables.dataItems[kRecordNumberItem].valueText = "17";
    const ClosedRecord record{0, &tables, QDateTime::currentDateTime()};
    for (const bool on : {false, true}) {
        const QJsonObject message = parse(recordPayload(uplinkRecord(record, on), "s", 1));
        EXPECT_EQ(message["no"], on ? QJsonValue("17") : QJsonValue(QJsonValue::Null));
        EXPECT_TRUE(message["values"].toArray().isEmpty());
    }
}

TEST(UplinkPayload, TimeIsIsoWithMillisecondsAndOffset) {
    const struct {
        int offsetSeconds;
        const char* expected;
    } cases[] = {
        {9 * 3600, "2024-05-01T12:00:00.007+09:00"},
        {0, "2024-05-01T12:00:00.007+00:00"},
        {-(3 * 3600 + 30 * 60), "2024-05-01T12:00:00.007-03:30"},
    };
    for (const auto& c : cases) {
        const QDateTime at(QDate(2024, 5, 1), QTime(12, 0, 0, 7), QTimeZone(c.offsetSeconds));
        EXPECT_EQ(uplinkTime(at), c.expected);
    }
    // Local time carries the local offset.
    const QDateTime local = QDateTime::currentDateTime();
    EXPECT_TRUE(uplinkTime(local).endsWith(uplinkTime(local.toOffsetFromUtc(local.offsetFromUtc())).right(6)));
}

TEST(UplinkPayload, AlarmStateAndTopics) {
    ScriptTables tables;
    tables.dataItems[11].valueText = "99.1";
    const QDateTime at(QDate(2024, 5, 1), QTime(8, 30), QTimeZone(3600));
    for (const AlarmChange change : {AlarmChange::Raised, AlarmChange::Cleared}) {
        const EvaluatedValue value{11, 12, &tables, change, at};
        const UplinkAlarm alarm = uplinkAlarm(value);
        EXPECT_EQ(alarm.item, "D012");
        const QJsonObject message = parse(alarmPayload(alarm));
        EXPECT_EQ(message["state"].toString(), change == AlarmChange::Raised ? "raised" : "cleared");
        EXPECT_EQ(message["text"].toString(), "99.1");
        EXPECT_EQ(message["time"].toString(), "2024-05-01T08:30:00.000+01:00");
    }
    EXPECT_EQ(uplinkTopic("plant", "st-7", "alarm/D012"), "plant/st-7/alarm/D012");
    EXPECT_EQ(uplinkItemName(256), "D257");
}

TEST(UplinkConfig, Urls) {
    const struct {
        const char* url;
        bool valid;
        const char* host;
        int port;
        bool tls;
    } cases[] = {
        {"mqtt://broker.local", true, "broker.local", 1883, false},
        {"mqtts://10.0.0.5", true, "10.0.0.5", 8883, true},
        {" MQTT://h:1999 ", true, "h", 1999, false},
        {"mqtts://h:443", true, "h", 443, true},
        {"http://h", false, "", 0, false},
        {"h:1883", false, "", 0, false},
        {"", false, "", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const std::optional<UplinkConfig> config = parseUplinkUrl(c.url);
        ASSERT_EQ(config.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(config->host, c.host);
        EXPECT_EQ(config->port, c.port);
        EXPECT_EQ(config->tls, c.tls);
    }
}

TEST(UplinkConfig, DefaultsFromTheSettings) {
    ExtensionSettings settings;
    ProgramFolder folder{"/tmp/p"};
    EXPECT_FALSE(uplinkConfig(settings, folder));  // no URL: no uplink
    settings.uplinkUrl = "mqtt://b";
    settings.uplinkPrefix = " ";
    settings.uplinkSpoolMb = 2;
    const UplinkConfig config = *uplinkConfig(settings, folder);
    EXPECT_FALSE(config.station.isEmpty());
    EXPECT_EQ(config.prefix, "velloran");
    EXPECT_EQ(config.spoolFolder, "/tmp/p/uplink-spool");
    EXPECT_EQ(config.spoolBytes, 2 * 1024 * 1024);
}

}  // namespace
}  // namespace vel
