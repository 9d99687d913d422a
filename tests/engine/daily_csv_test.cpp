// A continuous run across local midnight with csv.daily: the records of each
// day in a file of their own, each behind its header, none lost or split.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>

#include "output/csv_row.h"
#include "support/engine_rig.h"

namespace vel::test {
namespace {

QStringList lines(const QByteArray& bytes) {
    QStringList out = cp932::decode(bytes).split(QStringLiteral("\r\n"));
    EXPECT_EQ(out.takeLast(), QString()) << "the last row ends with CR LF";
    return out;
}

TEST(DailyCsv, MidnightStartsANewFileWithItsHeaderAndKeepsEveryRow) {
    for (const bool iso : {false, true}) {
        EngineRig rig;
        ExtensionSettings ext;
        ext.csvDaily = true;
        ext.csvIsoTime = iso;
        saveExtensionSettings(rig.tmp.folder.extensionIni(), ext);
        SettingsRecord& s = rig.engine.settings();
        s.csvOn = true;
        s.csvPath = rig.tmp.path("line1.csv");
        s.numberColumnOn = true;
        s.acquisitionNumber = 1;
        s.timeStampMode = 1;
        rig.useScript({"ECD:%0D", "RTM:0.2", "ITM:0.25", "SSS", "SND:M?%0D", "RCV", "EEE"});
        rig.clock.advanceMs((12 * 3600 - 2) * 1000.0 + 30);  // 23:59:58.030 on 2024-05-01
        ASSERT_TRUE(rig.start());
        int replies = 0;
        qsizetype asked = 0;
        const double end = rig.clock.nowMs() + 4000;
        while (rig.clock.nowMs() < end) {
            rig.tick(10);
            if (rig.port.writes.size() > asked) {
                asked = rig.port.writes.size();
                rig.port.receive(QString::number(++replies) + "\r");
            }
        }
        rig.box.answers.push_back(true);
        rig.engine.requestStop();  // "終了": the file is closed

        EXPECT_FALSE(QFileInfo::exists(rig.tmp.path("line1.csv"))) << "never the undated name";
        const QStringList day1 = lines(rig.tmp.read("line1_20240501.csv"));
        const QStringList day2 = lines(rig.tmp.read("line1_20240502.csv"));
        ASSERT_GE(day1.size(), 8) << iso;
        ASSERT_GE(day2.size(), 8) << iso;
        const QString header = QStringLiteral("\"No\",\"時間\",\"D001\"");
        EXPECT_EQ(day1[0], header);
        EXPECT_EQ(day2[0], header);
        // Rows numbered on across the switch, each day's time column of its own day.
        int number = 0;
        for (const QStringList* day : {&day1, &day2}) {
            const QString date = iso ? (day == &day1 ? "\"2024-05-01T" : "\"2024-05-02T")
                                     : (day == &day1 ? "\"24/05/01 " : "\"24/05/02 ");
            for (qsizetype i = 1; i < day->size(); ++i) {
                const QStringList f = (*day)[i].split(',');
                ASSERT_EQ(f.size(), 3) << (*day)[i].toStdString();
                EXPECT_EQ(f[0].toInt(), ++number) << (*day)[i].toStdString();
                EXPECT_TRUE(f[1].startsWith(date)) << (*day)[i].toStdString();
                EXPECT_EQ(f[2].toInt(), number) << "each reply in its own row, once";
            }
        }
        EXPECT_GE(number, replies - 1) << "at most the cycle the stop cut off has no row";
        if (iso) {
            EXPECT_TRUE(day2[1].contains(QRegularExpression("T00:00:00\\.\\d{3}[+-]\\d\\d:\\d\\d\"")))
                << day2[1].toStdString();
        }
    }
}

}  // namespace
}  // namespace vel::test
