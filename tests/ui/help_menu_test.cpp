// The Help menu: the manual opens in the viewer, or a notice tells where it is.
#include <QAction>

#include <gtest/gtest.h>

#include "ui_rig.h"

namespace vel {
namespace {

TEST(HelpMenu, TellsWhereTheManualIsWhenNothingCanShowIt) {
    struct Case {
        const char* what;
        bool fileThere;
        bool viewerOpens;
        bool notice;
    };
    const Case cases[] = {
        {"viewer shows it", true, true, false},
        {"no viewer", true, false, true},
        {"no manual", false, true, true},
    };
    for (const Case& c : cases) {
        test::FormRig rig;
        rig.load();
        const QString manual = rig.engine.platform().folder.manual();
        if (c.fileThere) rig.tmp.write("manual/help.html", "<html></html>");
        QStringList opened;
        rig.window->openManual = [&](const QString& file) {
            opened << file;
            return c.viewerOpens;
        };
        rig.find<QAction>("MenuDoc")->trigger();
        EXPECT_EQ(opened, c.fileThere ? QStringList{manual} : QStringList()) << c.what;
        ASSERT_EQ(rig.box.shown.size(), c.notice ? 1 : 0) << c.what;
        if (c.notice) {
            EXPECT_TRUE(rig.box.shown[0].endsWith("\n" + manual)) << rig.box.shown[0].toStdString();
        }
    }
}

}  // namespace
}  // namespace vel
