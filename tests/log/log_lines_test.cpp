#include "log/log_lines.h"

#include <gtest/gtest.h>

#include "text/cp932.h"

namespace vel {
namespace {

TEST(LogLines, ExactTexts) {
    const QDateTime now(QDate(2024, 5, 1), QTime(9, 5, 7));
    struct Case {
        QString line;
        QString expected;
    } cases[] = {
        {loglines::cycleMarker(now), "[2024/05/01 09:05:07]"},
        {loglines::sent("RD?"), QStringLiteral("● RD?")},
        {loglines::received("23.5,1013"), QStringLiteral("○ 23.5,1013")},
        {loglines::acquisitionStarted(now), QStringLiteral("2024/05/01 09:05:07, データ取得開始")},
        {loglines::acquisitionEnded(now), QStringLiteral("2024/05/01 09:05:07, データ取得終了")},
        {loglines::alarmRaised(now, 3, "Temp", "105.2"), QStringLiteral("2024/05/01 09:05:07, アラーム発生,[003],Temp=, 105.2")},
        {loglines::alarmCleared(now, 1234, QStringLiteral("温度"), ""), QStringLiteral("2024/05/01 09:05:07, アラーム復帰,[1234],温度=, ")},
        {loglines::workbookUnreachable(now), QStringLiteral("2024/05/01 09:05:07 エクセルにアクセスできません")},
        {loglines::workbookRecordsSkipped(now, 12),
         QStringLiteral("2024/05/01 09:05:07 エクセルへの書き込みが間に合わないため、古いデータ12件を書き込まずに飛ばしました")},
        {loglines::normalMailRefused(now, "550 no"), QStringLiteral("2024/05/01 09:05:07, 通常メールパラメータエラー：550 no")},
        {loglines::alarmMailRefused(now, "x"), QStringLiteral("2024/05/01 09:05:07, アラームメールパラメータエラー：x")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.line, c.expected);
    // The marks are the code page's double-byte circles.
    EXPECT_EQ(cp932::encode(loglines::sent("")), QByteArray("\x81\x9c "));
    EXPECT_EQ(cp932::encode(loglines::received("")), QByteArray("\x81\x9b "));
}

}  // namespace
}  // namespace vel
