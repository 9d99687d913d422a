// The panel of velloran.ini: reached from the 条件設定 menu, shows what the
// file holds, saves on OK only, refuses a value that does not fit.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "ui/ext_panel.h"
#include "ui_rig.h"

namespace vel {
namespace {

struct ExtRig : test::FormRig {
    ExtRig() {
        load();
        find<QAction>("MenuExt")->trigger();
    }
    ui::ExtPanel* panel() const { return window->extPanel(); }
    QLineEdit* text(const char* name) const { return field(name); }
    QCheckBox* check(const char* name) const { return find<QCheckBox>(name); }
    ExtensionSettings saved() const { return loadExtensionSettings(tmp.folder.extensionIni()); }
};

TEST(ExtPanel, MenuOpensItWithEveryKeyOfTheFile) {
    ExtensionSettings stored;
    stored.reconnectSeconds = 7;
    stored.silenceCycles = 3;
    stored.csvDaily = true;
    stored.uplinkUrl = "mqtts://broker.example.jp:8883";
    stored.uplinkPassword = "pw-123";
    stored.uplinkSpoolMb = 64;
    ExtRig rig;
    ASSERT_TRUE(saveExtensionSettings(rig.tmp.folder.extensionIni(), stored));
    rig.find<QPushButton>("CommandExtNg")->click();
    rig.find<QAction>("MenuExt")->trigger();  // opened again: the file is read when it opens
    EXPECT_TRUE(rig.panel()->isVisible());
    EXPECT_FALSE(rig.find<QAction>("MenuExt")->isEnabled()) << "panel menus are off while a panel is open";
    for (const ExtensionField& f : extensionFields()) {  // a channel's port is a serial setting
        if (isChannelKey(QString::fromLatin1(f.name)) || isProcessKey(QString::fromLatin1(f.name))) continue;
        EXPECT_NE(rig.panel()->editor(QString::fromLatin1(f.name)), nullptr) << f.name;
    }
    EXPECT_EQ(rig.text("TextReconnectSeconds")->text(), "7");
    EXPECT_EQ(rig.text("TextSilenceCycles")->text(), "3");
    EXPECT_TRUE(rig.check("CheckCsvDaily")->isChecked());
    EXPECT_FALSE(rig.check("CheckCsvIsoTime")->isChecked());
    EXPECT_EQ(rig.text("TextUplinkUrl")->text(), stored.uplinkUrl);
    EXPECT_EQ(rig.text("TextUplinkPrefix")->text(), "velloran");
    EXPECT_EQ(rig.text("TextUplinkSpoolMb")->text(), "64");
    EXPECT_EQ(rig.text("TextUplinkPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(rig.text("TextUplinkPassword")->text(), "pw-123");
}

TEST(ExtPanel, OkSavesCancelLeavesTheFileAndABadValueKeepsThePanelOpen) {
    struct Case {
        const char* what;
        const char* button;
        const char* seconds;
        bool savedAfter;
        bool panelOpen;
    };
    const Case cases[] = {
        {"OK", "CommandExtOk", "5", true, false},
        {"cancel", "CommandExtNg", "5", false, false},
        {"out of range", "CommandExtOk", "99999", false, true},
        {"not a number", "CommandExtOk", "abc", false, true},
    };
    for (const Case& c : cases) {
        ExtRig rig;
        rig.text("TextReconnectSeconds")->setText(c.seconds);
        rig.check("CheckCsvIsoTime")->setChecked(true);
        rig.text("TextUplinkPassword")->setText("s3cret");
        rig.find<QPushButton>(c.button)->click();
        const ExtensionSettings s = rig.saved();
        EXPECT_EQ(s.reconnectSeconds == 5 && s.csvIsoTime && s.uplinkPassword == "s3cret", c.savedAfter) << c.what;
        EXPECT_EQ(rig.panel()->isVisible(), c.panelOpen) << c.what;
        EXPECT_EQ(rig.box.shown.size(), c.panelOpen ? 1 : 0) << c.what;
        if (c.panelOpen) {
            EXPECT_EQ(rig.box.shown.value(0), QStringLiteral("再接続の間隔（秒）の値が正しくありません！（0～3600 の整数）"));
            EXPECT_EQ(s.reconnectSeconds, 2) << "nothing saved";
        }
    }
}

// The units, one item a line; a line that is not ITEM=UNIT for D001..D256
// keeps the panel open and saves nothing.
TEST(ExtPanel, UnitsAreEditedOneItemALine) {
    struct Case {
        const char* typed;
        bool saved;
        QMap<QString, QString> units;
    };
    const Case cases[] = {
        {"D001=V\n\n d012 = ℃ \nD003=", true, {{"D001", "V"}, {"D012", QStringLiteral("℃")}}},
        {"D001=V\nD257=A", false, {{"D002", "A"}}},
        {"V", false, {{"D002", "A"}}},
    };
    for (const Case& c : cases) {
        ExtRig rig;
        ExtensionSettings stored;
        stored.units = {{"D002", "A"}};
        ASSERT_TRUE(saveExtensionSettings(rig.tmp.folder.extensionIni(), stored));
        rig.find<QPushButton>("CommandExtNg")->click();
        rig.find<QAction>("MenuExt")->trigger();
        auto* units = rig.find<QPlainTextEdit>("TextUnits");
        EXPECT_EQ(units->toPlainText(), "D002=A");
        units->setPlainText(QString::fromUtf8(c.typed));
        rig.find<QPushButton>("CommandExtOk")->click();
        EXPECT_EQ(rig.panel()->isVisible(), !c.saved) << c.typed;
        EXPECT_EQ(rig.saved().units, c.units) << c.typed;
        if (!c.saved) {
            EXPECT_EQ(rig.box.shown.value(0), QStringLiteral("単位の値が正しくありません！（1行に D001=V の形、項目は D001～D256）"));
        }
    }
}

// What a hand-written file held that was not taken is named as the panel
// opens, with the value used instead; a file without problems gives no notice.
TEST(ExtPanel, ShowsWhatTheFileHeldThatWasNotTaken) {
    ExtRig rig;
    rig.tmp.write("velloran.ini", "[reconnect]\nintervalSeconds=0.5\n[uplink]\nurl=tcp://broker\n");
    rig.find<QPushButton>("CommandExtNg")->click();
    rig.find<QAction>("MenuExt")->trigger();
    ASSERT_EQ(rig.box.shown.size(), 1);
    EXPECT_EQ(rig.box.shown[0], QStringLiteral("velloran.ini の reconnect.intervalSeconds=0.5 は使えません（0～3600 の整数）。"
                                               "代わりに 2 を使います\n"
                                               "velloran.ini の uplink.url=tcp://broker は使えません（空欄、または "
                                               "mqtt://ホスト[:ポート] か mqtts://ホスト[:ポート]）。代わりに 空欄 を使います"));
    EXPECT_EQ(rig.text("TextReconnectSeconds")->text(), "2");
    rig.find<QPushButton>("CommandExtOk")->click();  // saving puts the values used in place
    rig.find<QAction>("MenuExt")->trigger();
    EXPECT_EQ(rig.box.shown.size(), 1) << "no notice for a file without problems";
}

}  // namespace
}  // namespace vel
