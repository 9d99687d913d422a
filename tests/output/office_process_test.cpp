#include "output/office_process.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <unistd.h>

#include "support/qstring_printer.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

TEST(OfficePipeName, OneNamePerProfileFolder) {
    EXPECT_EQ(officePipeName("/home/u/velloran/office-profile/0"), officePipeName("/home/u/velloran/office-profile/0"));
    EXPECT_EQ(officePipeName("/home/u/velloran/office-profile/0"), officePipeName("/home/u/velloran/office-profile/1/../0"));
    EXPECT_NE(officePipeName("/home/u/velloran/office-profile/0"), officePipeName("/home/u/velloran/office-profile/1"));
    EXPECT_TRUE(officePipeName("/x").startsWith("velloran-"));
}

TEST(OfficeArguments, PrivateProfilePipeAndWindowMode) {
    struct Case {
        bool headless;
        bool wantHeadlessFlags;
    };
    for (const Case c : {Case{false, false}, Case{true, true}}) {
        const QStringList args = officeArguments({"soffice", "/tmp/my home/office-profile/0", "velloran-abc", c.headless});
        EXPECT_EQ(args.contains("--headless"), c.wantHeadlessFlags);
        EXPECT_EQ(args.contains("--invisible"), c.wantHeadlessFlags);
        EXPECT_TRUE(args.contains("--nodefault"));
        EXPECT_TRUE(args.contains("--norestore"));
        EXPECT_TRUE(args.contains("-env:UserInstallation=file:///tmp/my%20home/office-profile/0")) << args.join(' ').toStdString();
        EXPECT_TRUE(args.contains("--accept=pipe,name=velloran-abc;urp;StarOffice.ComponentContext"));
    }
}

TEST(OfficeProcesses, RunningEndedAndKilledTrees) {
    EXPECT_TRUE(processRunning(getpid()));
    EXPECT_FALSE(processRunning(0));
    EXPECT_FALSE(processRunning(-1));

    // A launcher that keeps a child, as the office's launcher does.
    test::TempProgramFolder home;
    const QString childPidFile = home.path("child.pid");
    const auto launcher = startOffice({"/bin/sh", "", "", false});
    ASSERT_TRUE(launcher);  // runs "sh" with arguments it rejects, and ends
    EXPECT_TRUE(waitProcessEnd(*launcher, 5000));
    EXPECT_FALSE(processRunning(*launcher));

    qint64 parent = 0;
    ASSERT_TRUE(QProcess::startDetached("/bin/sh", {"-c", "sleep 30 & echo $! > '" + childPidFile + "'; wait"}, {}, &parent));
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(childPidFile) && waited.elapsed() < 5000) QThread::msleep(20);
    QThread::msleep(50);
    QByteArray childText = home.read("child.pid").trimmed();
    const qint64 child = childText.toLongLong();
    ASSERT_GT(child, 0);
    EXPECT_TRUE(processRunning(parent));
    EXPECT_TRUE(processRunning(child));
    EXPECT_FALSE(waitProcessEnd(parent, 100));

    killProcessTree(parent);
    EXPECT_TRUE(waitProcessEnd(parent, 5000));
    EXPECT_TRUE(waitProcessEnd(child, 5000));
}

}  // namespace
}  // namespace vel
