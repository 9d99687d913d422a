#include "settings/window_transfer.h"

#include <algorithm>

#include "settings/field_normalise.h"
#include "text/vb.h"

namespace vel {
namespace {

constexpr int64_t kLongestAcquisitionMs = 1'800'000'000;  // 30000 minutes
constexpr double kRawPerMinute = 60000.0 * Fixed4::kScale;

}  // namespace

void applySettingsToWindow(SettingsRecord& s, WindowFields& f) {
    if (s.acquisitionLimitMs > kLongestAcquisitionMs) s.acquisitionLimitMs = Fixed4::fromInt(kLongestAcquisitionMs);
    f.textMin = vb::generalNumber(static_cast<double>(s.acquisitionLimitMs.raw) / kRawPerMinute);

    s.startColumnLetters = storedStartColumn(s.startColumnLetters);
    f.textStartCol = s.startColumnLetters;

    s.cursorRow = std::clamp<int32_t>(s.cursorRow, 1, 65000);
    f.textStartRow = QString::number(s.cursorRow);

    if (s.workbookOn) f.checkExcelUse = true;

    f.optionCell = s.useStartCell ? 1 : 0;
    f.startCellEnabled = s.useStartCell;

    f.optionNum = s.numberColumnOn ? 1 : 0;
    f.textCellNoEnabled = s.numberColumnOn;

    if (s.acquisitionNumber < 1) s.acquisitionNumber = 1;
    f.textCellNo = QString::number(s.acquisitionNumber);

    if (s.timeStampMode != 1 && s.timeStampMode != 2) s.timeStampMode = 0;
    f.optionTime = s.timeStampMode;

    f.checkExcelUse = s.workbookOn;
    f.textExcelName = s.workbookPath;
    f.checkCsv = s.csvOn;
    f.textCsvName = s.csvPath;
    f.textScrName = s.scriptPath;

    f.checkKinkyu = s.alarmMailOn;
    f.checkKinkyuEnd = s.mailOnRecovery;
    f.checkKinkyuEnd2 = s.mailOnAutoEnd;
    f.textKinkyuName = s.alarmMailFile;
    if (s.alarmMailMinutes == 0) s.alarmMailMinutes = 5;
    f.textKinkyuTime = QString::number(s.alarmMailMinutes);

    f.checkTujyo = s.normalMailOn;
    f.textTujyoName = s.normalMailFile;
    if (s.normalMailMinutes == 0) s.normalMailMinutes = 30;
    f.textTujyoTime = QString::number(s.normalMailMinutes);
}

void collectFilePanel(const WindowFields& f, SettingsRecord& s) {
    s.workbookOn = f.checkExcelUse;
    s.workbookPath = f.textExcelName;
    s.csvOn = f.checkCsv;
    s.csvPath = f.textCsvName;
    s.scriptPath = f.textScrName;
}

void collectConditionsPanel(const WindowFields& f, SettingsRecord& s) {
    const double minutes = std::clamp(vb::leadingValue(f.textMin), 0.0, 30000.0);
    s.acquisitionLimitMs = Fixed4::fromDouble(minutes * 60000.0);
    s.cursorRow = acquisitionNumberOf(f.textStartRow);  // same 32-bit reading as the number field
    s.acquisitionNumber = acquisitionNumberOf(f.textCellNo);
    s.timeStampMode = f.optionTime == 1 ? 1 : f.optionTime == 2 ? 2 : 0;
    s.numberColumnOn = f.optionNum != 0;
    s.alarmMailOn = f.checkKinkyu;
    s.mailOnRecovery = f.checkKinkyuEnd;
    s.mailOnAutoEnd = f.checkKinkyuEnd2;
    s.alarmMailFile = f.textKinkyuName;
    s.alarmMailMinutes = mailMinutes(f.textKinkyuTime);
    s.normalMailOn = f.checkTujyo;
    s.normalMailFile = f.textTujyoName;
    s.normalMailMinutes = mailMinutes(f.textTujyoTime);
}

}  // namespace vel
