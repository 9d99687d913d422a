#pragma once
// The spreadsheet operations on a Calc document over UNO. Rows and columns
// are 1-based as in the program; every function throws a UNO exception when
// the office refuses (a cell outside the sheet, a closed document, a lost
// connection).
#include <QDateTime>
#include <QString>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include "output/libreoffice/libreoffice_workbook.h"

namespace vel::calc {

using css::uno::Reference;

// The document as a spreadsheet model; empty when it is none.
Reference<css::frame::XModel> spreadsheetModel(const Reference<css::uno::XInterface>& document);

// Loads a file URL (or a factory URL such as "private:factory/scalc") into a
// new window, without macros, link updates or dialogs.
Reference<css::lang::XComponent> loadDocument(const Reference<css::frame::XDesktop2>& desktop, const QString& url,
                                              bool hidden);

// Stores the document at a file URL with the office's export filter (e.g.
// "MS Excel 97"), overwriting it.
void storeWithFilter(const Reference<css::frame::XModel>& model, const QString& url, const QString& filter);
// Closes the document without saving.
void closeDocument(const Reference<css::lang::XComponent>& document);

// A spreadsheet document with the view of its current window, which knows
// the active sheet and the selection.
struct CalcView {
    Reference<css::frame::XModel> model;
    Reference<css::sheet::XSpreadsheetView> view;
    Reference<css::view::XSelectionSupplier> selection;
};
CalcView calcView(const Reference<css::frame::XModel>& model);

Reference<css::sheet::XSpreadsheet> activeSheet(const CalcView& view);
Reference<css::table::XCell> cellAt(const Reference<css::sheet::XSpreadsheet>& sheet, int32_t row, int32_t column);

// The cell or range of an address such as "B3" or "B3:D8".
Reference<css::table::XCellRange> rangeAt(const Reference<css::sheet::XSpreadsheet>& sheet, const QString& address);
// Selects a cell or range of the view's active sheet.
void select(const CalcView& view, const css::uno::Any& cellOrRange);

// The active cell: the selected cell, or the top-left cell of the selected
// range (of the first range when several are selected).
struct CellPosition {
    int32_t row = 0;
    int32_t column = 0;
};
CellPosition activeCell(const CalcView& view);

// Cell contents: a value text becomes a number when it reads as one and
// text otherwise; a date-time becomes its serial number shown as
// "YYYY/MM/DD HH:MM:SS", or "HH:MM:SS" for a time of day.
void setCellText(const Reference<css::table::XCell>& cell, const QString& text);
void setCellDateTime(const Reference<css::frame::XModel>& model, const Reference<css::table::XCell>& cell,
                     const QDateTime& when);
void setCellFontColour(const Reference<css::table::XCell>& cell, uint32_t rgb);

OfficeCell readCell(const Reference<css::frame::XModel>& model, const Reference<css::table::XCell>& cell);

// The document's window: shown or hidden, and restored to its normal size.
void setWindowVisible(const Reference<css::frame::XModel>& model, bool visible);
void restoreWindow(const Reference<css::frame::XModel>& model);

}  // namespace vel::calc
