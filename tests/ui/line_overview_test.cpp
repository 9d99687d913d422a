// The line overview with two real stations of the window program, each
// against its own simulated instrument: one started through its main
// window's start button, the other from setup.dat; a notice box of one left
// open holds neither; one stopped while the other goes on; the program ends
// only with the overview, which stops the run still going; each CSV has
// every row of its run.
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "sim_rig.h"
#include "ui/form_exe.h"
#include "ui/line_overview.h"
#include "ui/station_list.h"

namespace vel {
namespace {

const QStringList kCycling = {"ITM:0.05", "SSS", "SND:MEAS?%0D", "RCV", "SET", "EEE"};

// setup.dat of a line: the cycling script, CSV on, Com1.
void prepareLine(test::SimRig& line) {
    const QString script = line.home.write("script.txt", cp932::encode(kCycling.join("\r\n") + "\r\n"));
    ASSERT_TRUE(line.saveSetup(script, line.home.path("out.csv")));
}

std::unique_ptr<Station> realStation(const ProgramFolder& folder) {
    return std::make_unique<Station>(folder, StationOptions{});
}

// The data rows of a CSV file (after its header), each whole.
int csvRows(const test::SimRig& line) {
    const QString csv = cp932::decode(line.home.read("out.csv"));
    EXPECT_TRUE(csv.endsWith("\r\n")) << "a partial last row";
    EXPECT_TRUE(csv.startsWith("\"D001\",\"D002\",\"D003\"\r\n"));
    int rows = 0;
    for (const QString& row : csv.split("\r\n", Qt::SkipEmptyParts).mid(1)) {
        EXPECT_EQ(row.split(',').size(), 3) << row.toStdString();
        ++rows;
    }
    return rows;
}

TEST(LineOverview, TwoStationsRunSideBySideAndEndIndependently) {
#ifdef __SANITIZE_ADDRESS__
    // The stations' offscreen windows leave cycles of Qt's own objects at
    // the program's end (indirect leaks only, no stack of ours); this test
    // is about the runs, so the leak check looks away while it lasts.
    __lsan::ScopedDisabler leaksOfTheWindows;
#endif
    test::SimRig a, b;
    ASSERT_TRUE(a.startSim());
    ASSERT_TRUE(b.startSim());
    prepareLine(a);
    prepareLine(b);
    const QString listFile = a.home.path("config/velloran/stations.ini");
    test::RecordingMessageBox questions;

    {
        // Nothing added: today's program, its main window alone, whose close ends it.
        ui::LineOverview single(realStation, a.folder, listFile, questions);
        bool ended = false;
        single.onEnded = [&] { ended = true; };
        ASSERT_TRUE(single.startUp());
        single.begin();
        ASSERT_NE(single.mainWindow(0), nullptr);
        EXPECT_TRUE(single.mainWindow(0)->isVisible());
        EXPECT_EQ(single.mainWindow(0)->windowTitle(), "Velloran");
        EXPECT_FALSE(single.isVisible());
        single.mainWindow(0)->close();
        EXPECT_TRUE(ended);
    }
    {
        // Added once, refused when listed (under another spelling) or unusable.
        ui::LineOverview first(realStation, a.folder, listFile, questions);
        ASSERT_TRUE(first.startUp());
        EXPECT_TRUE(first.addStation(b.folder.root));
        EXPECT_FALSE(first.addStation(b.folder.root + "/."));
        EXPECT_FALSE(first.addStation(a.folder.root));
        EXPECT_FALSE(first.addStation(a.home.path("no-such-folder")));
        EXPECT_EQ(questions.shown, (QStringList{ui::kStationListedMessage + b.folder.root + "/.",
                                                ui::kStationListedMessage + a.folder.root,
                                                ui::kStationUnusableMessage + a.home.path("no-such-folder")}));
        EXPECT_EQ(first.stationCount(), 2);
    }
    EXPECT_EQ(ui::loadStationFolders(listFile), QStringList{b.folder.root});

    // With a folder added, the program opens with the overview.
    ui::LineOverview overview(realStation, a.folder, listFile, questions);
    bool ended = false;
    overview.onEnded = [&] { ended = true; };
    ASSERT_TRUE(overview.startUp());
    overview.begin();
    ASSERT_EQ(overview.stationCount(), 2);
    EXPECT_TRUE(overview.isVisible());
    EXPECT_EQ(overview.mainWindow(0), nullptr);

    // a through its main window's start button, b from setup.dat alone.
    overview.openButton(0)->click();
    ASSERT_NE(overview.mainWindow(0), nullptr);
    EXPECT_TRUE(overview.mainWindow(0)->isVisible());
    overview.runButton(0)->click();
    ASSERT_TRUE(test::spinUntil([&] { return overview.runMonitor(0) != nullptr; }));
    overview.runButton(1)->click();
    Station& sa = overview.station(0);
    Station& sb = overview.station(1);
    ASSERT_TRUE(test::spinUntil([&] { return sa.status().records >= 3 && sb.status().records >= 3; }, 20000))
        << questions.shown.join(" / ").toStdString();
    EXPECT_EQ(overview.runButton(1)->text(), "終了");
    EXPECT_EQ(overview.mainWindow(1), nullptr);

    // A notice of a, left open over a's run monitor: both lines go on.
    QWidget* noticeOwner = nullptr;
    int aAtOpen = -1, bAtOpen = -1;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (aAtOpen < 0) {
            noticeOwner = box->parentWidget();
            aAtOpen = sa.status().records;
            bAtOpen = sb.status().records;
        } else if (sa.status().records >= aAtOpen + 5 && sb.status().records >= bAtOpen + 5) {
            box->accept();
        }
    });
    user.start(10);
    QTimer::singleShot(15000, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    sa.view().notice(QStringLiteral("a の通知"), false);  // as the station posts one
    user.stop();
    EXPECT_EQ(noticeOwner, overview.runMonitor(0));
    EXPECT_GE(sb.status().records, bAtOpen + 5) << "b held by a's notice";
    EXPECT_GE(sa.status().records, aAtOpen + 5) << "a's run held by its own notice";

    // a stops after the question; b goes on.
    questions.answers = {false};
    overview.runButton(0)->click();
    EXPECT_TRUE(sa.running()) << "No keeps the run";
    questions.answers = {true};
    overview.runButton(0)->click();
    EXPECT_EQ(questions.asked, (QStringList{kStopQuestion, kStopQuestion}));
    ASSERT_TRUE(test::spinUntil([&] { return !sa.running(); }));
    EXPECT_TRUE(sb.running());
    const int bAtStop = sb.status().records;
    ASSERT_TRUE(test::spinUntil([&] { return sb.status().records >= bAtStop + 10; }));
    EXPECT_EQ(csvRows(a), sa.status().records);
    EXPECT_EQ(overview.runButton(0)->text(), "開始");

    // a's windows close and the program goes on, b with it.
    overview.runMonitor(0)->findChild<QPushButton*>("CommandClose")->click();
    ASSERT_TRUE(test::spinUntil([&] { return overview.mainWindow(0)->isVisible(); }));
    overview.mainWindow(0)->close();
    ASSERT_TRUE(test::spinUntil([&] { return overview.mainWindow(0) == nullptr; }));
    EXPECT_FALSE(ended);
    EXPECT_TRUE(overview.isVisible());
    const int bAfterClose = sb.status().records;
    ASSERT_TRUE(test::spinUntil([&] { return sb.status().records >= bAfterClose + 5; }));

    // Closing the overview asks while b runs; Yes stops b as a stop signal
    // does and ends the program once b's outputs are done.
    questions.answers = {false};
    overview.close();
    EXPECT_FALSE(ended);
    EXPECT_TRUE(sb.running());
    questions.answers = {true};
    overview.close();
    EXPECT_EQ(questions.asked.mid(2), (QStringList{ui::kEndRunsQuestion, ui::kEndRunsQuestion}));
    ASSERT_TRUE(test::spinUntil([&] { return ended; }));
    EXPECT_FALSE(sb.running());
    EXPECT_EQ(csvRows(b), sb.status().records);
    EXPECT_GT(sb.status().records, sa.status().records);
    EXPECT_EQ(ui::loadStationFolders(listFile), QStringList{b.folder.root});
}

}  // namespace
}  // namespace vel
