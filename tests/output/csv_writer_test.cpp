#include "output/csv_writer.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/recording_message_box.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

const QString kCannotWrite = QStringLiteral("CSVファイルに書き込みできません！");

class CsvWriterTest : public ::testing::Test {
protected:
    CsvWriterTest() {
        settings.csvOn = true;
        settings.csvPath = temp.path("out.csv");
        for (int i = 0; i < 8; ++i) tables.dataItems[i].name = QString("D%1      ").arg(i + 1, 3, 10, QChar('0'));
    }
    // Sets the cycle's values and writes its row.
    void cycle(const QStringList& values) {
        for (int i = 0; i < values.size(); ++i) tables.dataItems[i].valueText = values[i];
        csv.writeCsvRow(settings, tables, int(values.size()));
    }
    QByteArray file() const { return temp.read("out.csv"); }

    test::TempProgramFolder temp;
    test::RecordingMessageBox messages;
    SettingsRecord settings;
    ScriptTables tables;
    CsvWriter csv{messages};
};

TEST_F(CsvWriterTest, FirstRowOpensTheFileAndWritesTheHeader) {
    cycle({"1", "2", "3"});
    cycle({"4", "5", "6", "7", "8"});  // more values than the header: nothing pads or cuts
    cycle({"9"});
    EXPECT_EQ(file(), QByteArray("\"D001\",\"D002\",\"D003\"\r\n1,2,3\r\n4,5,6,7,8\r\n9\r\n"));
    EXPECT_GT(csv.csvFileNumber(), 0);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(CsvWriterTest, NothingToWrite) {
    struct Case {
        const char* label;
        bool csvOn;
        QStringList values;
    } cases[] = {{"output off", false, {"1"}}, {"cycle without values", true, {}}};
    for (const auto& c : cases) {
        settings.csvOn = c.csvOn;
        cycle(c.values);
        EXPECT_FALSE(QFile::exists(settings.csvPath)) << c.label;
        EXPECT_EQ(csv.csvFileNumber(), kCsvClosed) << c.label;
    }
}

TEST_F(CsvWriterTest, StopStartsAFreshHeaderAndANaturalEndDoesNot) {
    temp.write("out.csv", "kept\r\n");
    cycle({"1"});
    csv.closeCsv();  // stop on the run monitor
    EXPECT_EQ(csv.csvFileNumber(), kCsvClosed);
    cycle({"2"});
    // A natural end leaves the file open: even a changed path goes on in the same file.
    settings.csvPath = temp.path("other.csv");
    cycle({"3"});
    EXPECT_EQ(file(), QByteArray("kept\r\n\"D001\"\r\n1\r\n\"D001\"\r\n2\r\n3\r\n"));
    EXPECT_FALSE(QFile::exists(settings.csvPath));
    csv.closeCsv();
    cycle({"4"});
    EXPECT_EQ(temp.read("other.csv"), QByteArray("\"D001\"\r\n4\r\n"));
}

TEST_F(CsvWriterTest, FileWithoutAFinalLineEndGetsOneBeforeTheHeader) {
    temp.write("out.csv", "\"D001\"\r\n1\r\n2.");
    cycle({"3"});
    EXPECT_EQ(file(), QByteArray("\"D001\"\r\n1\r\n2.\r\n\"D001\"\r\n3\r\n"));
}

TEST_F(CsvWriterTest, FailureShowsOnceAndStopsRowsUntilAStop) {
    struct Case {
        const char* label;
        std::function<QString(const test::TempProgramFolder&)> path;
    } cases[] = {
        {"path is a folder",
         [](const test::TempProgramFolder& t) {
             QDir().mkpath(t.path("folder.csv"));
             return t.path("folder.csv");
         }},
        {"folder missing", [](const test::TempProgramFolder& t) { return t.path("no/such/out.csv"); }},
        {"empty path", [](const test::TempProgramFolder&) { return QString(); }},
        {"disk full",
         [](const test::TempProgramFolder& t) {
             QFile::link("/dev/full", t.path("full.csv"));
             return t.path("full.csv");
         }},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder folder;
        test::RecordingMessageBox shown;
        CsvWriter writer(shown);
        settings.csvPath = c.path(folder);
        tables.dataItems[0].valueText = "1";
        writer.writeCsvRow(settings, tables, 1);
        EXPECT_EQ(writer.csvFileNumber(), kCsvFailed) << c.label;
        writer.writeCsvRow(settings, tables, 1);  // later cycles of this run
        writer.writeCsvRow(settings, tables, 1);  // and later runs that end by themselves
        EXPECT_EQ(shown.shown, QStringList{kCannotWrite}) << c.label;

        writer.closeCsv();
        EXPECT_EQ(writer.csvFileNumber(), kCsvClosed) << c.label;
        settings.csvPath = folder.path("good.csv");
        writer.writeCsvRow(settings, tables, 1);
        EXPECT_EQ(folder.read("good.csv"), QByteArray("\"D001\"\r\n1\r\n")) << c.label;
        EXPECT_EQ(shown.shown.size(), 1) << c.label;
    }
}

}  // namespace
}  // namespace vel
