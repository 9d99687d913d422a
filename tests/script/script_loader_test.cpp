#include "script/script_loader.h"

#include <gtest/gtest.h>

#include "script/script_defaults.h"
#include "script/script_lines.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"
#include "text/cp932.h"

namespace vel {
namespace {

QByteArray crlf(const QStringList& lines) { return cp932::encode(lines.join("\r\n") + "\r\n"); }

struct Load {
    test::TempProgramFolder dir;
    test::RecordingMessageBox box;
    ScriptTables t;
    QString path;
    bool ok = false;

    explicit Load(const QByteArray& content, const QString& name = "s.txt") {
        resetScriptTables(t);
        path = dir.write(name, content);
        ok = loadScript(t, path, box);
    }
    QString message() const { return box.shown.value(0); }
    QList<int16_t> codes() const {
        QList<int16_t> c;
        for (const ScriptCommand& cmd : t.scriptTable) c.append(cmd.code);
        return c;
    }
};

TEST(LoadScript, Messages) {
    struct Case { QByteArray content; const char* expected; };  // %1 = path
    const Case cases[] = {
        {crlf({"; only comments", "NAM:D1=A", "ab"}), "ｽｸﾘﾌﾟﾄﾌｧｲﾙ:%1にｽｸﾘﾌﾟﾄはありません"},
        {QByteArray(), "ｽｸﾘﾌﾟﾄﾌｧｲﾙ:%1にｽｸﾘﾌﾟﾄはありません"},
        {crlf({"SSS", "snd:ABC"}), "ｽｸﾘﾌﾟﾄ不正(%1) ｽｸﾘﾌﾟﾄNo.2:snd:ABC "},
        {crlf({"snd:ABC"}), "ｽｸﾘﾌﾟﾄ不正(%1) ｽｸﾘﾌﾟﾄNo.1:snd:ABC "},
        {crlf({"NAM:D1=A", "; c", "SSS", "NAM:D0=X", "EEE"}), "ｽｸﾘﾌﾟﾄ不正(%1) ｽｸﾘﾌﾟﾄ:NAM:D0=X "},
        {cp932::encode("SSS\nRCV\nEEE\n"), "ｽｸﾘﾌﾟﾄ不正(%1) ｽｸﾘﾌﾟﾄNo.1:SSSRCVEEE "},
        {crlf({"SCD:、"}), "ｽｸﾘﾌﾟﾄ不正(%1) ｽｸﾘﾌﾟﾄNo.1:SCD:、 "},
        {crlf({"DEC:D1=40000", "SSS"}), "ｽｸﾘﾌﾟﾄ不正(%1) ｽｸﾘﾌﾟﾄ:DEC:D1=40000 "},
        {QByteArray("SND:") + QByteArray(kMaxScriptLineLength, 'A') + "\r\n", "ｽｸﾘﾌﾟﾄﾌｧｲﾙ:%1の読み込みエラー"},
        {QByteArray(kMaxScriptCommands + 1, '\r').replace("\r", "SSS\r\n"), "ｽｸﾘﾌﾟﾄﾌｧｲﾙ:%1の読み込みエラー"},
    };
    for (const Case& c : cases) {
        Load l(c.content);
        EXPECT_FALSE(l.ok) << c.expected;
        ASSERT_EQ(l.box.shown.size(), 1) << c.expected;
        EXPECT_EQ(l.message(), QString::fromUtf8(c.expected).arg(l.path));
    }
}

TEST(LoadScript, MissingFileAndEmptyPath) {
    test::TempProgramFolder dir;
    test::RecordingMessageBox box;
    ScriptTables t;
    resetScriptTables(t);
    EXPECT_TRUE(loadScript(t, "   ", box));
    EXPECT_EQ(t.scriptCount, 4);
    EXPECT_EQ(t.dataItems[0].name, "D001");  // defaults untouched, no padding
    EXPECT_TRUE(box.shown.isEmpty());
    const QString missing = dir.path("none.txt");
    EXPECT_FALSE(loadScript(t, " " + missing + " ", box));
    EXPECT_FALSE(loadScript(t, dir.folder.root, box));  // a folder is not a script
    EXPECT_EQ(box.shown, (QStringList{"ｽｸﾘﾌﾟﾄﾌｧｲﾙ:" + missing + "がありません",
                                      "ｽｸﾘﾌﾟﾄﾌｧｲﾙ:" + dir.folder.root + "がありません"}));
}

TEST(LoadScript, LinesCommentsAndControlCharacters) {
    const QByteArray content = crlf({"; header", "' also a comment", ";", "ab", "  ITM:1  ", "SSS",
                                     "SND:R%0D", "NAM:D1=Volt", "\tRCV", "WT\x01M:0.5", "EEE"}) +
                               "SET";  // the last line needs no line end
    Load l(content);
    ASSERT_TRUE(l.ok) << l.message().toStdString();
    EXPECT_EQ(l.t.scriptCount, 7);
    EXPECT_EQ(l.codes(), (QList<int16_t>{OpITM, OpSSS, OpSND, OpRCV, OpWTM, OpEEE, OpSET, OpNone}));
    EXPECT_EQ(l.t.scriptTable[4].value, Fixed4::fromInt(500));
    EXPECT_EQ(l.t.dataItems[0].name, "Volt");
    // A bare CR line end works as well as CR LF.
    Load cr(cp932::encode("SSS\rEEE\r"));
    EXPECT_TRUE(cr.ok);
    EXPECT_EQ(cr.t.scriptCount, 2);
}

TEST(LoadScript, NamesArePaddedToTheWidestByteLength) {
    struct Case { QStringList lines; const char* d1; const char* d2; const char* number; const char* time; };
    const Case cases[] = {
        {{"SSS"}, "D001", "D002", "No. ", "時間"},
        {{"NAM:D1=温度", "SSS"}, "温度", "D002", "No. ", "時間"},
        {{"NAM:D1=電圧ｱ", "SSS"}, "電圧ｱ", "D002 ", "No.  ", "時間 "},
        {{"NAM:D2=Temperature", "SSS"}, "D001       ", "Temperature", "No.        ", "時間       "},
    };
    for (const Case& c : cases) {
        Load l(crlf(c.lines));
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.t.dataItems[0].name, QString::fromUtf8(c.d1));
        EXPECT_EQ(l.t.dataItems[1].name, QString::fromUtf8(c.d2));
        EXPECT_EQ(l.t.dataItems[kRecordNumberItem].name, QString::fromUtf8(c.number));
        EXPECT_EQ(l.t.dataItems[kTimeStampItem].name, QString::fromUtf8(c.time));
        EXPECT_EQ(l.t.dataItems[259].name, "");  // the unused entry takes no padding
    }
}

TEST(LoadScript, BinaryInputNeverCrashes) {
    QByteArray noise;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        noise.append(static_cast<char>(x >> 24));
    }
    for (const QByteArray& content : {noise, QByteArray(5000, '\0'), QByteArray(70000, '\xFF'),
                                      QByteArray("SSS\r\n") + noise}) {
        Load l(content);
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.box.shown.size(), 1);
    }
}

TEST(ResetScriptTables, DefaultScriptAndNames) {
    ScriptTables t;
    t.dataItems[3].maxSet = true;
    resetScriptTables(t);
    EXPECT_EQ(t.scriptCount, 4);
    ASSERT_EQ(t.scriptTable.size(), 5u);
    const int16_t expected[] = {OpSSS, OpRCV, OpSET, OpEEE, OpNone};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(t.scriptTable[i].code, expected[i]);
    EXPECT_FALSE(t.dataItems[3].maxSet);
    EXPECT_EQ(t.dataItems[0].name, "D001");
    EXPECT_EQ(t.dataItems[255].name, "D256");
    EXPECT_EQ(t.dataItems[256].name, "D257");
    EXPECT_EQ(t.dataItems[kRecordNumberItem].name, "No.");
    EXPECT_EQ(t.dataItems[kTimeStampItem].name, QStringLiteral("時間"));
    EXPECT_EQ(t.dataItems[kTimeStampItem].decimals, -1);
    EXPECT_EQ(t.dataItems[259].decimals, 0);
}

}  // namespace
}  // namespace vel
