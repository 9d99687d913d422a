#include "ui/exe_layout.h"

#include "ui/twips.h"

namespace vel::ui {

ExeDesign exeDesign() {
    return ExeDesign{pxSize(9375, 900), pxSize(9375, 8100), pxSize(9135, 7020), pxSize(8895, 5550),
                     pxSize(8895, 4950)};
}

ExeLayout exeLayout(const ExeDesign& d, bool detail, QSize requested) {
    if (!detail) return ExeLayout{d.compact, d.tab, d.grid, d.pane};
    const int dh = std::max(0, requested.height() - d.detailMin.height());
    const int dw = std::max(0, requested.width() - d.detailMin.width());
    const QSize grow(dw, dh);
    return ExeLayout{d.detailMin + grow, d.tab + grow, d.grid + grow, d.pane + grow};
}

}  // namespace vel::ui
