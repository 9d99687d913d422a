#include "output/workbook_backend.h"

#include "output/null_workbook.h"

#ifdef VELLORAN_HAVE_LIBREOFFICE
#include "output/libreoffice/libreoffice_workbook.h"
#include "output/libreoffice/office_instance.h"
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

OfficeOptions programOfficeOptions(const ProgramFolder& folder) {
    OfficeOptions options;
    options.profileRoot = folder.path(QStringLiteral("office-profile"));
    options.headless = qEnvironmentVariableIntValue("VELLORAN_OFFICE_HEADLESS") != 0;
    return options;
}

std::unique_ptr<Workbook> makeWorkbookBackend(const ProgramFolder& folder) {
    if (auto office = makeOfficeWorkbook(programOfficeOptions(folder))) return office;
    return std::make_unique<NullWorkbook>();
}

OfficeSession::OfficeSession([[maybe_unused]] const OfficeOptions& options) {
#ifdef VELLORAN_HAVE_LIBREOFFICE
    instance_ = std::make_shared<OfficeInstance>(options);
#endif
}

OfficeSession::~OfficeSession() = default;

std::unique_ptr<Workbook> OfficeSession::stationWorkbook() {
#ifdef VELLORAN_HAVE_LIBREOFFICE
    return std::make_unique<LibreOfficeWorkbook>(instance_);
#else
    return std::make_unique<NullWorkbook>();
#endif
}

}  // namespace vel
