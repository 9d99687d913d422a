#include "serial/reply_assembler.h"

#include <gtest/gtest.h>

#include <vector>

#include "measure/value_store.h"
#include "support/measure_bench.h"

namespace vel {
namespace {

struct Codes {
    uint8_t start = 0;
    uint8_t delimiter = 44;
    uint8_t end = 13;
};

void setCodes(test::MeasureBench& b, const Codes& c) {
    b.run.startCode[0] = c.start;
    b.run.delimiterCode[0] = c.delimiter;
    b.run.endCode[0] = c.end;
}

// One reply taken as the loop takes it: the assembler cuts it, evaluation
// stores its fields as the record's next values.
bool takeReply(test::MeasureBench& b, int channel, const std::function<void()>& beep = {}) {
    const std::optional<QStringList> fields = vel::takeReply(b.run, b.log, channel, beep);
    if (!fields) return false;
    storeReplyFields(b.ctx, *fields);
    return true;
}

QStringList values(test::MeasureBench& b) {
    QStringList out;
    for (int i = 0; i < b.run.valueCount; ++i) out.append(b.item(i).valueText);
    return out;
}

TEST(TakeReply, CutsOneReplyIntoValues) {
    struct Case {
        const char* what;
        Codes codes;
        QString buffer;
        QString logged;  // after "○ "
        QStringList values;
        QString left;
    };
    const Case cases[] = {
        {"two values", {}, "12.5,3.0\r", "12.5,3.0\r", {"12.5", "3.0"}, ""},
        {"the rest waits", {}, "1,2\r3,", "1,2\r", {"1", "2"}, "3,"},
        {"empty piece gives no value", {}, "1,,2\r", "1,,2\r", {"1", "2"}, ""},
        {"trailing delimiter", {}, "1,2,\r", "1,2,\r", {"1", "2"}, ""},
        {"end code only", {}, "\r", "\r", {}, ""},
        {"leading line feed dropped", {}, "\n7\r", "7\r", {"7"}, ""},
        {"line feed as delimiter", {0, 10, 13}, "1\n2\r", "1\n2\r", {"1", "2"}, ""},
        {"line feed as end code", {0, 44, 10}, "1,2\n\r", "1,2\n", {"1", "2"}, "\r"},
        {"control characters inside a value", {}, "1\t2\x01\r", "12\r", {"12"}, ""},
        {"NUL with start code 0", {}, QString("1") + QChar(0) + "2\r", "12\r", {"12"}, ""},
        {"STX start code never separates", {2, 44, 13}, "\x02" "1\x02" "2,3\r", "12,3\r", {"12", "3"}, ""},
        {"printable start code closes a field", {61, 44, 13}, "V=12.5\r", "V=12.5\r", {"V", "12.5"}, ""},
        {"no trimming", {}, " 12 ,3\r", " 12 ,3\r", {" 12 ", "3"}, ""},
        {"double-byte characters are kept", {}, "温度,２５\r", "温度,２５\r", {"温度", "２５"}, ""},
        {"half-width katakana end code", {0, 44, 0xB1}, "1,2ｱ3", "1,2ｱ", {"1", "2"}, "3"},
        {"space delimiter", {0, 32, 13}, "1 2\r", "1 2\r", {"1", "2"}, ""},
    };
    for (const Case& c : cases) {
        test::MeasureBench b;
        setCodes(b, c.codes);
        b.run.receiveBuffer[0] = c.buffer;
        EXPECT_TRUE(takeReply(b, 0)) << c.what;
        EXPECT_EQ(b.log.rsLines, QStringList{"○ " + c.logged}) << c.what;
        EXPECT_EQ(values(b), c.values) << c.what;
        EXPECT_EQ(b.run.receiveBuffer[0], c.left) << c.what;
    }
}

TEST(TakeReply, WithoutAnEndCodeNothingIsTaken) {
    const QString buffers[] = {"", "1,2", "1,2\n", "温度"};
    for (const QString& buffer : buffers) {
        test::MeasureBench b;
        b.run.receiveBuffer[0] = buffer;
        EXPECT_FALSE(takeReply(b, 0)) << buffer.toStdString();
        EXPECT_EQ(b.run.receiveBuffer[0], buffer);
        EXPECT_TRUE(b.log.rsLines.isEmpty());
        EXPECT_EQ(b.run.valueCount, 0);
    }
}

TEST(TakeReply, RepliesOfOneCycleFillConsecutiveItemsAndStampOnce) {
    test::MeasureBench b;
    b.settings.numberColumnOn = true;
    b.settings.timeStampMode = 2;
    b.settings.acquisitionNumber = 5;
    b.run.receiveBuffer[0] = "1,2\r\n3\r";
    EXPECT_TRUE(takeReply(b, 0));
    b.settings.acquisitionNumber = 6;
    b.clock.advanceMs(2000);
    EXPECT_TRUE(takeReply(b, 0));
    EXPECT_FALSE(takeReply(b, 0));
    EXPECT_EQ(values(b), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(b.item(kRecordNumberItem).valueText, "5");
    EXPECT_EQ(b.item(kTimeStampItem).valueText, "12:00:00");
    EXPECT_EQ(b.log.rsLines, (QStringList{"○ 1,2\r", "○ 3\r"}));
}

TEST(TakeReply, ValuesGoThroughTheItemDefinitions) {
    test::MeasureBench b;
    b.item(0).decimals = 2;
    b.item(1).alarmOp = {AlarmContains, AlarmNone};
    b.item(1).matchText = {"ERR", ""};
    b.run.receiveBuffer[0] = "12.345,E-ERR-1\r";
    ASSERT_TRUE(takeReply(b, 0));
    EXPECT_EQ(b.item(0).valueText, "12.35");
    EXPECT_TRUE(b.item(1).alarm);
}

TEST(TakeReply, ARecordHoldsAtMost257Values) {
    test::MeasureBench b;
    b.settings.numberColumnOn = true;
    b.settings.timeStampMode = 1;
    QStringList fields;
    for (int i = 1; i <= 300; ++i) fields.append(QString::number(i));
    b.run.receiveBuffer[0] = fields.join(',') + "\r";
    ASSERT_TRUE(takeReply(b, 0));
    EXPECT_EQ(b.run.valueCount, kMaxValuesPerRecord);
    EXPECT_EQ(b.item(kMaxValuesPerRecord - 1).valueText, "257");
    EXPECT_EQ(b.item(kRecordNumberItem).valueText, "0");  // the pseudo-items keep the record's stamp
    EXPECT_EQ(b.item(kTimeStampItem).valueText, "2024/05/01 12:00:00");
    EXPECT_EQ(b.item(259).valueText, "");
    b.run.receiveBuffer[0] = "9\r";  // a later reply of the same record is dropped as well
    ASSERT_TRUE(takeReply(b, 0));
    EXPECT_EQ(b.run.valueCount, kMaxValuesPerRecord);
}

TEST(TakeReply, BeepsOncePerReplyWhenAsked) {
    for (const bool beepOn : {false, true}) {
        test::MeasureBench b;
        b.run.beepOnReceive = beepOn;
        b.run.receiveBuffer[0] = "1\r2\r3";
        int beeps = 0;
        const auto beep = [&] { ++beeps; };
        while (takeReply(b, 0, beep)) {
        }
        EXPECT_EQ(beeps, beepOn ? 2 : 0);
    }
}

TEST(TakeReply, UsesTheCodesAndBufferOfItsChannel) {
    test::MeasureBench b;
    b.run.receiveBuffer[0] = "1,2\r";
    b.run.receiveBuffer[1] = "7;8!";
    b.run.delimiterCode[1] = ';';
    b.run.endCode[1] = '!';
    ASSERT_TRUE(takeReply(b, 1));
    EXPECT_EQ(values(b), (QStringList{"7", "8"}));
    EXPECT_EQ(b.run.receiveBuffer[0], "1,2\r");
    EXPECT_FALSE(takeReply(b, kChannels));
}

}  // namespace
}  // namespace vel
