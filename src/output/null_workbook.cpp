#include "output/null_workbook.h"

namespace vel {

bool NullWorkbook::createApplication() { return false; }
bool NullWorkbook::openWorkbook(const QString&) { return false; }
bool NullWorkbook::setVisible(bool) { return false; }
bool NullWorkbook::setWindowNormal() { return false; }
bool NullWorkbook::selectRange(const QString&) { return false; }
std::optional<QString> NullWorkbook::activeCellAddress() { return std::nullopt; }
std::optional<int32_t> NullWorkbook::activeCellColumn() { return std::nullopt; }
std::optional<int32_t> NullWorkbook::activeCellRow() { return std::nullopt; }
bool NullWorkbook::selectCell(int32_t, int32_t) { return false; }
bool NullWorkbook::setCellText(int32_t, int32_t, const QString&) { return false; }
bool NullWorkbook::setCellDateTime(int32_t, int32_t, const QDateTime&) { return false; }
bool NullWorkbook::setCellFontColourIndex(int32_t, int32_t, int) { return false; }
bool NullWorkbook::saveActiveWorkbook() { return false; }
bool NullWorkbook::quit() { return false; }
void NullWorkbook::release() {}

QString NullWorkbook::failure() const { return QStringLiteral("表計算ソフトとの連携なしで作られたプログラムです"); }

}  // namespace vel
