#include "log/data_log.h"

#include <QDir>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "text/cp932.h"

namespace vel {
namespace {

const QDateTime kStart(QDate(2001, 6, 1), QTime(10, 0, 0));
const QDateTime kEnd(QDate(2001, 6, 1), QTime(11, 30, 0));

TEST(DataLogField, NumbersBareEverythingElseQuoted) {
    struct Case {
        QString cell;
        bool alwaysText;
        QString field;
    } cases[] = {
        {"12.50", false, "12.5"},
        {"12", true, "\"12\""},  // the name column is text even when it looks like a number
        {" 7 ", false, "7"},
        {"-0.5", false, "-0.5"},
        {"1e3", false, "1000"},
        {"+3.", false, "3"},
        {"0.1", false, "0.1"},
        {"3.14159265358979323", false, "3.141592653589793"},
        {"", false, "\"\""},
        {QStringLiteral("※"), false, QStringLiteral("\"※\"")},
        {"12a", false, "\"12a\""},
        {"1e999", false, "\"1e999\""},  // no finite number: kept as text
        {"Temp", true, "\"Temp\""},
    };
    for (const auto& c : cases) EXPECT_EQ(dataLogField(c.cell, c.alwaysText), c.field) << c.cell.toStdString();
}

TEST(DataLogField, BareNumbersReadBackAsTheSameNumber) {
    for (const QString cell : {"0.1", "123456789012345678", "1.0000000000000002", "-2.5e-20", "98765.4321"}) {
        const QString field = dataLogField(cell, false);
        bool ok = false;
        EXPECT_EQ(field.toDouble(&ok), cell.toDouble()) << cell.toStdString() << " -> " << field.toStdString();
        EXPECT_TRUE(ok) << field.toStdString();
    }
}

RunMonitorModel oneRecordModel() {
    RunMonitorModel m;
    m.records = 1;
    m.grid[1].cells = {"1", "12", "12.50", QStringLiteral("※"), "1", "12.5", "12.5", "12.5"};
    GridRow second;
    second.cells = {"2", "Temp", "abc", "", "0", "", "", ""};
    m.grid.push_back(second);
    return m;
}

TEST(DataLogWrite, WritesHeaderGridRowsAndAnEmptyLine) {
    test::TempProgramFolder temp;
    QDir().mkpath(temp.folder.logDir());
    temp.write("Log/DataLog.log", "previous block\r\n");
    ASSERT_TRUE(dataLogWrite(temp.folder, kStart, kEnd, oneRecordModel()));
    const QByteArray expected =
        QByteArray("previous block\r\n") +
        // "取得時間","2001/06/01 10:00:00 ～ 2001/06/01 11:30:00"
        QByteArray("\"\x8e\xe6\x93\xbe\x8e\x9e\x8a\xd4\",\"2001/06/01 10:00:00 \x81\x60 2001/06/01 11:30:00\"\r\n") +
        cp932::encode(QStringLiteral("\"項目No\",\"名前\",\"ﾃﾞｰﾀ\",\"ｱﾗｰﾑ\",\"ｱﾗｰﾑ数\",\"最小値\",\"最大値\",\"平均値\"\r\n")) +
        cp932::encode(QStringLiteral("1,\"12\",12.5,\"※\",1,12.5,12.5,12.5\r\n")) +
        QByteArray("2,\"Temp\",\"abc\",\"\",0,\"\",\"\",\"\"\r\n") + QByteArray("\r\n");
    EXPECT_EQ(temp.read("Log/DataLog.log"), expected);
}

TEST(DataLogWrite, NothingBeforeTheFirstRecord) {
    for (const int counter : {0, -1}) {
        test::TempProgramFolder temp;
        QDir().mkpath(temp.folder.logDir());
        RunMonitorModel m = oneRecordModel();
        m.records = counter;
        EXPECT_FALSE(dataLogWrite(temp.folder, kStart, kEnd, m)) << counter;
        EXPECT_FALSE(QFile::exists(temp.path("Log/DataLog.log"))) << counter;
    }
}

TEST(DataLogWrite, FailureIsQuiet) {
    test::TempProgramFolder temp;  // no Log folder
    EXPECT_FALSE(dataLogWrite(temp.folder, kStart, kEnd, oneRecordModel()));
}

}  // namespace
}  // namespace vel
