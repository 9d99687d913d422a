#pragma once
// The spreadsheet application as the program drives it: one application
// instance with one open workbook, addressed through its active worksheet.
// Every operation can fail (the application was closed by the user, it never
// started, a cell is out of range); a failure is reported as false or nullopt,
// never thrown, and never hangs the caller.
//
// Rows and columns are 1-based (column A = 1).
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace vel {

// The window state "normal" of the application window.
inline constexpr int kWindowStateNormal = -4143;
// The font colour index that marks a value in alarm.
inline constexpr int kAlarmFontColourIndex = 3;

class Workbook {
public:
    virtual ~Workbook() = default;

    // Starts a new application instance; an earlier instance is released first
    // (not asked to quit).
    virtual bool createApplication() = 0;
    // Opens the workbook file in the application; the workbook becomes active.
    virtual bool openWorkbook(const QString& path) = 0;
    virtual bool setVisible(bool visible) = 0;
    virtual bool setWindowNormal() = 0;

    // Selects the cell of an address such as "B3" on the active worksheet.
    virtual bool selectRange(const QString& address) = 0;
    // The active cell: its absolute address ("$B$3"), column and row numbers.
    virtual std::optional<QString> activeCellAddress() = 0;
    virtual std::optional<int32_t> activeCellColumn() = 0;
    virtual std::optional<int32_t> activeCellRow() = 0;
    virtual bool selectCell(int32_t row, int32_t column) = 0;

    // Cell values of the active worksheet: a text, or a date-time value. A
    // date-time on the spreadsheet's zero date 1899/12/30 stands for a time of
    // day without a date part.
    virtual bool setCellText(int32_t row, int32_t column, const QString& text) = 0;
    virtual bool setCellDateTime(int32_t row, int32_t column, const QDateTime& value) = 0;
    virtual bool setCellFontColourIndex(int32_t row, int32_t column, int colourIndex) = 0;

    virtual bool saveActiveWorkbook() = 0;
    virtual bool quit() = 0;
    // Drops the program's hold on the application without closing anything.
    virtual void release() = 0;
    // Why the last failed call failed, in words for the alarm log (the
    // office's own message or what happened to its process); empty when
    // the backend cannot tell.
    virtual QString failure() const { return {}; }
};

}  // namespace vel
