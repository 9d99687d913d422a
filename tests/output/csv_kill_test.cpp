// A CSV file written by a process that is killed in the middle of a run
// holds every row that was completed before the kill.
#include <QFile>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "output/csv_writer.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

// Writes rows 1, 2, 3, ... and reports each number on `report` once its
// writeCsvRow has returned. Never returns.
[[noreturn]] void writeRowsForever(const QString& path, int report) {
    test::RecordingMessageBox messages;
    CsvWriter csv(messages);
    SettingsRecord settings;
    settings.csvOn = true;
    settings.csvPath = path;
    settings.numberColumnOn = true;
    ScriptTables tables;
    tables.dataItems[0].name = "D001";
    tables.dataItems[1].name = "D002";
    for (int row = 1; row < 10'000'000; ++row) {
        tables.dataItems[kRecordNumberItem].valueText = QString::number(row);
        tables.dataItems[0].valueText = QString::number(row * 0.5);
        tables.dataItems[1].valueText = QStringLiteral("ok");
        csv.writeCsvRow(settings, tables, 2);
        if (csv.csvFileNumber() <= 0) ::_exit(2);
        if (::write(report, &row, sizeof row) != sizeof row) ::_exit(3);
    }
    ::_exit(0);
}

TEST(CsvKill, EveryCompletedRowSurvivesSigkill) {
    test::TempProgramFolder temp;
    const QString path = temp.path("run.csv");
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        writeRowsForever(path, pipeFds[1]);
    }
    ::close(pipeFds[1]);

    int completed = 0;
    int row = 0;
    while (completed < 100 && ::read(pipeFds[0], &row, sizeof row) == sizeof row) completed = row;
    ASSERT_EQ(completed, 100) << "the writer stopped early";
    ::kill(child, SIGKILL);
    // Rows reported after the first 100 were completed before the kill too.
    while (::read(pipeFds[0], &row, sizeof row) == sizeof row) completed = row;
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), completed + 1);
    EXPECT_EQ(lines[0], QByteArray("\"No\",\"D001\",\"D002\"\r"));
    for (int r = 1; r <= completed; ++r) {
        const QByteArray expected = QString("%1,%2,\"ok\"\r").arg(r).arg(QString::number(r * 0.5)).toLatin1();
        ASSERT_EQ(lines[r], expected) << "row " << r << " of " << completed;
    }
}

}  // namespace
}  // namespace vel
