// velloran-sim driven through the real port, as the program and the
// whole-program tests use it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/event_spin.h"
#include "serial/qt_serial_port.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

const QString kSim = QStringLiteral(VEL_BINARY_DIR "/velloran-sim");

// One simulator process linked as dev/comN of a temporary program folder,
// and a port opened on that number.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureCoreApplication();
        ASSERT_TRUE(QFileInfo(kSim).isExecutable()) << "build velloran-sim first";
        port.setEventHandler([this](const CommEvent& e) {
            if (e.code == CommEvReceive) text += e.data;
            else if (e.code != CommEvSend) codes.push_back(e.code);  // line events and errors
        });
    }
    void TearDown() override {
        port.close();
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(5000);
        }
    }

    QString link() const { return home.folder.comLink(kCom); }
    bool linkedToPty() const { return QFileInfo(link()).symLinkTarget().startsWith("/dev/pts/"); }

    // Starts the simulator and waits until its link is in place.
    void start(QStringList args) {
        args << "--home" << home.folder.root << "--com" << QString::number(kCom);
        sim.start(kSim, args);
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(test::spinUntil([this] { return linkedToPty(); })) << "no link " << link().toStdString();
    }
    void openPort() {
        port.setPortNumber(kCom);
        ASSERT_TRUE(port.open());
        port.prepare();
    }
    // Sends a command and waits for `count` replies ending with CR.
    QString ask(const QByteArray& command, int count = 1) {
        text.clear();
        port.write(command);
        test::spinUntil([&] { return text.count('\r') >= count; });
        return text;
    }
    int stop() {
        sim.terminate();
        EXPECT_TRUE(sim.waitForFinished(5000));
        return sim.exitStatus() == QProcess::NormalExit ? sim.exitCode() : -1;
    }

    static constexpr int kCom = 4;
    test::TempProgramFolder home;
    QProcess sim;
    QtSerialPort port{home.folder};
    QString text;
    std::vector<int> codes;
};

TEST_F(SimTest, AnswersMeasureWithDriftingValuesAndCleansUp) {
    start({});
    openPort();
    EXPECT_EQ(ask("MEAS?\r"), "12.345,67.890,1013\r");
    const QRegularExpression reading(R"(^(\d+\.\d{3}),(\d+\.\d{3}),(\d+)\r$)");
    for (int i = 0; i < 5; ++i) {
        const QString r = ask("MEAS?\r");
        const auto m = reading.match(r);
        ASSERT_TRUE(m.hasMatch()) << r.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), 12.345, 0.1) << "values drift slowly";
        EXPECT_NEAR(m.captured(3).toDouble(), 1013, 10);
    }
    EXPECT_TRUE(ask("*IDN?\r").contains("velloran-sim"));

    EXPECT_EQ(stop(), 0);
    EXPECT_FALSE(QFileInfo(link()).isSymLink()) << "the link goes with the simulator";
    const QString out = QString::fromUtf8(sim.readAllStandardOutput());
    EXPECT_TRUE(out.contains("< MEAS?\\r\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("> 12.345,67.890,1013\\r\n")) << out.toStdString();
}

TEST_F(SimTest, ConfiguredRepliesWithEveryCommandEnding) {
    start({"--reply", "T?=温度{v1}\\r", "--reply", "MEAS?=A\\tB\\r", "--reply", "ID=x\\x81\\r"});
    openPort();
    struct Case { QByteArray command; QString reply; };
    const Case cases[] = {
        {"T?\r", QStringLiteral("温度12.345\r")},   // CP932 on the line, first reading
        {"MEAS?\n", "A\tB\r"},                     // the default answer is overridden
        {"MEAS?\r\n", "A\tB\r"},                   // CR LF is one ending, not two commands
        {"  ID \r", QString("x") + QChar(char16_t(cp932::kRawByteBase + 0x81)) + "\r"},
    };
    for (const Case& c : cases) EXPECT_EQ(ask(c.command), c.reply) << c.command.data();
    EXPECT_EQ(ask("NOPE\rMEAS?\r"), "A\tB\r") << "an unknown command gets no answer";
}

TEST_F(SimTest, DropsEveryNthAnswer) {
    start({"--drop", "2", "--reply", "A?=a\\r", "--reply", "B?=b\\r", "--reply", "C?=c\\r"});
    openPort();
    EXPECT_EQ(ask("A?\rB?\rC?\r", 2), "a\rc\r");
    stop();
    EXPECT_TRUE(QString::fromUtf8(sim.readAllStandardOutput()).contains("x b\\r\n"));
}

TEST_F(SimTest, EveryNthReadingIsAnAlarmValue) {
    start({"--alarm-every", "3"});
    openPort();
    const QStringList replies = ask("MEAS?\rMEAS?\rMEAS?\rMEAS?\r", 4).split('\r', Qt::SkipEmptyParts);
    ASSERT_EQ(replies.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const double v1 = replies[i].section(',', 0, 0).toDouble();
        if (i == 2) EXPECT_GT(v1, 500) << replies[i].toStdString();
        else EXPECT_LT(v1, 20) << replies[i].toStdString();
    }
}

TEST_F(SimTest, SameSeedGivesTheSameReadings) {
    auto readings = [this](const QString& seed) {
        start({"--seed", seed, "--quiet"});
        openPort();
        const QString r = ask("MEAS?\rMEAS?\rMEAS?\rMEAS?\rMEAS?\rMEAS?\r", 6);
        port.close();
        stop();
        return r;
    };
    const QString first = readings("7");
    EXPECT_EQ(first.count('\r'), 6);
    EXPECT_EQ(readings("7"), first);
}

TEST_F(SimTest, StreamsWithoutBeingAsked) {
    start({"--stream", "20"});
    openPort();
    ASSERT_TRUE(test::spinUntil([this] { return text.count('\r') >= 3; }));
    EXPECT_TRUE(text.startsWith("12.345,67.890,1013\r")) << text.toStdString();
}

TEST_F(SimTest, DelaysEachReply) {
    start({"--delay", "300"});
    openPort();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ask("MEAS?\r"), "12.345,67.890,1013\r");
    EXPECT_GE(clock.elapsed(), 290);
}

TEST_F(SimTest, FloodsWithoutAnEndCodeAndStillStops) {
    start({"--flood", "--quiet"});
    openPort();
    ASSERT_TRUE(test::spinUntil([this] { return text.size() > 20000; }));
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_EQ(stop(), 0);
}

TEST_F(SimTest, ThePortReopensOnTheSameSimulator) {
    start({});
    openPort();
    EXPECT_EQ(ask("MEAS?\r"), "12.345,67.890,1013\r");
    port.close();
    openPort();  // a second run on the same instrument
    EXPECT_EQ(ask("MEAS?\r").size(), 19);
}

TEST_F(SimTest, InstrumentGoneWhileOpen) {
    start({});
    openPort();
    EXPECT_EQ(ask("MEAS?\r"), "12.345,67.890,1013\r");
    sim.kill();
    ASSERT_TRUE(test::spinUntil([this] { return !codes.empty(); }));
    EXPECT_EQ(codes, std::vector<int>{CommErDcb});
    EXPECT_FALSE(port.isOpen());
    port.write("MEAS?\r");  // what the run does next must not hang or crash
    port.close();
}

TEST_F(SimTest, ReplacesAStaleLinkButNoOtherFile) {
    QDir().mkpath(home.path("dev"));
    ASSERT_TRUE(QFile::link("/nonexistent/pts/9", link()));
    start({});
    EXPECT_EQ(stop(), 0);
    EXPECT_FALSE(QFileInfo(link()).isSymLink());

    home.write("dev/com4", "keep me");
    sim.start(kSim, {"--home", home.folder.root, "--com", "4"});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 1);
    EXPECT_EQ(home.read("dev/com4"), "keep me");
}

TEST_F(SimTest, RefusesArgumentsItDoesNotKnow) {
    const QStringList cases[] = {{"--bogus"}, {"--stream"}, {"--drop", "x"}, {"--com", "2"},
                                 {"--reply", "=x"}, {"--home", "/tmp", "--link", "/tmp/x"}};
    for (const QStringList& args : cases) {
        sim.start(kSim, args);
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace vel
