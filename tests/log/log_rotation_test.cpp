#include "log/log_rotation.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "log/data_log.h"
#include "log/logs.h"
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

// A run that writes far past the limit: each log is rotated between two of
// its lines (the data log between two blocks), so both files hold whole units
// only, the fresh log goes on with the unit after the last one in the .bak,
// and only one generation is kept.
TEST(RotateLogs, DuringARunBetweenTwoWholeUnits) {
    struct Case {
        const char* name;
        int unitChars;  // padding that sets the size of each unit
    } cases[] = {{"RsLog", 90}, {"AlarmLog", 90}, {"DataLog", 4000}};
    for (const Case& c : cases) {
        test::TempProgramFolder temp;
        QDir().mkpath(temp.folder.logDir());
        SettingsRecord settings;
        settings.rsLogEnabled = settings.alarmLogEnabled = true;
        RunMonitorModel monitor;
        monitor.records = 1;
        Logs logs(temp.folder, settings, monitor);
        const auto unitText = [&](int n) {
            return QStringLiteral("#%1#").arg(n, 6, 10, QLatin1Char('0')) + QString(c.unitChars, QLatin1Char('x'));
        };
        const auto writeUnit = [&](int n) {
            const QString text = unitText(n);
            if (c.name == std::string("RsLog")) logs.rsLogLine(text);
            else if (c.name == std::string("AlarmLog")) logs.alarmLogLine(text);
            else {
                monitor.grid[1].cells[1] = text;
                dataLogWrite(temp.folder, QDateTime(QDate(2024, 5, 1), QTime(12, 0)), QDateTime(QDate(2024, 5, 1), QTime(13, 0)), monitor);
            }
        };
        writeUnit(0);
        const qsizetype unitBytes = temp.read(QString("Log/%1.log").arg(c.name)).size();
        const int units = static_cast<int>(2'600'000 / unitBytes) + 1;
        for (int n = 1; n < units; ++n) writeUnit(n);

        const QByteArray backup = temp.read(QString("Log/%1.bak").arg(c.name));
        const QByteArray current = temp.read(QString("Log/%1.log").arg(c.name));
        EXPECT_GT(backup.size(), kRotateAbove) << c.name;
        EXPECT_LE(backup.size(), kRotateAbove + unitBytes) << c.name;
        EXPECT_LE(current.size(), kRotateAbove + unitBytes) << c.name;
        EXPECT_EQ(backup.size() % unitBytes, 0) << c.name << ": a unit was cut";
        EXPECT_EQ(current.size() % unitBytes, 0) << c.name << ": a unit was cut";
        const QRegularExpression number("#(\\d{6})#");
        const auto numbers = [&](const QByteArray& bytes) {
            QList<int> found;
            for (auto it = number.globalMatch(QString::fromLatin1(bytes)); it.hasNext();) found << it.next().captured(1).toInt();
            return found;
        };
        const QList<int> inBackup = numbers(backup), inCurrent = numbers(current);
        ASSERT_FALSE(inBackup.isEmpty() || inCurrent.isEmpty()) << c.name;
        EXPECT_GT(inBackup.first(), 0) << c.name << ": the first generation is replaced";
        EXPECT_EQ(inCurrent.first(), inBackup.last() + 1) << c.name << ": no unit lost at the rotation";
        EXPECT_EQ(inCurrent.last(), units - 1) << c.name;
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
