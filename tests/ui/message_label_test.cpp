// The run monitor's message line breaks between phrases, never inside a word.
#include <QFontMetrics>
#include <QLabel>

#include <gtest/gtest.h>

#include "ui/message_label.h"
#include "ui_rig.h"

namespace vel {
namespace {

TEST(MessageLabel, LongMessagesBreakBetweenPhrases) {
    test::ensureUiApplication();
    QLabel probe;
    const QFontMetrics metrics(probe.font());
    struct Case {
        const char* text;
        int width;
        const char* want;
    };
    const Case cases[] = {
        {"ｽｸﾘﾌﾟﾄNo.13:PAU 停止中！「次へ」ボタンを押して下さい", 254,
         "ｽｸﾘﾌﾟﾄNo.13:PAU 停止中！「次へ」ボタンを\n押して下さい"},
        {"ｽｸﾘﾌﾟﾄNo.123:PAU 停止中！「次へ」ボタンを押して下さい", 180,
         "ｽｸﾘﾌﾟﾄNo.123:PAU 停止中！\n「次へ」ボタンを押して下さい"},
        {"強制終了しました！ 「戻る」ボタンを押して下さい", 200, "強制終了しました！\n「戻る」ボタンを押して下さい"},
        {"ｽｸﾘﾌﾟﾄNo.13:EEE", 254, "ｽｸﾘﾌﾟﾄNo.13:EEE"},
        {"", 254, ""},
    };
    for (const Case& c : cases) {
        const QString got = ui::phraseWrapped(QString::fromUtf8(c.text), metrics, c.width);
        // Every line fits, and the lines put together are the message.
        for (const QString& line : got.split(u'\n'))
            EXPECT_LE(metrics.horizontalAdvance(line), c.width) << got.toStdString();
        EXPECT_EQ(QString(got).remove(u'\n').remove(u' '), QString::fromUtf8(c.text).remove(u' ')) << c.text;
        EXPECT_EQ(got, QString::fromUtf8(c.want)) << got.toStdString();
    }
}

}  // namespace
}  // namespace vel
