#include "log/pane.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

struct PaneCase {
    const char* label;
    QString paneBefore;
    QString text;
    QString paneAfter;
    QString cleaned;  // what the file step receives
};

TEST(PaneAppend, BackspacesLineBreaksAndSelection) {
    const QString bs(QChar(8));
    const PaneCase cases[] = {
        {"plain line", "x\r\n", "abc", "x\r\nabc\r\n", "abc"},
        {"empty pane", "", "abc", "abc\r\n", "abc"},
        {"backspace removes the character before it", "", "AB" + bs + "C", "AC\r\n", "AC"},
        {"two backspaces in a row", "", "ABC" + bs + bs + "D", "AD\r\n", "AD"},
        {"leading backspace replaces the pane's last character", "xy", bs + "Z", "xZ\r\n", "Z"},
        {"several leading backspaces still remove one character", "xyz", bs + bs + bs + "Q", "xyQ\r\n", "Q"},
        {"backspace that empties the text back to the start", "xy", "A" + bs + bs + "B", "xB\r\n", "B"},
        {"leading backspace on an empty pane", "", bs + "Z", "Z\r\n", "Z"},
        {"leading backspace after a full line takes its line feed", "ab\r\n", bs + "c", "ab\rc\r\n", "c"},
        {"CR and LF inside a reply are dropped", "", "12\r3\n4\r\n", "1234\r\n", "1234"},
        {"backspaces are taken before line breaks", "", "A\r\n" + bs + "B", "AB\r\n", "AB"},
        {"empty text still adds a line", "a\r\n", "", "a\r\n\r\n", ""},
        {"only backspaces", "abc", bs, "ab\r\n", ""},
    };
    for (const auto& c : cases) {
        QString pane = c.paneBefore;
        QString cleaned = "(not called)";
        paneAppend(pane, c.text, [&](const QString& t) { cleaned = t; });
        EXPECT_EQ(pane, c.paneAfter) << c.label;
        EXPECT_EQ(cleaned, c.cleaned) << c.label;
    }
}

TEST(PaneAppend, DropsOldestCharactersOnlyPastTheLimit) {
    struct Case {
        qsizetype before;
        qsizetype after;  // length once "z" and CR LF are added
    } cases[] = {
        {16000, 16003},
        {16001, 16001 - 4096 + 3},
        {20000, 20000 - 4096 + 3},
    };
    for (const auto& c : cases) {
        QString pane;
        for (qsizetype i = 0; i < c.before; ++i) pane += QChar(char16_t('a' + i % 26));
        const QString expectedTail = c.before > kPaneLimit ? pane.mid(kPaneDrop) : pane;
        paneAppend(pane, "z");
        EXPECT_EQ(pane.size(), c.after) << c.before;
        EXPECT_EQ(pane, expectedTail + "z\r\n") << c.before;
    }
}

TEST(PaneAppend, WithoutFileStep) {
    QString pane;
    paneAppend(pane, "x\ny");
    EXPECT_EQ(pane, "xy\r\n");
}

}  // namespace
}  // namespace vel
