#include "log/log_rotation.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace vel {
namespace {

QByteArray bytes(qsizetype n, char c = 'x') { return QByteArray(n, c); }

TEST(RotateLogs, RotatesOnlyLogsLargerThanAMillionBytes) {
    struct Case {
        const char* name;
        qsizetype size;
        bool oldBackup;
        bool rotated;
    } cases[] = {
        {"RsLog", 1'000'001, true, true},
        {"DataLog", 1'000'000, true, false},
        {"AlarmLog", 2'500'000, false, true},
        {"MailLog", 10, false, false},
    };
    test::TempProgramFolder temp;
    for (const auto& c : cases) {
        temp.write(QString("Log/%1.log").arg(c.name), bytes(c.size));
        if (c.oldBackup) temp.write(QString("Log/%1.bak").arg(c.name), "older backup");
    }
    rotateLogs(temp.folder);
    for (const auto& c : cases) {
        const QByteArray current = temp.read(QString("Log/%1.log").arg(c.name));
        const QByteArray backup = temp.read(QString("Log/%1.bak").arg(c.name));
        if (c.rotated) {
            EXPECT_FALSE(QFile::exists(temp.path(QString("Log/%1.log").arg(c.name)))) << c.name;
            EXPECT_EQ(backup.size(), c.size) << c.name << ": the backup is the old log, replacing an older one";
        } else {
            EXPECT_EQ(current.size(), c.size) << c.name;
            EXPECT_EQ(backup, c.oldBackup ? QByteArray("older backup") : QByteArray()) << c.name;
        }
    }
}

TEST(RotateLogs, CreatesTheLogFolderAndToleratesMissingLogs) {
    test::TempProgramFolder temp;
    ASSERT_FALSE(QDir(temp.folder.logDir()).exists());
    rotateLogs(temp.folder);
    EXPECT_TRUE(QDir(temp.folder.logDir()).exists());
    EXPECT_TRUE(QDir(temp.folder.logDir()).entryList(QDir::Files).isEmpty());
}

// A log that is in use is reported as -1 and therefore not rotated, whether
// another process has it open, this process has it open elsewhere, or another
// process holds a lock on it.
TEST(RotateLogs, LogInUseIsNotRotated) {
    enum class Holder { OtherProcess, ThisProcess, OtherProcessFlock };
    for (Holder holder : {Holder::OtherProcess, Holder::ThisProcess, Holder::OtherProcessFlock}) {
        test::TempProgramFolder temp;
        const QString path = temp.write("Log/RsLog.log", bytes(1'000'001));
        const QByteArray native = QFile::encodeName(path);
        int ownFd = -1;
        pid_t child = -1;
        int ready[2];
        int release[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(release), 0);
        if (holder == Holder::ThisProcess) {
            ownFd = ::open(native.constData(), O_WRONLY | O_APPEND);
            ASSERT_GE(ownFd, 0);
        } else {
            child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                const int fd = ::open(native.constData(), O_RDONLY);
                if (holder == Holder::OtherProcessFlock) ::flock(fd, LOCK_EX);
                char b = 1;
                (void)!::write(ready[1], &b, 1);
                (void)!::read(release[0], &b, 1);
                ::_exit(0);
            }
            char b;
            ASSERT_EQ(::read(ready[0], &b, 1), 1);
        }

        EXPECT_EQ(fileSizeOf(path), -1);
        rotateLogs(temp.folder);
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_FALSE(QFile::exists(temp.path("Log/RsLog.bak")));

        if (ownFd >= 0) ::close(ownFd);
        if (child > 0) {
            char b = 1;
            (void)!::write(release[1], &b, 1);
            ::waitpid(child, nullptr, 0);
        }
        for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);

        // Once let go, the log is rotated at the next start.
        EXPECT_EQ(fileSizeOf(path), 1'000'001);
        rotateLogs(temp.folder);
        EXPECT_TRUE(QFile::exists(temp.path("Log/RsLog.bak")));
    }
}

TEST(FileSizeOf, SizesAndUnreadableFiles) {
    test::TempProgramFolder temp;
    EXPECT_EQ(fileSizeOf(temp.write("a.log", "")), 0);
    EXPECT_EQ(fileSizeOf(temp.write("b.log", bytes(1234))), 1234);
    EXPECT_EQ(fileSizeOf(temp.path("missing.log")), -1);
    QDir().mkpath(temp.path("folder.log"));
    EXPECT_EQ(fileSizeOf(temp.path("folder.log")), -1);
}

TEST(FileSizeOf, SizeBeyondThe32BitRangeStillCountsAsLarge) {
    test::TempProgramFolder temp;
    const QString path = temp.write("huge.log", "");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    // A sparse file: 4 GiB + 10 bytes would read as 10 in the low 32 bits.
    if (!f.resize((qint64(1) << 32) + 10)) GTEST_SKIP() << "no sparse files here";
    f.close();
    EXPECT_EQ(fileSizeOf(path), INT32_MAX);
}

}  // namespace
}  // namespace vel
