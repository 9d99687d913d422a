#pragma once
// What the run monitor shows. The engine writes it; the window displays it;
// the data log and the mail read it, never a widget.
#include <QString>
#include <array>
#include <vector>

namespace vel {

inline constexpr int kGridColumns = 8;
inline constexpr int kColourGreen = 65280;  // 0x00FF00 as the window system's colour value
inline constexpr int kColourRed = 255;      // 0x0000FF (BGR): red

struct GridRow {
    std::array<QString, kGridColumns> cells{};
    bool alarmColumnRed = false;  // column 3 drawn in red
};

enum class MonitorFocus { None, Next, RsEnd, Close };

struct RunMonitorModel {
    // Row 0 is the header row; the grid starts with it and one empty data row.
    std::vector<GridRow> grid;
    int gridRowsBuilt = 0;

    QString txtTerm;         // communication pane
    QString txtLog;          // alarm-log pane
    QString labelMess;       // message line
    QString labelErrorMess;  // serial line-error line
    int records = 0;         // the record counter, shown by LabelNsu
    int lampColour = kColourGreen;

    bool nextVisible = false;   // CommandNext "次へ"
    bool rsEndVisible = true;   // CommandRsEnd "終了"
    bool closeVisible = false;  // CommandClose "戻る"
    MonitorFocus focus = MonitorFocus::None;

    RunMonitorModel() { reset(); }

    // The state of a freshly opened run monitor.
    void reset() {
        grid.assign(2, GridRow{});
        grid[0].cells = {QStringLiteral("項目No"), QStringLiteral("名前"), QStringLiteral("ﾃﾞｰﾀ"),
                         QStringLiteral("ｱﾗｰﾑ"), QStringLiteral("ｱﾗｰﾑ数"), QStringLiteral("最小値"),
                         QStringLiteral("最大値"), QStringLiteral("平均値")};
        gridRowsBuilt = 0;
        txtTerm.clear();
        labelMess.clear();
        labelErrorMess.clear();
        records = 0;
        lampColour = kColourGreen;
        nextVisible = false;
        rsEndVisible = true;
        closeVisible = false;
        focus = MonitorFocus::None;
    }

    int recordCount() const { return records; }
    // The counter as LabelNsu shows it: empty before the first record.
    QString recordCounterText() const { return records > 0 ? QString::number(records) : QString(); }
};

}  // namespace vel
