#pragma once
// The workbook backend on LibreOffice Calc. createApplication starts the
// program's own office instance (private profile, local pipe, detached, so
// that it outlives the program as the user left it), waits for it within a
// bound and connects over the UNO bridge; the other operations act on the
// active spreadsheet document of that instance, falling back to the
// workbook the program opened.
//
// A workbook of an office session (see OfficeSession) shares the session's
// instance with the other stations' workbooks instead: createApplication
// starts it only when it is not running, the operations act on the
// workbook's own document (its own active cell, whatever document is active
// in the office), quit closes only that document, and the instance ends when
// its last workbook releases it while it holds no document.
//
// Every operation catches every UNO exception and reports failure; each call
// is bounded in time by a watchdog that cuts the connection when the office
// stops answering, so nothing hangs the caller. Each call is made on the
// caller's thread, under the instance's lock, so the calls of the workbooks
// sharing an instance never interleave. The object is tied to no thread: it
// may be created on one thread and called from another (the workbook
// writer's worker), as long as one thread at a time calls the same object,
// because its kept view of the active document is not guarded.
//
// Beyond the workbook operations the class can create an empty workbook file
// and read a cell back: tests and the benchmark use them.
#include <QString>
#include <memory>
#include <optional>

#include "output/workbook.h"
#include "output/workbook_backend.h"

namespace vel {

// What a cell of the active sheet holds.
struct OfficeCell {
    enum class Kind { Empty, Number, Text, Formula };
    Kind kind = Kind::Empty;
    QString text;          // the text as the office shows it
    double number = 0;     // the cell's number
    int64_t fontColour = -1;  // 0xRRGGBB, -1 for the automatic colour
    QString numberFormat;  // the format code of the cell
};

struct OfficeInstance;

class LibreOfficeWorkbook : public Workbook {
public:
    // A workbook with an office instance of its own.
    explicit LibreOfficeWorkbook(const OfficeOptions& options);
    // A workbook in an office session's shared instance.
    explicit LibreOfficeWorkbook(std::shared_ptr<OfficeInstance> session);
    ~LibreOfficeWorkbook() override;
    LibreOfficeWorkbook(const LibreOfficeWorkbook&) = delete;
    LibreOfficeWorkbook& operator=(const LibreOfficeWorkbook&) = delete;

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

    // A new empty workbook saved as an Excel 97 file at path (overwritten).
    bool createWorkbookFile(const QString& path);
    // A cell of the active sheet; nullopt when it cannot be read.
    std::optional<OfficeCell> readCell(int32_t row, int32_t column);

    // The launcher process of the running instance (0 when none) and the
    // pipe it accepts the connection on.
    qint64 officeProcessId() const;
    QString pipeName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vel
