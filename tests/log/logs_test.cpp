#include "log/logs.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace vel {
namespace {

class LogsTest : public ::testing::Test {
protected:
    LogsTest() {
        QDir().mkpath(temp.folder.logDir());
        settings.rsLogEnabled = true;
        settings.alarmLogEnabled = true;
    }
    QByteArray rsLog() const { return temp.read("Log/RsLog.log"); }
    QByteArray alarmLog() const { return temp.read("Log/AlarmLog.log"); }
    bool exists(const char* relative) const { return QFile::exists(temp.path(relative)); }

    test::TempProgramFolder temp;
    SettingsRecord settings;
    RunMonitorModel monitor;
    Logs logs{temp.folder, settings, monitor};
};

TEST_F(LogsTest, RsLogLinesAreCp932WithCrLfAndShownInTheTerminalPane) {
    logs.rsLogLine("[2024/05/01 12:00:00]");
    logs.rsLogLine(QStringLiteral("● RD") + QChar(8) + "D?");
    logs.rsLogLine(QStringLiteral("○ 23.5,ﾃﾞｰﾀ\r\n"));
    EXPECT_EQ(rsLog(), QByteArray("[2024/05/01 12:00:00]\r\n"
                                  "\x81\x9c RD?\r\n"
                                  "\x81\x9b 23.5,\xc3\xde\xb0\xc0\r\n"));
    EXPECT_EQ(monitor.txtTerm, QStringLiteral("[2024/05/01 12:00:00]\r\n● RD?\r\n○ 23.5,ﾃﾞｰﾀ\r\n"));
    EXPECT_GT(logs.rsLogHandle(), 0);
    EXPECT_TRUE(monitor.txtLog.isEmpty());
}

TEST_F(LogsTest, LeadingBackspaceDeletesInThePaneAndWritesNothingOfItToTheFile) {
    logs.rsLogLine("AB");
    logs.rsLogLine(QString(QChar(8)));
    EXPECT_EQ(rsLog(), QByteArray("AB\r\n\r\n"));
    EXPECT_EQ(monitor.txtTerm, "AB\r\r\n");
}

TEST_F(LogsTest, AlarmLogKeepsLineBreaksInTheFileButNotInThePane) {
    logs.alarmLogLine(QStringLiteral("2024/05/01 12:00:00, データ取得開始"));
    logs.alarmLogLine("x, error:\r\nline two");
    EXPECT_EQ(alarmLog(), QByteArray("2024/05/01 12:00:00, \x83\x66\x81\x5b\x83\x5e\x8e\xe6\x93\xbe\x8a\x4a\x8e\x6e\r\n"
                                     "x, error:\r\nline two\r\n"));
    EXPECT_EQ(monitor.txtLog, QStringLiteral("2024/05/01 12:00:00, データ取得開始\r\nx, error:line two\r\n"));
    EXPECT_FALSE(exists("Log/RsLog.log"));
}

TEST_F(LogsTest, SwitchedOffLogsCreateNoFileButThePanesGoOn) {
    settings.rsLogEnabled = false;
    settings.alarmLogEnabled = false;
    logs.rsLogLine("sent");
    logs.alarmLogLine("alarm");
    EXPECT_FALSE(exists("Log/RsLog.log"));
    EXPECT_FALSE(exists("Log/AlarmLog.log"));
    EXPECT_EQ(logs.rsLogHandle(), 0);
    EXPECT_EQ(monitor.txtTerm, "sent\r\n");
    EXPECT_EQ(monitor.txtLog, "alarm\r\n");

    // Switching on during a run takes effect at the next line; switching off
    // again stops the writing but keeps the file open.
    settings.rsLogEnabled = true;
    logs.rsLogLine("one");
    settings.rsLogEnabled = false;
    logs.rsLogLine("two");
    EXPECT_GT(logs.rsLogHandle(), 0);
    settings.rsLogEnabled = true;
    logs.rsLogLine("three");
    EXPECT_EQ(rsLog(), QByteArray("one\r\nthree\r\n"));
}

TEST_F(LogsTest, ExistingLogIsAppendedToAcrossCloseAndReopen) {
    temp.write("Log/RsLog.log", "old line\r\n");
    logs.rsLogLine("new");
    logs.closeLogs();
    EXPECT_EQ(logs.rsLogHandle(), 0);
    logs.rsLogLine("after unload");
    EXPECT_EQ(rsLog(), QByteArray("old line\r\nnew\r\nafter unload\r\n"));
}

// Ways the alarm log can refuse a line; in each the log disables itself for
// good and the pane goes on showing every line.
TEST_F(LogsTest, FailedAlarmLogDisablesItselfWhileThePaneGoesOn) {
    struct Case {
        const char* label;
        std::function<bool(const QString& path)> breakFile;  // false: not possible here
        std::function<void(const QString& path)> repair;
    } cases[] = {
        {"read-only file",
         [](const QString& p) {
             if (::geteuid() == 0) return false;  // root writes read-only files anyway
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.close();
             return QFile::setPermissions(p, QFile::ReadOwner);
         },
         [](const QString& p) { QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner); }},
        {"path is a folder", [](const QString& p) { return QDir().mkpath(p); },
         [](const QString& p) { QDir(p).removeRecursively(); }},
        {"write fails (disk full)", [](const QString& p) { return QFile::link("/dev/full", p); },
         [](const QString& p) { QFile::remove(p); }},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder folder;
        QDir().mkpath(folder.folder.logDir());
        RunMonitorModel pane;
        Logs fresh(folder.folder, settings, pane);
        const QString path = folder.path("Log/AlarmLog.log");
        if (!c.breakFile(path)) continue;

        fresh.alarmLogLine("first");
        EXPECT_EQ(fresh.alarmLogHandle(), -1) << c.label;
        c.repair(path);
        fresh.alarmLogLine("second");
        EXPECT_EQ(fresh.alarmLogHandle(), -1) << c.label;
        EXPECT_TRUE(folder.read("Log/AlarmLog.log").isEmpty()) << c.label << ": the file is not tried again";
        EXPECT_EQ(pane.txtLog, "first\r\nsecond\r\n") << c.label;

        // The communication log is not affected.
        fresh.rsLogLine("rs");
        EXPECT_EQ(folder.read("Log/RsLog.log"), QByteArray("rs\r\n")) << c.label;
    }
}

TEST_F(LogsTest, MissingLogFolderDisablesQuietly) {
    QDir(temp.folder.logDir()).removeRecursively();
    logs.rsLogLine("x");
    EXPECT_EQ(logs.rsLogHandle(), -1);
    EXPECT_EQ(monitor.txtTerm, "x\r\n");
}

}  // namespace
}  // namespace vel
