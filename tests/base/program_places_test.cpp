// The program folder choice and the manual lookup, on fake folders: a build
// tree, an installed bin/ with share/velloran beside it, a missing folder.
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "base/program_places.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

TEST(ProgramPlaces, ChoosesTheExecutableFolderOnlyWhenItIsAWritableUninstalledOne) {
    struct Case {
        const char* what;
        const char* home;      // --home, relative to the fake root; "" when not given
        const char* exeDir;    // relative to the fake root
        bool installedManual;  // usr/share/velloran/manual/help.html exists
        const char* userDir;   // relative; "" for no per-user folder
        const char* expected;  // relative to the fake root
    };
    const Case cases[] = {
        {"build tree", "", "build", false, "home/.local/share/velloran", "build"},
        {"installed, writable bin (root)", "", "usr/bin", true, "home/.local/share/velloran",
         "home/.local/share/velloran"},
        {"folder that cannot be written", "", "missing/bin", false, "home/.local/share/velloran",
         "home/.local/share/velloran"},
        {"--home wins over the executable's folder", "v", "build", false, "home/.local/share/velloran", "v"},
        {"--home wins over the per-user folder", "v", "usr/bin", true, "home/.local/share/velloran", "v"},
        {"no per-user folder known", "", "usr/bin", true, "", "usr/bin"},
    };
    for (const Case& c : cases) {
        test::TempProgramFolder tmp;
        QDir().mkpath(tmp.path("build"));
        QDir().mkpath(tmp.path("usr/bin"));
        if (c.installedManual) tmp.write("usr/share/velloran/manual/help.html", "<html></html>");
        const auto at = [&](const char* relative) { return *relative ? tmp.path(relative) : QString(); };
        const ProgramPlaces places{at(c.home), tmp.path(c.exeDir), tmp.path("usr/bin/../share/velloran"),
                                   at(c.userDir)};
        const ProgramFolder folder = chooseProgramFolder(places);
        EXPECT_EQ(folder.root.toStdString(), tmp.path(c.expected).toStdString()) << c.what;
        EXPECT_FALSE(folder.root.endsWith('/')) << c.what;
        if (QString(c.expected) == c.userDir) {
            EXPECT_TRUE(QFileInfo(folder.root).isDir()) << c.what << ": the per-user folder is created";
        }
    }
}

TEST(ProgramPlaces, RelativeHomeOptionBecomesAbsolute) {
    const ProgramFolder folder = chooseProgramFolder({"rel/dir", "/nowhere", "/nowhere/share", ""});
    EXPECT_EQ(folder.root, QDir::current().absoluteFilePath("rel/dir"));
}

TEST(ProgramPlaces, ManualComesFromTheProgramFolderThenTheInstalledShare) {
    struct Case {
        const char* what;
        bool own;
        bool installed;
        const char* expected;
    };
    const Case cases[] = {
        {"own copy first", true, true, "pf/manual/help.html"},
        {"installed one", false, true, "share/manual/help.html"},
        {"none: the program folder's path for the notice", false, false, "pf/manual/help.html"},
    };
    for (const Case& c : cases) {
        test::TempProgramFolder tmp;
        if (c.own) tmp.write("pf/manual/help.html", "own");
        if (c.installed) tmp.write("share/manual/help.html", "installed");
        EXPECT_EQ(manualFile({tmp.path("pf")}, tmp.path("share")), tmp.path(c.expected)) << c.what;
    }
}

}  // namespace
}  // namespace vel
