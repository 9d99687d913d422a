#pragma once
// The workbook backend of a build without an office suite: the application
// can never be started, so every operation fails and opening a workbook
// reports that the spreadsheet cannot be started.
#include "output/workbook.h"

namespace vel {

class NullWorkbook : public Workbook {
public:
    bool createApplication() override;
    bool openWorkbook(const QString& path) override;
    bool setVisible(bool visible) override;
    bool setWindowNormal() override;
    bool selectRange(const QString& address) override;
    std::optional<QString> activeCellAddress() override;
    std::optional<int32_t> activeCellColumn() override;
    std::optional<int32_t> activeCellRow() override;
    bool selectCell(int32_t row, int32_t column) override;
    bool setCellText(int32_t row, int32_t column, const QString& text) override;
    bool setCellDateTime(int32_t row, int32_t column, const QDateTime& value) override;
    bool setCellFontColourIndex(int32_t row, int32_t column, int colourIndex) override;
    bool saveActiveWorkbook() override;
    bool quit() override;
    void release() override;
    QString failure() const override;
};

}  // namespace vel
