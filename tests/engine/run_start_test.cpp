// The start button's checks and steps, and the run monitor's stop.
#include <gtest/gtest.h>

#include "support/engine_rig.h"

namespace vel::test {
namespace {

TEST(RunStart, ChecksStopTheStartInTheirOrder) {
    struct Case {
        const char* what;
        std::function<void(EngineRig&)> prepare;
        QString message;
    };
    const Case cases[] = {
        {"csv name of spaces",
         [](EngineRig& r) {
             r.engine.settings().csvOn = true;
             r.engine.settings().csvPath = "   ";
             r.engine.settings().alarmMailOn = true;  // not looked at: the CSV check comes first
         },
         QStringLiteral("CSVファイルを指定してください！")},
        {"normal mail without a name",
         [](EngineRig& r) { r.engine.settings().normalMailOn = true; },
         QStringLiteral("通常メール設定ファイルを指定して下さい！")},
        {"normal mail file missing",
         [](EngineRig& r) {
             r.engine.settings().normalMailOn = true;
             r.engine.settings().normalMailFile = r.tmp.path("none.txt");
         },
         QStringLiteral("通常メール設定ファイルがありません！")},
        {"alarm mail without a name",
         [](EngineRig& r) { r.engine.settings().alarmMailOn = true; },
         QStringLiteral("アラームメール設定ファイルを指定して下さい！")},
        {"alarm mail file missing, normal mail off",
         [](EngineRig& r) {
             r.engine.settings().alarmMailOn = true;
             r.engine.settings().alarmMailFile = r.tmp.path("none.txt");
         },
         QStringLiteral("アラームメール設定ファイルがありません！")},
    };
    for (const Case& c : cases) {
        EngineRig rig;
        c.prepare(rig);
        EXPECT_FALSE(rig.start()) << c.what;
        EXPECT_EQ(rig.box.shown, QStringList{c.message}) << c.what;
        EXPECT_EQ(rig.port.opens, 0) << c.what;  // before any port is opened
        EXPECT_FALSE(rig.engine.running());
        EXPECT_TRUE(QFile::exists(rig.tmp.folder.setupDat())) << c.what;  // the choices were saved first
    }
}

TEST(RunStart, APortThatCannotOpenGivesTwoMessages) {
    EngineRig rig;
    rig.port.setPortNumber(7);  // the serial panel sets the number on the port
    rig.port.canOpen = false;
    EXPECT_FALSE(rig.start());
    EXPECT_EQ(rig.box.shown, (QStringList{QStringLiteral("通信ポートがオープンできません！"),
                                          QStringLiteral("通信CH7が使用できません！")}));
}

TEST(RunStart, ABadScriptLeavesThePortOpenForTheNextStart) {
    EngineRig rig;
    rig.useScript({"XYZ"});
    EXPECT_FALSE(rig.start());
    ASSERT_EQ(rig.box.shown.size(), 1);
    EXPECT_TRUE(rig.box.shown[0].contains(QStringLiteral("ｽｸﾘﾌﾟﾄNo.1:XYZ")));
    EXPECT_TRUE(rig.port.isOpen());
    rig.useScript({"SSS", "EEE"});
    EXPECT_TRUE(rig.start());
    EXPECT_EQ(rig.port.opens, 1);  // the open port is accepted
}

TEST(RunStart, ASecondRunStartsFreshOnThePortTheFirstLeftOpen) {
    EngineRig rig;
    rig.useScript({"SND:A", "RCV", "SET", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.runFor(30);
    rig.port.receive("1,2\r3,");  // the end of the run cuts the second reply
    rig.runFor(200);
    ASSERT_FALSE(rig.engine.running());
    EXPECT_EQ(rig.engine.tables().dataItems[0].count, 1);

    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.port.opens, 1);
    EXPECT_TRUE(rig.engine.run().receiveBuffer[0].isEmpty());  // "3," is not taken into the new run
    EXPECT_EQ(rig.engine.tables().dataItems[0].count, 0);     // statistics start again
    EXPECT_EQ(rig.engine.monitor().lampColour, kColourGreen);
}

TEST(RunStart, SettingsThePortRefusedAreOnTheErrorLineUntilALineErrorReplacesThem) {
    struct Case {
        const char* what;
        QStringList refuses;
        QString shown;
    };
    const Case cases[] = {
        {"all taken", {}, QString()},
        {"parity", {"parity"}, QStringLiteral("通信ポートが次の通信条件を受け付けませんでした: ﾊﾟﾘﾃｨ(Even)")},
        {"data bits and flow control", {"handshaking", "data bits"},
         QStringLiteral("通信ポートが次の通信条件を受け付けませんでした: ﾃﾞｰﾀ ﾋﾞｯﾄ(7)、ﾌﾛｰ制御(RTS)")},
    };
    for (const Case& c : cases) {
        EngineRig rig;
        ASSERT_TRUE(rig.port.setSettings("9600,e,7,1"));
        rig.port.setHandshaking(2);
        rig.port.refuses = c.refuses;
        rig.useScript({"SND:A", "RCV", "SET", "EEE"});
        ASSERT_TRUE(rig.start()) << c.what;
        rig.runFor(30);
        EXPECT_EQ(rig.engine.monitor().labelErrorMess, c.shown) << c.what;
        EXPECT_TRUE(rig.box.shown.isEmpty()) << c.what;  // a line on the monitor, not a message box
        rig.port.event(CommErFrame);
        EXPECT_TRUE(rig.engine.monitor().labelErrorMess.endsWith(QStringLiteral("ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。")))
            << c.what;
    }
}

// Channel 1's port beside channel 0's: what either refused is on the error
// line, channel 0's as ever, channel 1's named.
TEST(RunStart, EveryChannelPortsRefusalIsOnTheErrorLine) {
    const QString parity = QStringLiteral("通信ポートが次の通信条件を受け付けませんでした: ﾊﾟﾘﾃｨ(Even)");
    const QString dataBits = QStringLiteral("通信ポートが次の通信条件を受け付けませんでした: ﾃﾞｰﾀ ﾋﾞｯﾄ(7)");
    struct Case {
        QStringList refuses0, refuses1;
        QString shown;
    };
    const Case cases[] = {
        {{}, {}, QString()},
        {{"parity"}, {}, parity},
        {{}, {"data bits"}, "CH1 " + dataBits},
        {{"parity"}, {"data bits"}, parity + QStringLiteral("　CH1 ") + dataBits},
    };
    for (const Case& c : cases) {
        TempProgramFolder tmp;
        ManualClock clock;
        RecordingMessageBox box;
        FakeSerialPort port, port1;
        FakeMailer mailer;
        EnginePlatform platform{clock, box, port, mailer, tmp.folder, {}, {}};
        platform.channelPorts[1] = &port1;
        Engine engine{platform};
        ExtensionSettings ext;
        ext.channels[1] = ChannelPort{2, QStringLiteral("9600,o,7,1")};
        saveExtensionSettings(tmp.folder.extensionIni(), ext);
        port.setPortNumber(1);
        ASSERT_TRUE(port.setSettings("9600,e,7,1"));
        port.refuses = c.refuses0;
        port1.refuses = c.refuses1;
        engine.startUp();
        engine.settings().scriptPath =
            tmp.write("script.txt", QByteArray("SND:A\r\nRCV\r\nCHN:1\r\nSND:B\r\nRCV\r\nEEE\r\n"));
        ASSERT_TRUE(engine.startRun()) << c.shown.toStdString();
        EXPECT_EQ(engine.monitor().labelErrorMess, c.shown);
        EXPECT_TRUE(box.shown.isEmpty());
    }
}

TEST(RunMonitorStop, AnsweringNoLeavesTheRunGoingAndYesEndsItWithTheDataLog) {
    EngineRig rig;
    rig.useScript({"SSS", "RCV", "SET", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.tick();
    rig.port.receive("1.5\r");
    rig.runFor(50);
    rig.engine.requestStop();  // No
    EXPECT_EQ(rig.box.asked, QStringList{QStringLiteral("データ取得を終了しますか？")});
    EXPECT_TRUE(rig.engine.running());

    rig.box.answers.push_back(true);
    rig.engine.requestStop();
    EXPECT_FALSE(rig.engine.running());
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.engine.monitor().labelMess, QStringLiteral("強制終了しました！ 「戻る」ボタンを押して下さい"));
    EXPECT_EQ(rig.engine.monitor().lampColour, kColourRed);
    EXPECT_TRUE(rig.engine.monitor().closeVisible);
    const QString dataLog = cp932::decode(rig.tmp.read("Log/DataLog.log"));
    EXPECT_TRUE(dataLog.startsWith(QStringLiteral("\"取得時間\""))) << dataLog.toStdString();
    EXPECT_TRUE(rig.box.shown.isEmpty());  // a stop shows no end-of-script message
}

TEST(RunMonitorStop, NextDeadlineNamesTheEndOfTheWaitOrTheNextCycle) {
    EngineRig rig;
    rig.useScript({"ITM:1", "SSS", "WTM:0.2", "EEE"});
    ASSERT_TRUE(rig.start());
    rig.runFor(30);  // ITM, SSS at 20, WTM from 30
    EXPECT_EQ(rig.engine.nextDeadlineMs(), Fixed4::fromInt(230));
    rig.runFor(250);  // EEE done, waiting for the cycle at 1020
    EXPECT_EQ(rig.engine.nextDeadlineMs(), Fixed4::fromInt(1020));
    EXPECT_EQ(rig.engine.nextTickIntervalMs(10), 10);
    rig.clock.setMs(1015);
    EXPECT_EQ(rig.engine.nextTickIntervalMs(10), 5);
}

TEST(RunMonitorStop, WithoutAnIntervalTheUsualTickPacesTheCycles) {
    EngineRig rig;
    rig.useScript({"SSS", "EEE"});  // EEE right after SSS only ever waits for the next cycle
    ASSERT_TRUE(rig.start());
    rig.runFor(50);
    EXPECT_EQ(rig.engine.nextTickIntervalMs(10), 10);
}

TEST(RunMonitorStop, ABufferedReplyBringsTheNextTickAtOnceUnlessATimedWaitHoldsTheLoop) {
    struct Case {
        const char* what;
        QStringList script;
        std::function<void(EngineRig&)> before;  // runs the loop to the point looked at
        QString received;
        int interval;
    };
    const QStringList listen{"ECD:%0D", "RTM:1", "SSS", "RCV", "EEE"};
    const Case cases[] = {
        {"receive wait", listen, [](EngineRig& r) { r.runFor(50); }, "1.5\r", 0},
        {"part of a reply", listen, [](EngineRig& r) { r.runFor(50); }, "1.5", 10},
        {"other end code", listen, [](EngineRig& r) { r.runFor(50); }, "1.5\n", 10},
        {"wait time", {"ECD:%0D", "SSS", "WTM:0.5", "RCV", "EEE"}, [](EngineRig& r) { r.runFor(30); }, "1\r", 10},
        {"cycle grid",
         {"ECD:%0D", "ITM:1", "SSS", "RCV", "EEE"},
         [](EngineRig& r) {
             r.runFor(40);
             r.port.receive("1\r");
             r.runFor(40);  // RCV takes it, EEE closes the cycle and waits for 1,030
         },
         "2\r", 10},
        {"paused", {"ECD:%0D", "SSS", "PAU", "RCV", "EEE"}, [](EngineRig& r) { r.runFor(40); }, "1\r", 10},
        {"run over", {"ECD:%0D", "RCV"}, [](EngineRig& r) {
             r.port.receive("1\r");
             r.runFor(40);
         }, "2\r", 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineRig rig;
        rig.useScript(c.script);
        ASSERT_TRUE(rig.start());
        c.before(rig);
        rig.port.receive(c.received);
        EXPECT_EQ(rig.engine.nextTickIntervalMs(10), c.interval);
    }
}

TEST(RunMonitorStop, BufferedRepliesAreWorkedOffTickAfterTickUntilTheLoopWaitsForTheLine) {
    EngineRig rig;
    rig.useScript({"ECD:%0D", "RTM:1", "ITM:0", "SSS", "RCV", "EEE"});
    rig.engine.settings().csvOn = true;
    rig.engine.settings().csvPath = rig.tmp.path("out.csv");
    ASSERT_TRUE(rig.start());
    rig.runFor(50);
    rig.port.receive("1\r2\r3\r4");
    int ticks = 0;
    while (rig.engine.nextTickIntervalMs(10) == 0 && ticks < 100) {
        rig.tick(0);  // the timer fires at once: no time passes
        ++ticks;
    }
    EXPECT_EQ(ticks, 10) << "three steps a reply; the last cycle is closed at once too, then RCV waits for the line";
    EXPECT_EQ(rig.engine.run().receiveBuffer[0], QStringLiteral("4"));
    rig.runFor(20);
    EXPECT_EQ(rig.engine.monitor().recordCount(), 3);
    rig.engine.forceEnd();
    EXPECT_EQ(rig.tmp.read("out.csv").count("\r\n"), 4) << "a header and a row a reply";
}

}  // namespace
}  // namespace vel::test
