#include "script/script_defaults.h"

namespace vel {

QString defaultItemName(int entry) {
    if (entry == kRecordNumberItem) return QStringLiteral("No.");
    if (entry == kTimeStampItem) return QStringLiteral("時間");
    if (entry < 0 || entry > kTimeStampItem) return {};
    return QStringLiteral("D%1").arg(entry + 1, 3, 10, QLatin1Char('0'));
}

void resetScriptTables(ScriptTables& tables) {
    for (int i = 0; i < kDataItemCount; ++i) {
        DataItem& item = tables.dataItems[static_cast<size_t>(i)];
        item = DataItem{};
        if (i <= kTimeStampItem) {
            item.decimals = -1;
            item.name = defaultItemName(i);
        }
    }
    tables.scriptTable.assign(5, ScriptCommand{});
    const int16_t defaults[] = {OpSSS, OpRCV, OpSET, OpEEE};
    for (size_t i = 0; i < 4; ++i) tables.scriptTable[i].code = defaults[i];
    tables.scriptCount = 4;
}

}  // namespace vel
