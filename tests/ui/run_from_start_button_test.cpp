// Whole runs from the start button against the simulated instrument: the
// run monitor shows the values and the end, "戻る" brings the main window
// back, "終了" asks before it stops, and the close box waits for the end.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "sim_rig.h"
#include "ui/form_exe.h"

namespace vel {
namespace {

const QStringList kOneShot = {"NAM:D1=Volt", "SND:MEAS?%0D", "RCV", "SET"};
const QStringList kCycling = {"ITM:0.05", "SSS", "SND:MEAS?%0D", "RCV", "SET", "EEE"};

QString cell(QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

TEST(RunFromStartButton, RunsToItsEndAndReturnsToTheMainWindow) {
    test::SimRig rig;
    ASSERT_TRUE(rig.startSim());
    rig.openWindow(kOneShot);
    rig.window->commandStart();
    ASSERT_NE(rig.exe(), nullptr) << rig.box.shown.join(" / ").toStdString();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_EQ(rig.exe()->windowTitle(), "Velloran （通信処理）");

    ASSERT_TRUE(test::spinUntil([&] { return rig.engine.runOver(); }));
    auto* grid = rig.exeChild<QTableWidget>("MSFlexData");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "ﾃﾞｰﾀ");
    EXPECT_EQ(cell(grid, 0, 1), "Volt");
    EXPECT_EQ(cell(grid, 0, 2), "12.345");
    EXPECT_EQ(cell(grid, 1, 2), "67.890");
    EXPECT_EQ(rig.exeChild<QLabel>("LabelMess")->text(), "終了しました！ 「戻る」ボタンを押して下さい");
    EXPECT_FALSE(rig.exeChild<QPushButton>("CommandRsEnd")->isVisible());
    EXPECT_TRUE(rig.exeChild<QPushButton>("CommandClose")->isVisible());
    EXPECT_TRUE(rig.box.shown.contains("スクリプトの処理を終了しました"));

    rig.exeChild<QPushButton>("CommandClose")->click();
    ASSERT_TRUE(test::spinUntil([&] { return rig.exe() == nullptr; }));
    EXPECT_TRUE(rig.window->isVisible());
}

TEST(RunFromStartButton, StopAsksFirstAndCloseBoxWaitsForTheEnd) {
    test::SimRig rig;
    ASSERT_TRUE(rig.startSim());
    rig.openWindow(kCycling);
    rig.window->commandStart();
    ASSERT_NE(rig.exe(), nullptr) << rig.box.shown.join(" / ").toStdString();
    ASSERT_TRUE(test::spinUntil([&] { return rig.engine.monitor().recordCount() >= 2; }));

    // The close box during a run leaves the window open.
    EXPECT_FALSE(rig.exe()->close());
    EXPECT_TRUE(rig.exe()->isVisible());

    // No keeps the run going.
    rig.box.answers = {false};
    rig.exeChild<QPushButton>("CommandRsEnd")->click();
    EXPECT_EQ(rig.box.asked, QStringList{"データ取得を終了しますか？"});
    EXPECT_TRUE(rig.engine.running());
    const int count = rig.engine.monitor().recordCount();
    ASSERT_TRUE(test::spinUntil([&] { return rig.engine.monitor().recordCount() > count; }));

    rig.box.answers = {true};
    rig.exeChild<QPushButton>("CommandRsEnd")->click();
    EXPECT_FALSE(rig.engine.running());
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.exeChild<QLabel>("LabelMess")->text(), "強制終了しました！ 「戻る」ボタンを押して下さい");
    EXPECT_TRUE(rig.exeChild<QPushButton>("CommandClose")->hasFocus() ||
                rig.engine.monitor().focus == MonitorFocus::Close);

    // The CSV file is closed by the stop, after a header and one row per cycle.
    const QString csv = cp932::decode(rig.home.read("out.csv"));
    EXPECT_TRUE(csv.startsWith("\"D001\",\"D002\",\"D003\"\r\n12.345,67.890,1013\r\n")) << csv.toStdString();
    EXPECT_GE(csv.count("\r\n"), rig.engine.monitor().recordCount());

    EXPECT_TRUE(rig.exe()->close());
    ASSERT_TRUE(test::spinUntil([&] { return rig.exe() == nullptr; }));
    EXPECT_TRUE(rig.window->isVisible());
}

}  // namespace
}  // namespace vel
