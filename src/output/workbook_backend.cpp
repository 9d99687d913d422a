#include "output/workbook_backend.h"

#include "output/null_workbook.h"

#ifdef VELLORAN_HAVE_LIBREOFFICE
#include "output/libreoffice/libreoffice_workbook.h"
#endif

namespace vel {

bool officeBackendBuilt() {
#ifdef VELLORAN_HAVE_LIBREOFFICE
    return true;
#else
    return false;
#endif
}

std::unique_ptr<Workbook> makeOfficeWorkbook([[maybe_unused]] const OfficeOptions& options) {
#ifdef VELLORAN_HAVE_LIBREOFFICE
    return std::make_unique<LibreOfficeWorkbook>(options);
#else
    return nullptr;
#endif
}

std::unique_ptr<Workbook> makeWorkbookBackend(const ProgramFolder& folder) {
    OfficeOptions options;
    options.profileRoot = folder.path(QStringLiteral("office-profile"));
    options.headless = qEnvironmentVariableIntValue("VELLORAN_OFFICE_HEADLESS") != 0;
    if (auto office = makeOfficeWorkbook(options)) return office;
    return std::make_unique<NullWorkbook>();
}

}  // namespace vel
