#include <gtest/gtest.h>

#include "mail/mail_settings.h"
#include "settings/settings_record.h"
#include "support/qstring_printer.h"
#include "support/recording_message_box.h"
#include "support/temp_folder.h"
#include "text/cp932.h"

namespace vel {
namespace {

const QString kServerMissing = QStringLiteral("送信ｻｰﾊﾞｰ名または送信先または送信元ｱﾄﾞﾚｽがありません");
const QString kMinimal = QStringLiteral("01.smtp.example.jp\r\n02.a@example.jp\r\n05.me@example.jp\r\n");

struct LoadCase {
    const char* name;
    MailKind kind;
    QString text;  // written in CP932
    bool ok;
    QString message;  // expected message, empty = none
    // Expected fields; a null QString is not checked.
    QString server, recipients, sender, subject, bodyHead, bodyTail, alarmMark;
};

class LoadMailSettingsTable : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadMailSettingsTable, ReadsKeysAndComposesArguments) {
    const LoadCase& c = GetParam();
    test::TempProgramFolder tmp;
    const QString path = tmp.write(QStringLiteral("mail.txt"), cp932::encode(c.text));
    MailRecords records;
    resetMailRecords(records);
    test::RecordingMessageBox box;
    MailSettings& r = records[mailRecordIndex(c.kind)];

    EXPECT_EQ(loadMailSettingsFile(c.kind, path, r, box), c.ok);
    if (c.message.isEmpty()) {
        EXPECT_TRUE(box.shown.isEmpty()) << box.shown.join("|").toStdString();
    } else {
        ASSERT_EQ(box.shown.size(), 1);
        EXPECT_EQ(box.shown[0], c.message);
    }
    auto check = [](const QString& expected, const QString& actual, const char* field) {
        if (!expected.isNull()) {
            EXPECT_EQ(actual, expected) << field;
        }
    };
    check(c.server, r.server, "server");
    check(c.recipients, r.recipients, "recipients");
    check(c.sender, r.sender, "sender");
    check(c.subject, r.subject, "subject");
    check(c.bodyHead, r.bodyHead, "bodyHead");
    check(c.bodyTail, r.bodyTail, "bodyTail");
    check(c.alarmMark, r.alarmMark, "alarmMark");
}

const QString T = QStringLiteral("\t");
const QString N;  // not checked

INSTANTIATE_TEST_SUITE_P(
    Files, LoadMailSettingsTable,
    ::testing::Values(
        LoadCase{"EmptyFile", MailKind::Normal, "", false, kServerMissing, N, N, N, N, N, N, N},
        LoadCase{"OnlyComments", MailKind::Alarm, ";01.x\r\n'02.y\r\n", false, kServerMissing, "", N, N, N, N, N, N},
        LoadCase{"MinimalCrLf", MailKind::Normal, kMinimal, true, "", "smtp.example.jp", "a@example.jp",
                 "me@example.jp", "", "", "", QStringLiteral("※")},
        LoadCase{"MinimalCrOnly", MailKind::Normal, "01.smtp.example.jp\r02.a@example.jp\r05.me@example.jp\r", true,
                 "", "smtp.example.jp", "a@example.jp", "me@example.jp", N, N, N, N},
        LoadCase{"LastLineWithoutBreak", MailKind::Normal, "01.s\r\n02.a@x\r\n05.me@x", true, "", "s", "a@x",
                 "me@x", N, N, N, N},
        LoadCase{"SpacesDropped", MailKind::Normal,
                 " 01 . mail server\r\n02.a@x\r\n05.me@x\r\n11.Alarm report\r\n", true, "", "mailserver", N, N,
                 "Alarmreport", N, N, N},
        LoadCase{"LaterKeyReplaces", MailKind::Normal, kMinimal + "01.second\r\n", true, "", "second", N, N, N, N, N,
                 N},
        LoadCase{"CcAndBccMarkers", MailKind::Alarm, kMinimal + "02.a1,a2\r\n03.c1\r\n04.b1,b2\r\n", true, "", N,
                 "a1" + T + "a2" + T + "cc" + T + "c1" + T + "bcc" + T + "b1" + T + "b2", N, N, N, N, N},
        LoadCase{"PopJoinsItemsWithColons", MailKind::Normal, kMinimal + "06.pop.example.jp,user,secret\r\n", true, "",
                 N, N, "me@example.jp" + T + "pop.example.jp:user:secret" + T + "pop", N, N, N, N},
        LoadCase{"BodyLinesAccumulate", MailKind::Normal,
                 kMinimal + "12.Line1\r\n12.Line2\r\n13.Tail\r\n12.\r\n", true, "", N, N, N, N,
                 "Line1\r\nLine2\r\n\r\n", "Tail\r\n", N},
        LoadCase{"EmptyMarkKeepsDefault", MailKind::Alarm, kMinimal + "14.\r\n", true, "", N, N, N, N, N, N,
                 QStringLiteral("※")},
        LoadCase{"MarkReplaced", MailKind::Normal, kMinimal + QStringLiteral("14.★\r\n"), true, "", N, N, N, N, N, N,
                 QStringLiteral("★")},
        LoadCase{"JapaneseAndTabsStay", MailKind::Normal,
                 kMinimal + QStringLiteral("11.①温度～ｱﾗｰﾑ\t㎜\r\n"), true, "", N, N, N,
                 QStringLiteral("①温度～ｱﾗｰﾑ\t㎜"), N, N, N},
        LoadCase{"KeyOutsideTableNormal", MailKind::Normal, kMinimal + "07.x\r\n", false,
                 QStringLiteral("通常ﾒｰﾙｽｸﾘﾌﾟﾄｴﾗｰ:(07.x)"), N, N, N, N, N, N, N},
        LoadCase{"KeyOutsideTableAlarm", MailKind::Alarm, kMinimal + "15.x\r\n", false,
                 QStringLiteral("緊急ﾒｰﾙｽｸﾘﾌﾟﾄｴﾗｰ:(15.x)"), N, N, N, N, N, N, N},
        LoadCase{"KeyZero", MailKind::Alarm, "00.x\r\n", false, QStringLiteral("緊急ﾒｰﾙｽｸﾘﾌﾟﾄｴﾗｰ:(00.x)"), N, N, N, N,
                 N, N, N},
        LoadCase{"OneDigitKey", MailKind::Normal, "1.x\r\n", false, QStringLiteral("通常ﾒｰﾙｽｸﾘﾌﾟﾄｴﾗｰ:(1.x)"), N, N,
                 N, N, N, N, N},
        LoadCase{"MessageShowsFilteredLine", MailKind::Normal, "01.s\r\n hello world \r\n", false,
                 QStringLiteral("通常ﾒｰﾙｽｸﾘﾌﾟﾄｴﾗｰ:(helloworld)"), "s", N, N, N, N, N, N},
        LoadCase{"ValuesBeforeErrorStay", MailKind::Normal, "01.kept\r\n11.subj\r\nxx\r\n02.never\r\n", false,
                 QStringLiteral("通常ﾒｰﾙｽｸﾘﾌﾟﾄｴﾗｰ:(xx)"), "kept", "", N, "subj", N, N, N},
        LoadCase{"SenderRequired", MailKind::Normal, "01.s\r\n02.a@x\r\n", false, kServerMissing, N, N, N, N, N, N, N}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(LoadMailSettings, MissingFileNamesThePathOfItsKind) {
    test::TempProgramFolder tmp;
    const QString path = tmp.path(QStringLiteral("none.txt"));
    SettingsRecord s;
    s.normalMailOn = true;
    s.alarmMailOn = true;
    s.normalMailFile = "  " + path + " ";
    s.alarmMailFile = path;
    MailRecords records;
    resetMailRecords(records);
    test::RecordingMessageBox box;
    EXPECT_FALSE(loadMailSettings(MailKind::Normal, s, records, box));
    EXPECT_FALSE(loadMailSettings(MailKind::Alarm, s, records, box));
    ASSERT_EQ(box.shown.size(), 2);
    EXPECT_EQ(box.shown[0], QStringLiteral("通常ﾒｰﾙ設定ﾌｧｲﾙ:") + path + QStringLiteral("がありません"));
    EXPECT_EQ(box.shown[1], QStringLiteral("緊急ﾒｰﾙ設定ﾌｧｲﾙ:") + path + QStringLiteral("がありません"));
}

TEST(LoadMailSettings, LoadsOnlyTheKindThatIsOnIntoItsRecord) {
    test::TempProgramFolder tmp;
    const QString path = tmp.write(QStringLiteral("m.txt"), cp932::encode(kMinimal));
    SettingsRecord s;
    s.normalMailFile = path;
    s.alarmMailFile = path;
    MailRecords records;
    resetMailRecords(records);
    test::RecordingMessageBox box;

    EXPECT_FALSE(loadMailSettings(MailKind::Normal, s, records, box));  // off: silent
    EXPECT_TRUE(box.shown.isEmpty());
    s.alarmMailOn = true;
    EXPECT_TRUE(loadMailSettings(MailKind::Alarm, s, records, box));
    EXPECT_EQ(records[kAlarmMailRecord].server, "smtp.example.jp");
    EXPECT_TRUE(records[kNormalMailRecord].server.isEmpty());
}

TEST(LoadMailSettings, AFolderInsteadOfAFileIsRefusedWithAMessage) {
    test::TempProgramFolder tmp;
    test::RecordingMessageBox box;
    MailSettings r;
    EXPECT_FALSE(loadMailSettingsFile(MailKind::Alarm, tmp.folder.root, r, box));
    EXPECT_EQ(box.shown.size(), 1);
}

TEST(LoadMailRecordsForRun, SampleFilesLoadAndAFailedAlarmFileStopsBeforeTheNormalOne) {
    SettingsRecord s;
    s.alarmMailOn = true;
    s.normalMailOn = true;
    s.alarmMailFile = QStringLiteral(VEL_SOURCE_DIR "/samples/mail_alarm.txt");
    s.normalMailFile = QStringLiteral(VEL_SOURCE_DIR "/samples/mail_normal.txt");
    MailRecords records;
    records[0].body = QStringLiteral("left from the last run");
    test::RecordingMessageBox box;
    ASSERT_TRUE(loadMailRecordsForRun(s, records, box)) << box.shown.join("|").toStdString();
    EXPECT_TRUE(records[0].body.isEmpty());
    EXPECT_EQ(records[kAlarmMailRecord].alarmMark, QStringLiteral("★"));
    EXPECT_EQ(records[kNormalMailRecord].alarmMark, QStringLiteral("※"));
    EXPECT_EQ(records[kNormalMailRecord].recipients,
              QStringLiteral("operator@example.jp\tmanager@example.jp\tcc\tlog@example.jp"));

    s.alarmMailFile = QStringLiteral(VEL_SOURCE_DIR "/samples/none.txt");
    EXPECT_FALSE(loadMailRecordsForRun(s, records, box));
    EXPECT_TRUE(records[kNormalMailRecord].server.isEmpty());  // not loaded after the failure
}

}  // namespace
}  // namespace vel
