// Two instruments in one script (CHN:n): one record, one time stamp and one
// CSV row with both instruments' values; each instrument hears only its own
// questions; a channel whose port cannot be opened stops the start; the
// second instrument unplugged or silent is watched on its own channel.
#include <gtest/gtest.h>

#include <QProcess>

#include "fault_run.h"
#include "support/qstring_printer.h"

namespace vel::test {
namespace {

// A meter on channel 0 (two values a reply) and a thermometer on channel 1.
const char kTwoInstrumentScript[] =
    "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:2\r\nSTM:0.5\r\nITM:0.1\r\n"
    "CHN:1\r\nSCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:2\r\nSTM:0.5\r\nCHN:0\r\n"
    "SSS\r\nSND:VOLT?%0D\r\nRCV\r\nCHN:1\r\nSND:TEMP?%0D\r\nRCV\r\nCHN:0\r\nEEE\r\n";

// An instrument as Com N of the folder that prints each line it hears.
struct Instrument {
    QProcess sim;
    bool start(const QString& root, int com, const QString& reply, const QStringList& more = {}) {
        sim.start(kSimulator, QStringList{"--home", root, "--com", QString::number(com), "--reply", reply} + more);
        if (!sim.waitForStarted(5000)) return false;
        const QString link = root + QStringLiteral("/dev/com") + QString::number(com);
        for (int i = 0; i < 1000; ++i) {
            if (QFileInfo(link).symLinkTarget().startsWith("/dev/pts/")) return true;
            QThread::msleep(5);
        }
        return false;
    }
    // Gone as when unplugged: its link goes with it.
    void unplug() {
        sim.terminate();
        sim.waitForFinished(5000);
    }
    // The questions it heard ("< VOLT?\r" lines, escaped).
    QStringList heard() {
        sim.terminate();
        sim.waitForFinished(5000);
        return linesStarting(QString::fromUtf8(sim.readAllStandardOutput()), "< ");
    }
};

TEST(Channels, TwoInstrumentsOneRowEach) {
    FaultRun f;
    ASSERT_TRUE(f.prepare(kTwoInstrumentScript, 0.03, {"channel1.port=6"}));
    EXPECT_TRUE(f.read("velloran.ini").contains("[channel1]"));
    Instrument meter, thermometer;
    ASSERT_TRUE(meter.start(f.root(), kFaultCom, "VOLT?=1.5,{n}\\r"));
    ASSERT_TRUE(thermometer.start(f.root(), 6, "TEMP?=25.0\\r"));
    const CliResult r = f.cli(20000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();

    const CsvRows rows = csvRows(f.csvBytes());
    EXPECT_TRUE(rows.partial.isEmpty());
    ASSERT_GE(rows.lines.size(), 5) << r.out.toStdString();
    EXPECT_EQ(rows.lines[0], "\"No\",\"D001\",\"D002\",\"D003\"");
    for (qsizetype i = 1; i < rows.lines.size(); ++i) {
        const QStringList fields = rows.lines[i].split(',');
        ASSERT_EQ(fields.size(), 4) << rows.lines[i].toStdString();
        EXPECT_EQ(fields[1], "1.5") << rows.lines[i].toStdString();
        EXPECT_EQ(fields[2], QString::number(i)) << "the meter's answer number";
        EXPECT_EQ(fields[3], "25.0") << rows.lines[i].toStdString();
    }
    // Channel 0's lines as ever; channel 1's say which channel.
    EXPECT_FALSE(linesStarting(r.out, "rs: ● VOLT?").isEmpty());
    EXPECT_FALSE(linesStarting(r.out, "rs: ●CH1 TEMP?").isEmpty());
    EXPECT_FALSE(linesStarting(r.out, "rs: ○CH1 25.0").isEmpty());
    EXPECT_TRUE(linesStarting(r.out, "rs: ● TEMP?").isEmpty());

    const QStringList meterHeard = meter.heard(), thermometerHeard = thermometer.heard();
    EXPECT_GE(meterHeard.size(), rows.lines.size() - 1);
    EXPECT_EQ(meterHeard.filter("TEMP?").size(), 0) << "the meter heard the thermometer's question";
    EXPECT_EQ(thermometerHeard.filter("VOLT?").size(), 0) << "the thermometer heard the meter's question";
    EXPECT_GE(thermometerHeard.size(), rows.lines.size() - 1);
}

TEST(Channels, AChannelWithoutItsPortStopsTheStart) {
    struct Case {
        const char* what;
        QStringList extra;
        const char* message;
    };
    const Case cases[] = {
        {"no port named", {}, "通信CH0が使用できません！"},
        {"a port nobody serves", {"channel1.port=9"}, "通信CH9が使用できません！"},
    };
    for (const Case& c : cases) {
        FaultRun f;
        ASSERT_TRUE(f.prepare(kTwoInstrumentScript, 0.03, c.extra)) << c.what;
        ASSERT_TRUE(f.startSim({}));
        const CliResult r = f.cli(15000);
        ASSERT_TRUE(r.finished) << c.what;
        EXPECT_EQ(r.exitCode, 1) << c.what;
        EXPECT_TRUE(r.err.contains("通信ポートがオープンできません！")) << c.what << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << c.what << r.err.toStdString();
        EXPECT_TRUE(csvRows(f.csvBytes()).lines.size() <= 1) << c.what;
    }
}

// The thermometer (channel 1) unplugged for a while, or never answering:
// its own alarm lines name the channel, channel 0 raises none, and every
// row goes on with the meter's values.
TEST(Channels, TheSecondInstrumentIsWatchedOnItsOwn) {
    const char script[] =
        "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:2\r\nSTM:0.5\r\nITM:0.1\r\n"
        "CHN:1\r\nSCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.3\r\nSTM:0.5\r\nCHN:0\r\n"
        "SSS\r\nSND:VOLT?%0D\r\nRCV\r\nCHN:1\r\nSND:TEMP?%0D\r\nRCV\r\nCHN:0\r\nEEE\r\n";
    const QString lost = QStringLiteral("通信ポートが切断されました。再接続を待っています");
    const QString back = QStringLiteral("通信ポートに再接続しました");
    const QString silent = QStringLiteral("計測器から応答がありません（2サイクル連続）");
    const QString replies = QStringLiteral("計測器からの応答が戻りました");
    struct Case {
        const char* what;
        QStringList thermometerArgs;
        bool unplugged;  // gone from 1.5 s to 3 s
        QStringList alarms;
    };
    const Case cases[] = {
        // Its cycles without a port are silent ones too, as on channel 0.
        {"unplugged and back", {}, true, {lost, silent, back, replies}},
        {"silent", {"--drop", "1"}, false, {silent}},
    };
    for (const Case& c : cases) {
        FaultRun f;
        ASSERT_TRUE(f.prepare(script, 0.1, {"channel1.port=6", "reconnect.intervalSeconds=1", "silence.cycles=2"}));
        Instrument meter, thermometer;
        ASSERT_TRUE(meter.start(f.root(), kFaultCom, "VOLT?=1.5,{n}\\r"));
        const QString reply = QStringLiteral("TEMP?=25.0\\r");
        ASSERT_TRUE(thermometer.start(f.root(), 6, reply, c.thermometerArgs));
        bool restarted = false;
        const CliResult r = f.cli(20000, [&](qint64 ms) {
            if (!c.unplugged || restarted) return;
            if (ms > 1500 && thermometer.sim.state() == QProcess::Running) thermometer.unplug();
            if (ms > 3000) restarted = thermometer.start(f.root(), 6, reply);
        });
        ASSERT_TRUE(r.finished) << c.what;
        EXPECT_EQ(r.exitCode, 0) << c.what << r.err.toStdString();
        if (c.unplugged) {
            EXPECT_TRUE(restarted) << c.what;
        }

        const QStringList alarms = linesStarting(r.out, "alarm: ");
        for (const QString& text : {lost, back, silent, replies}) {
            EXPECT_EQ(alarms.filter(", CH1 " + text).size(), c.alarms.contains(text) ? 1 : 0)
                << c.what << " " << text.toStdString() << r.out.toStdString();
            EXPECT_EQ(alarms.filter(", " + text).size(), 0) << c.what << ": channel 0 raised " << text.toStdString();
        }

        const CsvRows rows = csvRows(f.csvBytes());
        ASSERT_GE(rows.lines.size(), 10) << c.what;
        qsizetype withTemperature = 0, withoutAfterOne = 0;
        for (qsizetype i = 1; i < rows.lines.size(); ++i) {
            const QStringList fields = rows.lines[i].split(',');
            ASSERT_GE(fields.size(), 3) << c.what << rows.lines[i].toStdString();
            EXPECT_EQ(fields[1], "1.5") << c.what << rows.lines[i].toStdString();
            if (fields.size() == 4 && fields[3] == "25.0") ++withTemperature;
            else if (withTemperature > 0) ++withoutAfterOne;
        }
        if (c.unplugged) {
            EXPECT_GT(withoutAfterOne, 0) << "rows while the thermometer was away";
            const QStringList last = rows.lines.last().split(',');
            EXPECT_TRUE(last.size() == 4 && last[3] == "25.0") << "its values again: " << rows.lines.last().toStdString();
        } else {
            EXPECT_EQ(withTemperature, 0) << c.what;
        }
        meter.heard();
        thermometer.heard();
    }
}

}  // namespace
}  // namespace vel::test
