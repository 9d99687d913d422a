// The start button's checks: the first that fails shows its message, no run
// starts, and the main window stays; the settings are saved in any case.
#include <QCheckBox>

#include <gtest/gtest.h>

#include "settings/setup_dat_file.h"
#include "ui/cond_panel.h"
#include "ui/file_panel.h"
#include "ui_rig.h"

namespace vel {
namespace {

struct StartCase {
    const char* what;
    std::function<void(test::FormRig&)> arrange;
    QStringList messages;
    int opens;
};

TEST(StartChecks, FirstFailingCheckStopsTheStart) {
    const StartCase cases[] = {
        {"CSV name of spaces",
         [](test::FormRig& r) {
             r.window->filePanel()->checkCsv->setChecked(true);
             r.window->filePanel()->textCsvName->setText("   ");
         },
         {"CSVファイルを指定してください！"}, 0},
        {"normal mail without a name",
         [](test::FormRig& r) { r.window->condPanel()->checkTujyo->setChecked(true); },
         {"通常メール設定ファイルを指定して下さい！"}, 0},
        {"normal mail file missing",
         [](test::FormRig& r) {
             r.window->condPanel()->checkTujyo->setChecked(true);
             r.window->condPanel()->textTujyoName->setText(r.tmp.path("none.txt"));
         },
         {"通常メール設定ファイルがありません！"}, 0},
        {"alarm mail without a name",
         [](test::FormRig& r) { r.window->condPanel()->checkKinkyu->setChecked(true); },
         {"アラームメール設定ファイルを指定して下さい！"}, 0},
        {"alarm mail file missing, normal mail off",
         [](test::FormRig& r) {
             r.window->condPanel()->checkKinkyu->setChecked(true);
             r.window->condPanel()->textKinkyuName->setText(r.tmp.path("none.txt"));
         },
         {"アラームメール設定ファイルがありません！"}, 0},
        {"port that cannot be opened",
         [](test::FormRig& r) { r.port.canOpen = false; },
         {"通信ポートがオープンできません！", "通信CH1が使用できません！"}, 1},
    };
    for (const StartCase& c : cases) {
        test::FormRig rig;
        rig.load();
        c.arrange(rig);
        rig.window->commandStart();
        EXPECT_EQ(rig.box.shown, c.messages) << c.what;
        EXPECT_EQ(rig.port.opens, c.opens) << c.what;
        EXPECT_EQ(rig.window->formExe(), nullptr) << c.what;
        EXPECT_FALSE(rig.engine.running()) << c.what;
        EXPECT_TRUE(rig.window->isVisible()) << c.what;
        EXPECT_FALSE(rig.tmp.read("setup.dat").isEmpty()) << c.what;
    }
}

TEST(StartChecks, ConditionsTypedBeforeACancelAreTakenByTheStart) {
    test::FormRig rig;
    rig.load();
    rig.window->openCondPanel();
    rig.window->condPanel()->textMin->setText("5");
    rig.window->commandCondNg();
    rig.window->filePanel()->checkCsv->setChecked(true);  // no name: the start stops after saving
    rig.window->commandStart();
    SettingsRecord reread;
    test::RecordingMessageBox box;
    loadSettings(reread, rig.tmp.folder, box);
    EXPECT_EQ(reread.acquisitionLimitMs, Fixed4::fromInt(5 * 60000));
    EXPECT_TRUE(reread.csvOn);
}

TEST(StartChecks, WithoutAScriptTheDefaultScriptRunsInTheMonitor) {
    test::FormRig rig;
    rig.load();
    rig.window->commandStart();
    ASSERT_NE(rig.window->formExe(), nullptr) << rig.box.shown.join(" / ").toStdString();
    EXPECT_TRUE(rig.engine.running());
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_TRUE(rig.window->formExe()->isVisible());
    rig.box.answers = {true};
    rig.window->formExe()->commandRsEnd();
    EXPECT_FALSE(rig.engine.running());
}

}  // namespace
}  // namespace vel
