#include "settings/setup_dat_format.h"

#include <gtest/gtest.h>

#include <functional>

#include "record_bytes.h"
#include "text/cp932.h"

namespace vel {
namespace {

using test::hexBytes;
using test::RecordBytes;

// A record with every string empty and a distinct value in each other field.
SettingsRecord numbersOnly() {
    SettingsRecord s;
    s.reserved1 = 0x0102;
    s.timeStampMode = 1;
    s.reserved3 = -2;
    s.numberColumnOn = true;
    s.acquisitionNumber = 0x01020304;
    s.cursorRow = 65000;
    s.cursorColumn = 3;
    s.reserved10 = 7;
    s.acquisitionLimitMs = Fixed4::fromInt(60000);
    s.reserved12 = -1;
    s.workbookOn = true;
    s.normalMailOn = true;
    s.mailOnRecovery = true;
    s.portNumber[0] = 3;
    s.handshaking[0] = 2;
    s.alarmMailMinutes = 5;
    s.normalMailMinutes = 30;
    s.reserved29 = 0x7FFF;
    s.rsLogEnabled = true;
    return s;
}

const char* const kNumbersOnlyHex =
    "0201" "0100" "feff" "ffff" "04030201" "0000"          // 1..6
    "0000"                                                  // 7
    "e8fd0000" "0300" "0700" "0046c32300000000" "ffffffff"  // 8..12: 60000 ms as 600,000,000
    "ffff" "0000" "ffff" "0000" "ffff" "0000"              // 13..18
    "00000000000000000000000000000000"                      // 19
    "03000000000000000000000000000000"                      // 20
    "02000000000000000000000000000000"                      // 21
    "00000000000000000000"                                  // 22..26
    "0500" "1e00" "ff7f" "ffff" "0000"                      // 27..31
    "0000000000000000" "000000000000";                      // 32..35

TEST(SetupDatFormat, WriterMatchesHandMadeBytesWithEmptyStrings) {
    const auto bytes = encodeSettings(numbersOnly());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 130);
    EXPECT_EQ(bytes->toHex(), hexBytes(kNumbersOnlyHex).toHex());
    EXPECT_EQ(encodeSettings(SettingsRecord{})->size(), 130);
}

// A record with strings, Japanese ones among them, built by hand from the
// format; the strings' counts are bytes, not characters.
struct WithStrings {
    SettingsRecord record;
    RecordBytes file;
};

WithStrings withStrings() {
    WithStrings w;
    SettingsRecord& s = w.record;
    s.reserved1 = -1;
    s.timeStampMode = 2;
    s.reserved3 = 0x55AA;
    s.acquisitionNumber = -5;
    s.useStartCell = true;
    s.startColumnLetters = QStringLiteral("AB");
    s.cursorRow = 12;
    s.cursorColumn = 28;
    s.reserved10 = -300;
    s.acquisitionLimitMs = Fixed4::fromRaw(-1);
    s.reserved12 = 0x12345678;
    s.csvOn = true;
    s.alarmMailOn = true;
    s.mailOnAutoEnd = true;
    s.portSettings[0] = QStringLiteral("4800,e,7,1.5");
    s.portSettings[7] = QStringLiteral("表");  // trail byte 0x5C
    s.portNumber[0] = 16;
    s.portNumber[7] = -1;
    s.handshaking[0] = 1;
    s.workbookPath = QStringLiteral("C:\\データ\\book.xls");
    s.csvPath = QStringLiteral("/home/u/データ/log.csv");
    s.scriptPath = QStringLiteral("ｽｸﾘﾌﾟﾄ.txt");
    s.alarmMailFile = QStringLiteral("kinkyu.txt");
    s.normalMailFile = QStringLiteral("①～.txt");
    s.alarmMailMinutes = 9999;
    s.normalMailMinutes = -32768;
    s.reserved29 = 1;
    s.alarmLogEnabled = true;

    RecordBytes& b = w.file;
    b.i16(-1).i16(2).i16(0x55AA).i16(0).i32(-5).i16(-1).str("AB").i32(12).i16(28).i16(-300);
    b.i64(-1).i32(0x12345678).i16(0).i16(-1).i16(0).i16(-1).i16(0).i16(-1);
    b.str("4800,e,7,1.5");
    for (int i = 1; i < 7; ++i) b.str("");
    b.str(hexBytes("955c"));
    b.i16(16);
    for (int i = 1; i < 7; ++i) b.i16(0);
    b.i16(-1);
    b.i16(1);
    for (int i = 1; i < 8; ++i) b.i16(0);
    b.str("C:\\" + hexBytes("8366815b835e") + "\\book.xls");
    b.str("/home/u/" + hexBytes("8366815b835e") + "/log.csv");
    b.str(hexBytes("bdb8d8ccdfc4") + ".txt");
    b.str("kinkyu.txt");
    b.str(hexBytes("87408160") + ".txt");
    b.i16(9999).i16(-32768).i16(1).i16(0).i16(-1);
    b.raw(QByteArray(8, '\0')).str("").str("").str("");
    return w;
}

TEST(SetupDatFormat, HandBuiltFileReadsAndWriterReproducesIt) {
    const WithStrings w = withStrings();
    SettingsRecord read;
    ASSERT_TRUE(decodeSettings(w.file.bytes, read));
    EXPECT_EQ(read, w.record);
    EXPECT_EQ(encodeSettings(w.record)->toHex(), w.file.bytes.toHex());
}

TEST(SetupDatFormat, ReaderIgnoresReservedTailAndLeftoverBytes) {
    QByteArray file = hexBytes(kNumbersOnlyHex);
    file.replace(116, 8, QByteArray(8, '\x7f'));  // field 32 holds something
    file.chop(6);
    file.append(hexBytes("0300") + "abc" + hexBytes("0000") + hexBytes("0100") + "z");  // 33..35
    file.append(QByteArray(500, '\xee'));  // left from an earlier, longer record
    SettingsRecord read;
    ASSERT_TRUE(decodeSettings(file, read));
    EXPECT_EQ(read, numbersOnly());
}

TEST(SetupDatFormat, AnyNonZeroBooleanReadsAsTrue) {
    QByteArray file = hexBytes(kNumbersOnlyHex);
    file[6] = 1;  // numberColumnOn as 1 rather than -1
    file[7] = 0;
    SettingsRecord read;
    ASSERT_TRUE(decodeSettings(file, read));
    EXPECT_TRUE(read.numberColumnOn);
    EXPECT_EQ(encodeSettings(read)->mid(6, 2), hexBytes("ffff"));
}

// One check per value in file order: does `a` hold the same value as `b`?
using SameValue = std::function<bool(const SettingsRecord&, const SettingsRecord&)>;

std::vector<SameValue> valuesInFileOrder() {
    std::vector<SameValue> v;
#define VALUE(expr) v.push_back([](const SettingsRecord& a, const SettingsRecord& b) { return a.expr == b.expr; })
    VALUE(reserved1); VALUE(timeStampMode); VALUE(reserved3); VALUE(numberColumnOn);
    VALUE(acquisitionNumber); VALUE(useStartCell); VALUE(startColumnLetters); VALUE(cursorRow);
    VALUE(cursorColumn); VALUE(reserved10); VALUE(acquisitionLimitMs); VALUE(reserved12);
    VALUE(workbookOn); VALUE(csvOn); VALUE(normalMailOn); VALUE(alarmMailOn); VALUE(mailOnRecovery);
    VALUE(mailOnAutoEnd);
    VALUE(portSettings[0]); VALUE(portSettings[1]); VALUE(portSettings[2]); VALUE(portSettings[3]);
    VALUE(portSettings[4]); VALUE(portSettings[5]); VALUE(portSettings[6]); VALUE(portSettings[7]);
    VALUE(portNumber[0]); VALUE(portNumber[1]); VALUE(portNumber[2]); VALUE(portNumber[3]);
    VALUE(portNumber[4]); VALUE(portNumber[5]); VALUE(portNumber[6]); VALUE(portNumber[7]);
    VALUE(handshaking[0]); VALUE(handshaking[1]); VALUE(handshaking[2]); VALUE(handshaking[3]);
    VALUE(handshaking[4]); VALUE(handshaking[5]); VALUE(handshaking[6]); VALUE(handshaking[7]);
    VALUE(workbookPath); VALUE(csvPath); VALUE(scriptPath); VALUE(alarmMailFile); VALUE(normalMailFile);
    VALUE(alarmMailMinutes); VALUE(normalMailMinutes); VALUE(reserved29); VALUE(rsLogEnabled);
    VALUE(alarmLogEnabled);
#undef VALUE
    return v;
}

// Differs from withStrings() in every value, so a kept value is told from a new one.
SettingsRecord previousValues() {
    SettingsRecord s;
    s.reserved1 = 11; s.timeStampMode = 12; s.reserved3 = 13; s.numberColumnOn = true;
    s.acquisitionNumber = 14; s.useStartCell = false; s.startColumnLetters = "old"; s.cursorRow = 15;
    s.cursorColumn = 16; s.reserved10 = 17; s.acquisitionLimitMs = Fixed4::fromRaw(18); s.reserved12 = 19;
    s.workbookOn = true; s.csvOn = false; s.normalMailOn = true; s.alarmMailOn = false;
    s.mailOnRecovery = true; s.mailOnAutoEnd = false;
    for (int i = 0; i < 8; ++i) {
        s.portSettings[i] = "old" + QString::number(i);
        s.portNumber[i] = static_cast<int16_t>(100 + i);
        s.handshaking[i] = static_cast<int16_t>(200 + i);
    }
    s.workbookPath = "ow"; s.csvPath = "oc"; s.scriptPath = "os"; s.alarmMailFile = "oa";
    s.normalMailFile = "on"; s.alarmMailMinutes = 21; s.normalMailMinutes = 22; s.reserved29 = 23;
    s.rsLogEnabled = true; s.alarmLogEnabled = false;
    return s;
}

TEST(SetupDatFormat, FileEndingInsideTheRecordKeepsWhatWasReadCompletely) {
    const WithStrings w = withStrings();
    const std::vector<SameValue> values = valuesInFileOrder();
    ASSERT_EQ(values.size() + 4, w.file.ends.size());  // plus the four trailing reserved fields
    const SettingsRecord before = previousValues();
    for (int cut = 0; cut < w.file.bytes.size(); ++cut) {
        SettingsRecord read = before;
        EXPECT_FALSE(decodeSettings(w.file.bytes.left(cut), read)) << "cut at " << cut;
        for (size_t i = 0; i < values.size(); ++i) {
            const bool complete = w.file.ends[i] <= cut;
            EXPECT_TRUE(values[i](read, complete ? w.record : before))
                << "cut at " << cut << ", value " << i << (complete ? " should be new" : " should be kept");
        }
    }
}

TEST(SetupDatFormat, CorruptCountsNeverReadPastTheRecord) {
    const QByteArray good = hexBytes(kNumbersOnlyHex);
    struct Case { const char* what; int offset; QByteArray count; int fileSize; int newValues; };
    const Case cases[] = {
        // field 7 (offset 14) is the 7th value; fields before it are kept new.
        {"count 65535 in a short file", 14, hexBytes("ffff"), 130, 6},
        {"count one past the end", 14, hexBytes("7500"), 130, 6},     // 116 bytes follow the count
        {"count past byte 4096 of a longer file", 14, hexBytes("f10f"), 8000, 6},  // 14 + 2 + 4081 = 4097
        {"last reserved string runs off", 128, hexBytes("0100"), 130, 52},
    };
    const std::vector<SameValue> values = valuesInFileOrder();
    for (const Case& c : cases) {
        QByteArray file = good;
        file.replace(c.offset, 2, c.count);
        file.append(QByteArray(c.fileSize - file.size(), 'x'));
        SettingsRecord read = previousValues();
        EXPECT_FALSE(decodeSettings(file, read)) << c.what;
        for (int i = 0; i < static_cast<int>(values.size()); ++i)
            EXPECT_TRUE(values[i](read, i < c.newValues ? numbersOnly() : previousValues()))
                << c.what << ", value " << i;
    }
    // A count that ends exactly at the end of the bytes is complete.
    QByteArray exact = good;
    exact.chop(2);
    exact.append(hexBytes("0300") + "end");
    SettingsRecord read;
    EXPECT_TRUE(decodeSettings(exact, read));
}

TEST(SetupDatFormat, RecordLongerThan4096BytesIsRefusedByByteCount) {
    struct Case { const char* what; QString path; bool fits; };
    const Case cases[] = {
        {"3966 single bytes: exactly 4096", QString(3966, QLatin1Char('a')), true},
        {"3967 single bytes", QString(3967, QLatin1Char('a')), false},
        {"1983 double-byte characters: exactly 4096", QString(1983, QChar(0x3042)), true},
        {"1983 double-byte and one half-width", QString(1983, QChar(0x3042)) + QChar(0xFF71), false},
        {"300 characters", QString(300, QChar(0x3042)), true},
        {"70000 bytes, beyond a 16-bit count", QString(70000, QLatin1Char('a')), false},
    };
    for (const Case& c : cases) {
        SettingsRecord s;
        s.csvPath = c.path;
        const auto bytes = encodeSettings(s);
        EXPECT_EQ(bytes.has_value(), c.fits) << c.what;
        if (!bytes) continue;
        EXPECT_EQ(bytes->size(), 130 + cp932::byteLength(c.path)) << c.what;
        SettingsRecord back;
        ASSERT_TRUE(decodeSettings(*bytes, back)) << c.what;
        EXPECT_EQ(back.csvPath, c.path) << c.what;
    }
}

}  // namespace
}  // namespace vel
