// Pictures of the windows for the manual, taken during a run against the
// simulated instrument. Runs only when VEL_SCREENSHOT_DIR names the folder
// to write them to (tools/screenshots.sh).
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "sim_rig.h"
#include "ui/cond_panel.h"
#include "ui/file_panel.h"
#include "ui/exe_layout.h"
#include "ui/file_chooser.h"
#include "ui/qt_translations.h"
#include "settings/extension_settings.h"
#include "ui/form_exe.h"
#include "ui/line_overview.h"
#include "ui/trend_view.h"

namespace vel {
namespace {

bool save(QWidget* w, const QString& folder, const char* name) {
    return w->grab().save(folder + "/" + QString::fromLatin1(name), "PNG");
}

TEST(Screenshots, MainWindowPanelsAndRunMonitor) {
    const QString folder = qEnvironmentVariable("VEL_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "VEL_SCREENSHOT_DIR not set";
    ASSERT_TRUE(QDir().mkpath(folder));

    // The pictures show the demo's program folder when one is named, so
    // they carry no temporary paths.
    const QString home = qEnvironmentVariable("VEL_SCREENSHOT_HOME");
    test::SimRig rig(home);
    ASSERT_TRUE(rig.startSim({"--reply", "MEAS:VOLT:DC?={v1}\\r", "--reply", "MEAS:TEMP?={v2}\\r", "--alarm-every",
                              "3"}));
    QFile script(QStringLiteral(VEL_SOURCE_DIR "/samples/multimeter.txt"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QByteArray scriptBytes = script.readAll();
    rig.openWindow(cp932::decode(scriptBytes).split("\r\n"));
    if (!home.isEmpty()) {
        QFile copy(rig.folder.path("multimeter.txt"));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
        copy.write(scriptBytes);
        rig.window->filePanel()->textScrName->setText(copy.fileName());
        rig.window->filePanel()->textCsvName->setText(rig.folder.path("multimeter.csv"));
    }
    // Volts and degrees: the trend shows two value axes.
    ExtensionSettings extensions = loadExtensionSettings(rig.folder.extensionIni());
    extensions.units = {{QStringLiteral("D001"), QStringLiteral("V")}, {QStringLiteral("D002"), QStringLiteral("℃")}};
    ASSERT_TRUE(saveExtensionSettings(rig.folder.extensionIni(), extensions));
    rig.window->condPanel()->optionTime[1]->setChecked(true);  // the time row in the grid
    ASSERT_TRUE(save(rig.window.get(), folder, "main_window.png"));
    rig.window->openCondPanel();
    ASSERT_TRUE(save(rig.window.get(), folder, "main_conditions.png"));
    rig.window->showMainPanel();
    rig.window->openRsPanel();
    ASSERT_TRUE(save(rig.window.get(), folder, "main_serial.png"));
    rig.window->showMainPanel();
    rig.window->openExtPanel();
    ASSERT_TRUE(save(rig.window.get(), folder, "main_station.png"));
    rig.window->showMainPanel();
    {
        // The file dialog of the script button, at the size it opens with, in
        // Japanese as the program shows it.
        ui::installQtTranslations(*QCoreApplication::instance());
        ui::FileDialog dialog(rig.window.get(), QString(), QFileDialog::AcceptOpen,
                              ui::FileRequest{rig.folder.root, "multimeter.txt", "*.txt", "TXTﾌｧｲﾙ(*.txt)|*.txt"});
        dialog.show();
        test::spinUntil([] { return false; }, 600);
        ASSERT_TRUE(save(&dialog, folder, "file_dialog.png"));
    }

    rig.window->commandStart();
    ASSERT_NE(rig.exe(), nullptr) << rig.box.shown.join(" / ").toStdString();
    ASSERT_TRUE(test::spinUntil([&] { return rig.engine.monitor().recordCount() >= 4; }, 20000));
    ASSERT_TRUE(save(rig.exe(), folder, "run_monitor_compact.png"));
    rig.exeChild<QCheckBox>("CheckLog")->setChecked(true);
    test::spinUntil([] { return false; }, 300);
    ASSERT_TRUE(save(rig.exe(), folder, "run_monitor_detail.png"));
    rig.exeChild<QTabWidget>("SSTab1")->setCurrentIndex(1);
    test::spinUntil([] { return false; }, 100);
    ASSERT_TRUE(save(rig.exe(), folder, "run_monitor_traffic.png"));
    // The trend over the last minute once a dozen records are in, at the
    // detail view's size and in a larger window.
    rig.exeChild<QTabWidget>("SSTab1")->setCurrentIndex(3);
    rig.exeChild<QPushButton>("CommandSpan0")->click();
    ASSERT_TRUE(test::spinUntil([&] { return rig.engine.monitor().recordCount() >= 12; }, 30000));
    test::spinUntil([] { return false; }, 300);
    ASSERT_TRUE(save(rig.exe(), folder, "run_monitor_trend.png"));
    rig.exe()->resize(960, 720);
    test::spinUntil([] { return false; }, 300);
    ASSERT_TRUE(save(rig.exe(), folder, "run_monitor_trend_large.png"));
    // The saved picture, with its heading and legend.
    ui::TrendView* trend = rig.exe()->trendView();
    trend->chooser = [&](QWidget*, const ui::FileRequest&) { return folder + "/trend_picture.png"; };
    rig.exeChild<QPushButton>("CommandSavePicture")->click();
    ASSERT_TRUE(QFileInfo::exists(folder + "/trend_picture.png"));
    rig.exe()->resize(ui::exeDesign().detailMin);
    rig.box.answers = {true};
    rig.exe()->commandRsEnd();
    ASSERT_TRUE(test::spinUntil([&] { return rig.engine.monitor().closeVisible; }, 10000));
    rig.exeChild<QCheckBox>("CheckLog")->setChecked(false);
    test::spinUntil([] { return false; }, 100);
    ASSERT_TRUE(save(rig.exe(), folder, "run_monitor_stopped.png"));
}

// The line overview with four lines running, each against its own
// simulated meter (one of them alarming often).
TEST(Screenshots, LineOverview) {
    const QString folder = qEnvironmentVariable("VEL_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "VEL_SCREENSHOT_DIR not set";
    ASSERT_TRUE(QDir().mkpath(folder));
    QTemporaryDir temporary;
    const QString home = qEnvironmentVariable("VEL_SCREENSHOT_HOME", temporary.path());
    QFile script(QStringLiteral(VEL_SOURCE_DIR "/samples/multimeter.txt"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QByteArray scriptBytes = script.readAll();
    const QStringList names = {"組立ライン1", "組立ライン2", "検査ライン", "梱包ライン"};
    const QStringList alarmEvery = {"0", "0", "3", "0"};  // every 3rd of two queries a cycle
    std::vector<std::unique_ptr<test::SimRig>> lines;
    for (int i = 0; i < names.size(); ++i) {
        const QString root = home + "/lines/" + names[i];
        ASSERT_TRUE(QDir().mkpath(root));
        QFile::remove(root + "/multimeter.csv");
        auto rig = std::make_unique<test::SimRig>(root);
        QStringList args = {"--reply", "MEAS:VOLT:DC?={v1}\\r", "--reply", "MEAS:TEMP?={v2}\\r"};
        if (alarmEvery[i] != "0") args << "--alarm-every" << alarmEvery[i];
        ASSERT_TRUE(rig->startSim(args));
        const QString scriptPath = rig->folder.path("multimeter.txt");
        QFile copy(scriptPath);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
        copy.write(scriptBytes);
        copy.close();
        ASSERT_TRUE(rig->saveSetup(scriptPath, rig->folder.path("multimeter.csv")));
        lines.push_back(std::move(rig));
    }
    test::RecordingMessageBox questions;
    const QString listFile = temporary.path() + "/stations.ini";
    ui::LineOverview overview([](const ProgramFolder& f) { return std::make_unique<Station>(f, StationOptions{}); },
                              lines[0]->folder, listFile, questions);
    ASSERT_TRUE(overview.startUp());
    for (size_t i = 1; i < lines.size(); ++i) ASSERT_TRUE(overview.addStation(lines[i]->folder.root));
    overview.begin();
    for (int row = 0; row < overview.stationCount(); ++row) overview.runButton(row)->click();
    ASSERT_TRUE(test::spinUntil(
        [&] {
            for (int row = 0; row < overview.stationCount(); ++row)
                if (overview.station(row).status().records < 5) return false;
            return true;
        },
        30000))
        << questions.shown.join(" / ").toStdString();
    test::spinUntil([] { return false; }, 300);
    ASSERT_TRUE(save(&overview, folder, "line_overview.png"));
    questions.answers.assign(static_cast<size_t>(overview.stationCount()), true);
    overview.close();
    ASSERT_TRUE(test::spinUntil([&] { return !overview.isVisible(); }, 20000));
}

}  // namespace
}  // namespace vel
