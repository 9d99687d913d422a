// Every caption and message shows whole at the windows' designed sizes: the
// main window's three panels, and the run monitor's compact and detail views
// with the longest texts the engine writes.
#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "text_fit.h"
#include "ui/exe_layout.h"
#include "ui/form_exe.h"
#include "ui_rig.h"

namespace vel {
namespace {

QString joined(const QStringList& list) { return list.join(QStringLiteral("\n  ")); }

// Lays out what was just shown; only layout events, so a window an earlier
// test left for deferred deletion is not deleted under this one.
void layOut() { QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); }

TEST(TextFit, MainWindowPanelsShowEveryCaption) {
    test::FormRig rig;
    rig.load();
    EXPECT_EQ(rig.window->size(), QSize(625, 330));
    const std::pair<const char*, std::function<void()>> panels[] = {
        {"main panel", [&] { rig.window->showMainPanel(); }},
        {"conditions panel", [&] { rig.window->openCondPanel(); }},
        {"serial panel", [&] { rig.window->openRsPanel(); }},
        {"station panel", [&] { rig.window->openExtPanel(); }},
    };
    for (const auto& [name, open] : panels) {
        open();
        layOut();
        const QStringList cut = test::cutCaptions(rig.window.get());
        EXPECT_TRUE(cut.isEmpty()) << name << ":\n  " << joined(cut).toStdString();
    }
}

struct FitMonitorRig : test::MonitorRig {
    // Shows a model state and lists what is cut on every tab.
    QStringList cutAfter(const std::function<void(RunMonitorModel&)>& change) {
        change(engine.monitor());
        exe->refresh();
        QStringList cut;
        auto* tabs = exe->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        for (int t = 0; t < tabs->count(); ++t) {
            tabs->setCurrentIndex(t);
            layOut();
            cut << test::cutCaptions(exe.get());
        }
        cut.removeDuplicates();
        return cut;
    }
};

TEST(TextFit, RunMonitorShowsItsLongestMessagesInBothViews) {
    struct Case {
        const char* name;
        std::function<void(RunMonitorModel&)> change;
    };
    const Case cases[] = {
        {"PAU prompt", [](RunMonitorModel& m) {
             m.labelMess = QStringLiteral("ｽｸﾘﾌﾟﾄNo.123:PAU 停止中！「次へ」ボタンを押して下さい");
             m.nextVisible = true;
         }},
        {"forced end", [](RunMonitorModel& m) {
             m.labelMess = QStringLiteral("強制終了しました！ 「戻る」ボタンを押して下さい");
             m.nextVisible = false;
             m.rsEndVisible = false;
             m.closeVisible = true;
         }},
        {"end", [](RunMonitorModel& m) { m.labelMess = QStringLiteral("終了しました！ 「戻る」ボタンを押して下さい"); }},
        {"step", [](RunMonitorModel& m) { m.labelMess = QStringLiteral("ｽｸﾘﾌﾟﾄNo.13:EEE"); }},
        {"port lost", [](RunMonitorModel& m) {
             m.labelErrorMess = QStringLiteral("12:00:00 通信ポートが切断されました。再接続を待っています");
         }},
        {"no reply", [](RunMonitorModel& m) {
             m.labelErrorMess = QStringLiteral("12:00:00 計測器から応答がありません（999999サイクル連続）");
         }},
    };
    for (bool detail : {false, true}) {
        FitMonitorRig rig;
        rig.exe->setDetail(detail);
        const QSize designed = detail ? ui::exeDesign().detailMin : ui::exeDesign().compact;
        for (const Case& c : cases) {
            const QStringList cut = rig.cutAfter(c.change);
            EXPECT_TRUE(cut.isEmpty()) << c.name << (detail ? " (detail)" : " (compact)") << ":\n  "
                                          << joined(cut).toStdString();
            EXPECT_EQ(rig.exe->size(), designed) << c.name;
        }
    }
}

TEST(TextFit, GridColumnsWidenToTheirCellsAndNeverNarrow) {
    FitMonitorRig rig;
    rig.exe->setDetail(true);
    auto* grid = rig.exe->findChild<QTableWidget*>(QStringLiteral("MSFlexData"));
    const QFontMetrics fm(grid->font());
    auto fits = [&](int column, const QString& text) {
        return fm.horizontalAdvance(text) + 4 <= grid->columnWidth(column);
    };
    const int designedName = grid->columnWidth(1);
    const QStringList longRow = {QStringLiteral("12"), QStringLiteral("ものすごく長いデータ項目の名前"),
                                 QStringLiteral("26/12/08 14:49:55"), QStringLiteral("※"),
                                 QStringLiteral("123456789"), QStringLiteral("-123456.7890"),
                                 QStringLiteral("123456789.0123"), QStringLiteral("-0.000012345")};
    rig.cutAfter([&](RunMonitorModel& m) {
        m.grid.resize(3);
        m.grid[1].cells = {"1", "時間", longRow[2], "", "", "", "", ""};
        for (int c = 0; c < kGridColumns; ++c) m.grid[2].cells[c] = longRow[c];
    });
    for (int c = 0; c < kGridColumns; ++c) {
        EXPECT_TRUE(fits(c, longRow[c])) << "column " << c << " " << longRow[c].toStdString() << " in "
                                         << grid->columnWidth(c);
        EXPECT_TRUE(fits(c, grid->horizontalHeaderItem(c)->text())) << "header " << c;
    }
    const int widened = grid->columnWidth(1);
    EXPECT_GT(widened, designedName);
    rig.cutAfter([](RunMonitorModel& m) { m.grid[2].cells[1] = QStringLiteral("短い"); });
    EXPECT_EQ(grid->columnWidth(1), widened);
}

}  // namespace
}  // namespace vel
