#include "output/workbook_backend.h"

#include <gtest/gtest.h>

#include "output/null_workbook.h"
#include "support/temp_folder.h"

namespace vel {
namespace {

TEST(WorkbookBackend, TheOfficeWhenBuiltElseOneThatNeverStarts) {
    test::TempProgramFolder home;
    const std::unique_ptr<Workbook> backend = makeWorkbookBackend(home.folder);
    ASSERT_TRUE(backend);
    const bool isNull = dynamic_cast<NullWorkbook*>(backend.get()) != nullptr;
    EXPECT_EQ(isNull, !officeBackendBuilt());
    EXPECT_EQ(makeOfficeWorkbook(OfficeOptions{}) != nullptr, officeBackendBuilt());
    // Nothing is started or written until the application is created.
    EXPECT_FALSE(backend->setCellText(1, 1, "x"));
    EXPECT_FALSE(backend->activeCellAddress());
    EXPECT_FALSE(QFileInfo::exists(home.path("office-profile")));
}

}  // namespace
}  // namespace vel
