#pragma once
// The two tables a script fills: the executable commands and the data items
// (value definitions, latest value, alarm state and run statistics).
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "base/fixed4.h"

namespace vel {

// Opcodes of the script commands.
enum Opcode : int16_t {
    OpNone = 0, OpSCD = 1, OpECD = 2, OpDCD = 3, OpERR = 4, OpBRK = 5, OpRTM = 6, OpSTM = 7,
    OpWTM = 8, OpITM = 9, OpPAU = 10, OpCLR = 11, OpBZ0 = 12, OpBZ1 = 13, OpSSS = 14, OpEEE = 15,
    OpRCV = 16, OpSND = 17, OpSET = 18, OpCHN = 19,
};

// Comparison operators of ALM/MAX/MIN lines; 7 ("==") is a text match.
enum AlarmOperator : int16_t {
    AlarmNone = 0, AlarmLess = 1, AlarmLessEqual = 2, AlarmEqual = 3, AlarmGreaterEqual = 4,
    AlarmGreater = 5, AlarmNotEqual = 6, AlarmContains = 7,
};

struct ScriptCommand {
    int16_t code = 0;   // Opcode
    int16_t param = 0;  // character code of SCD/ECD/DCD, 0 = none
    Fixed4 value{};     // milliseconds of RTM/STM/WTM/ITM/BRK
    QString text;       // decoded text of SND/ERR (bytes >= 129 and 0 carried by NUL markers)
};

struct DataItem {
    bool alarm = false;
    bool prevAlarm = false;
    QString valueText;
    double maximum = 0;
    double minimum = 0;
    double sum = 0;
    double average = 0;
    int32_t count = 0;
    double maxLimit = 0;
    double minLimit = 0;
    std::array<int16_t, 2> alarmOp{};
    std::array<double, 2> alarmValue{};
    std::array<QString, 2> matchText{};
    bool maxSet = false;
    bool minSet = false;
    QString name;
    int16_t decimals = 0;  // 0..9; -1 = keep the value as received
    int32_t alarmCount = 0;
    QDateTime alarmOnTime;   // invalid until the first raise
    QDateTime alarmOffTime;  // invalid until the first clearing
};

inline constexpr int kDataItemCount = 260;
inline constexpr int kMaxValuesPerRecord = 257;  // entries 0..256 hold values
inline constexpr int kRecordNumberItem = 257;    // "No."
inline constexpr int kTimeStampItem = 258;       // "時間"

struct ScriptTables {
    std::vector<ScriptCommand> scriptTable;  // indices 0..scriptCount; the last entry is empty
    int16_t scriptCount = 0;
    std::array<DataItem, kDataItemCount> dataItems{};
    // Local time of the current record's first value (its time stamp), with
    // milliseconds: the daily CSV's date and its ISO time column.
    QDateTime recordStampedAt;
};

}  // namespace vel
