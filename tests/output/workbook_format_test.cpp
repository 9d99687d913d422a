// The export filter follows the workbook's name.
#include <gtest/gtest.h>

#include "output/workbook_format.h"

namespace vel {
namespace {

TEST(WorkbookFormat, FilterFollowsTheNamesEnding) {
    const std::pair<const char*, const char*> cases[] = {
        {"/w/book.xls", "MS Excel 97"},          {"/w/BOOK.XLS", "MS Excel 97"},
        {"/w/book.xlsx", "Calc MS Excel 2007 XML"}, {"/w/Book.XLSX ", "Calc MS Excel 2007 XML"},
        {"/w/book.ods", "calc8"},                {"/w/book.ODS", "calc8"},
        {"/w/book.xls.12345", "MS Excel 97"},    {"/w/ods", "MS Excel 97"},
    };
    for (const auto& [path, filter] : cases) EXPECT_EQ(calcFilterFor(path).toStdString(), filter) << path;
}

}  // namespace
}  // namespace vel
