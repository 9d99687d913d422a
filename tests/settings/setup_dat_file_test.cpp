#include "settings/setup_dat_file.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "settings/setup_dat_format.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

using test::RecordingMessageBox;
using test::TempProgramFolder;

const PortSlot kCom3{3, QStringLiteral("19200,o,8,2"), 2};

SettingsRecord sample() {
    SettingsRecord s;
    s.reserved1 = 101;
    s.reserved3 = -103;
    s.reserved10 = 110;
    s.reserved12 = -112;
    s.reserved29 = 129;
    s.timeStampMode = 1;
    s.startColumnLetters = QStringLiteral("IA");
    s.cursorRow = 70000;
    s.acquisitionLimitMs = Fixed4::fromInt(90000);
    s.csvOn = true;
    s.csvPath = QStringLiteral("/home/u/データ/log.csv");
    s.scriptPath = QStringLiteral("C:\\測定\\script.txt");
    s.rsLogEnabled = true;
    return s;
}

TEST(SetupDatFile, FreshInstallationGetsDefaultsAndFirstSaveWritesTheBareRecord) {
    TempProgramFolder home;
    RecordingMessageBox box;
    SettingsRecord s;
    bool configured = false;
    EXPECT_TRUE(loadSettings(s, home.folder, box, [&](const PortSlot&) { return configured = true; }));
    EXPECT_FALSE(configured);
    EXPECT_EQ(s.acquisitionLimitMs, Fixed4::fromInt(60000));
    EXPECT_TRUE(s.rsLogEnabled);
    EXPECT_TRUE(s.alarmLogEnabled);
    SettingsRecord expected;
    expected.acquisitionLimitMs = s.acquisitionLimitMs;
    expected.rsLogEnabled = expected.alarmLogEnabled = true;
    EXPECT_EQ(s, expected);
    EXPECT_FALSE(QFile::exists(home.folder.setupDat()));

    EXPECT_TRUE(saveSettings(s, PortSlot{}, home.folder, box));
    EXPECT_EQ(home.read("setup.dat").size(), 130);
    EXPECT_TRUE(box.shown.isEmpty());
}

TEST(SetupDatFile, RoundTripKeepsEveryFieldAndTheChannelZeroPort) {
    TempProgramFolder home;
    RecordingMessageBox box;
    SettingsRecord saved = sample();
    ASSERT_TRUE(saveSettings(saved, kCom3, home.folder, box));
    EXPECT_EQ(saved.portNumber[0], 3);
    EXPECT_EQ(saved.portSettings[0], kCom3.settings);
    EXPECT_EQ(saved.handshaking[0], 2);

    SettingsRecord loaded;
    PortSlot given;
    EXPECT_TRUE(loadSettings(loaded, home.folder, box, [&](const PortSlot& p) {
        given = p;
        return true;
    }));
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(given.portNumber, 3);
    EXPECT_EQ(given.settings, kCom3.settings);
    EXPECT_EQ(given.handshaking, 2);
    EXPECT_TRUE(box.shown.isEmpty());
}

TEST(SetupDatFile, SavingNeverShortensTheFile) {
    TempProgramFolder home;
    RecordingMessageBox box;
    const QByteArray old(1000, '\xaa');  // an earlier, longer record
    home.write("setup.dat", old);
    SettingsRecord s = sample();
    ASSERT_TRUE(saveSettings(s, kCom3, home.folder, box));
    const QByteArray now = home.read("setup.dat");
    const QByteArray record = *encodeSettings(s);
    ASSERT_EQ(now.size(), old.size());
    EXPECT_EQ(now.left(record.size()), record);
    EXPECT_EQ(now.mid(record.size()), old.mid(record.size()));

    // A shorter record next time keeps the longer one's leftovers, which reading ignores.
    SettingsRecord shorter;
    ASSERT_TRUE(saveSettings(shorter, PortSlot{}, home.folder, box));
    EXPECT_EQ(home.read("setup.dat").size(), old.size());
    EXPECT_EQ(home.read("setup.dat").mid(130, record.size() - 130), record.mid(130));
    SettingsRecord loaded = sample();
    EXPECT_TRUE(loadSettings(loaded, home.folder, box));
    EXPECT_EQ(loaded, shorter);
}

TEST(SetupDatFile, FailedSaveShowsTheMessageAndLeavesTheFileAlone) {
    struct Case { const char* what; bool tooLong; bool missingFolder; };
    const Case cases[] = {
        {"record over 4096 bytes", true, false},
        {"folder does not exist", false, true},
    };
    for (const Case& c : cases) {
        TempProgramFolder home;
        ProgramFolder folder = home.folder;
        if (c.missingFolder) folder.root += "/missing";
        const QByteArray old("previous contents");
        home.write("setup.dat", old);
        SettingsRecord s;
        if (c.tooLong) s.workbookPath = QString(2000, QChar(0x3042));  // 4000 bytes
        RecordingMessageBox box;
        EXPECT_FALSE(saveSettings(s, kCom3, folder, box)) << c.what;
        EXPECT_EQ(box.shown, QStringList{kSaveFailedMessage}) << c.what;
        EXPECT_EQ(home.read("setup.dat"), old) << c.what;
        EXPECT_EQ(QDir(home.folder.root).entryList(QDir::Files), QStringList{"setup.dat"}) << c.what;
    }
}

TEST(SetupDatFile, UnreadableOrIncompleteFileShowsTheReadMessage) {
    TempProgramFolder home;
    SettingsRecord full = sample();
    full.portNumber[0] = 3;
    const QByteArray record = *encodeSettings(full);

    struct Case { const char* what; QByteArray file; bool refusePort; bool directory; };
    const Case cases[] = {
        {"empty file", QByteArray(), false, false},
        {"ends inside the paths", record.left(record.size() - 40), false, false},
        {"ends inside the reserved tail", record.left(record.size() - 1), false, false},
        {"port object refuses the port", record, true, false},
        {"setup.dat is a folder", QByteArray(), false, true},
    };
    for (const Case& c : cases) {
        TempProgramFolder home;
        if (c.directory)
            QDir().mkpath(home.folder.setupDat());
        else
            home.write("setup.dat", c.file);
        SettingsRecord s;
        s.csvPath = "previous";
        s.cursorRow = 42;
        RecordingMessageBox box;
        int configured = 0;
        EXPECT_FALSE(loadSettings(s, home.folder, box, [&](const PortSlot&) {
            ++configured;
            return !c.refusePort;
        })) << c.what;
        EXPECT_EQ(box.shown, QStringList{kLoadFailedMessage}) << c.what;
        EXPECT_EQ(configured, c.refusePort ? 1 : 0) << c.what;  // an incomplete record is not given to the port
        if (c.directory) {
            EXPECT_EQ(s.csvPath, "previous") << c.what;  // nothing read, nothing emptied
        } else if (!c.file.isEmpty()) {
            EXPECT_EQ(s.cursorRow, full.cursorRow) << c.what;  // read before the end
            EXPECT_EQ(s.csvPath, full.csvPath) << c.what;
        } else {
            EXPECT_EQ(s.cursorRow, 42) << c.what;  // not reached: kept
            EXPECT_EQ(s.csvPath, "") << c.what;    // strings are emptied before reading
        }
    }
}

}  // namespace
}  // namespace vel
