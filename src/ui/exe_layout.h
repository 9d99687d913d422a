#pragma once
// The run monitor's two views and its resize rules. The compact view is one
// line high and has a fixed size; the detail view has a minimum size, and
// any extra height or width goes to the tab control, the grid and the two
// log panes. No widgets here.
#include <QSize>

namespace vel::ui {

struct ExeDesign {
    QSize compact;    // the compact window
    QSize detailMin;  // the smallest detail window
    QSize tab;        // design sizes of the tab control, the grid and the panes
    QSize grid;
    QSize pane;
};

// The window's designed sizes: compact 9375 x 900 twips, detail at least
// 9375 x 8100 twips.
ExeDesign exeDesign();

struct ExeLayout {
    QSize window;
    QSize tab;
    QSize grid;
    QSize pane;
};

// The sizes for a window the user or the system has made `requested` big.
ExeLayout exeLayout(const ExeDesign& design, bool detail, QSize requested);

}  // namespace vel::ui
