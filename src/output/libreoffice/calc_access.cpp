#include "output/libreoffice/calc_access.h"

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/IndexOutOfBoundsException.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include "output/libreoffice/uno_text.h"
#include "output/sheet_values.h"

namespace vel::calc {

using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

css::beans::PropertyValue property(const char* name, const Any& value) {
    css::beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// Spreadsheet positions are 0-based and 32-bit on the office side.
void checkPosition(int32_t row, int32_t column) {
    if (row < 1 || column < 1) throw css::lang::IndexOutOfBoundsException("cell outside the sheet");
}

Reference<css::frame::XController> controllerOf(const Reference<css::frame::XModel>& model) {
    Reference<css::frame::XController> controller = model->getCurrentController();
    if (!controller.is()) throw css::uno::RuntimeException("the workbook has no window");
    return controller;
}

Reference<css::awt::XWindow> windowOf(const Reference<css::frame::XModel>& model) {
    Reference<css::frame::XFrame> frame = controllerOf(model)->getFrame();
    if (!frame.is()) throw css::uno::RuntimeException("the workbook has no window");
    Reference<css::awt::XWindow> window = frame->getContainerWindow();
    if (!window.is()) throw css::uno::RuntimeException("the workbook has no window");
    return window;
}

// The format key of a format code in the document, added when missing.
// Codes are given in the English notation, whatever the document's locale.
sal_Int32 formatKey(const Reference<css::frame::XModel>& model, const rtl::OUString& code) {
    Reference<css::util::XNumberFormatsSupplier> supplier(model, UNO_QUERY_THROW);
    Reference<css::util::XNumberFormats> formats = supplier->getNumberFormats();
    const css::lang::Locale english("en", "US", "");
    const sal_Int32 key = formats->queryKey(code, english, false);
    return key >= 0 ? key : formats->addNew(code, english);
}

}  // namespace

Reference<css::frame::XModel> spreadsheetModel(const Reference<css::uno::XInterface>& document) {
    if (!document.is()) return {};
    Reference<css::sheet::XSpreadsheetDocument> sheets(document, UNO_QUERY);
    if (!sheets.is()) return {};
    return Reference<css::frame::XModel>(document, UNO_QUERY);
}

Reference<css::lang::XComponent> loadDocument(const Reference<css::frame::XDesktop2>& desktop, const QString& url,
                                              bool hidden) {
    const css::beans::PropertyValue list[] = {
        property("Hidden", Any(hidden)),
        property("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
        property("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
    };
    const Sequence<css::beans::PropertyValue> args(list, 3);
    return desktop->loadComponentFromURL(toOUString(url), "_blank", 0, args);
}

void storeWithFilter(const Reference<css::frame::XModel>& model, const QString& url, const QString& filter) {
    Reference<css::frame::XStorable> storable(model, UNO_QUERY_THROW);
    const css::beans::PropertyValue list[] = {
        property("FilterName", Any(toOUString(filter))),
        property("Overwrite", Any(true)),
    };
    const Sequence<css::beans::PropertyValue> args(list, 2);
    storable->storeToURL(toOUString(url), args);
}

void closeDocument(const Reference<css::lang::XComponent>& document) {
    Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
    if (closeable.is())
        closeable->close(true);
    else if (document.is())
        document->dispose();
}

CalcView calcView(const Reference<css::frame::XModel>& model) {
    const Reference<css::frame::XController> controller = controllerOf(model);
    return CalcView{model, Reference<css::sheet::XSpreadsheetView>(controller, UNO_QUERY_THROW),
                    Reference<css::view::XSelectionSupplier>(controller, UNO_QUERY_THROW)};
}

Reference<css::sheet::XSpreadsheet> activeSheet(const CalcView& view) {
    Reference<css::sheet::XSpreadsheet> sheet = view.view->getActiveSheet();
    if (!sheet.is()) throw css::uno::RuntimeException("no active sheet");
    return sheet;
}

Reference<css::table::XCell> cellAt(const Reference<css::sheet::XSpreadsheet>& sheet, int32_t row, int32_t column) {
    checkPosition(row, column);
    return sheet->getCellByPosition(column - 1, row - 1);
}

Reference<css::table::XCellRange> rangeAt(const Reference<css::sheet::XSpreadsheet>& sheet, const QString& address) {
    return sheet->getCellRangeByName(toOUString(address));
}

void select(const CalcView& view, const Any& cellOrRange) {
    if (!view.selection->select(cellOrRange)) throw css::uno::RuntimeException("selection refused");
}

CellPosition activeCell(const CalcView& view) {
    Reference<css::uno::XInterface> selected(view.selection->getSelection(), UNO_QUERY);
    Reference<css::sheet::XCellRangeAddressable> range(selected, UNO_QUERY);
    if (!range.is()) {
        Reference<css::container::XIndexAccess> ranges(selected, UNO_QUERY);
        if (ranges.is() && ranges->getCount() > 0) range.set(ranges->getByIndex(0), UNO_QUERY);
    }
    if (!range.is()) throw css::uno::RuntimeException("the selection is not a cell");
    const css::table::CellRangeAddress address = range->getRangeAddress();
    return CellPosition{address.StartRow + 1, address.StartColumn + 1};
}

void setCellText(const Reference<css::table::XCell>& cell, const QString& text) {
    if (const auto number = cellNumber(text)) {
        cell->setValue(*number);
        return;
    }
    Reference<css::text::XTextRange> textRange(cell, UNO_QUERY_THROW);
    textRange->setString(toOUString(text));
}

void setCellDateTime(const Reference<css::frame::XModel>& model, const Reference<css::table::XCell>& cell,
                     const QDateTime& when) {
    const rtl::OUString code = isTimeOfDay(when) ? rtl::OUString("HH:MM:SS") : rtl::OUString("YYYY/MM/DD HH:MM:SS");
    const sal_Int32 key = formatKey(model, code);
    cell->setValue(dateTimeSerial(when));
    Reference<css::beans::XPropertySet> props(cell, UNO_QUERY_THROW);
    props->setPropertyValue("NumberFormat", Any(key));
}

void setCellFontColour(const Reference<css::table::XCell>& cell, uint32_t rgb) {
    Reference<css::beans::XPropertySet> props(cell, UNO_QUERY_THROW);
    props->setPropertyValue("CharColor", Any(static_cast<sal_Int32>(rgb)));
}

OfficeCell readCell(const Reference<css::frame::XModel>& model, const Reference<css::table::XCell>& cell) {
    OfficeCell out;
    switch (cell->getType()) {
    case css::table::CellContentType_VALUE: out.kind = OfficeCell::Kind::Number; break;
    case css::table::CellContentType_TEXT: out.kind = OfficeCell::Kind::Text; break;
    case css::table::CellContentType_FORMULA: out.kind = OfficeCell::Kind::Formula; break;
    default: out.kind = OfficeCell::Kind::Empty; break;
    }
    out.number = cell->getValue();
    Reference<css::text::XTextRange> textRange(cell, UNO_QUERY_THROW);
    out.text = toQString(textRange->getString());
    Reference<css::beans::XPropertySet> props(cell, UNO_QUERY_THROW);
    sal_Int32 colour = -1;
    props->getPropertyValue("CharColor") >>= colour;
    out.fontColour = colour;
    sal_Int32 key = 0;
    props->getPropertyValue("NumberFormat") >>= key;
    Reference<css::util::XNumberFormatsSupplier> supplier(model, UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet> format = supplier->getNumberFormats()->getByKey(key);
    rtl::OUString code;
    if (format.is()) format->getPropertyValue("FormatString") >>= code;
    out.numberFormat = toQString(code);
    return out;
}

void setWindowVisible(const Reference<css::frame::XModel>& model, bool visible) {
    windowOf(model)->setVisible(visible);
}

void restoreWindow(const Reference<css::frame::XModel>& model) {
    Reference<css::awt::XWindow> window = windowOf(model);
    Reference<css::awt::XTopWindow2> top(window, UNO_QUERY);
    if (!top.is()) return;  // not a top-level window: nothing to restore
    if (top->getIsMinimized()) top->setIsMinimized(false);
    if (top->getIsMaximized()) top->setIsMaximized(false);
    top->toFront();
}

}  // namespace vel::calc
