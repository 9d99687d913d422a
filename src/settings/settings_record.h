#pragma once
// The user's persisted choices, in the field order of setup.dat.
#include <QString>
#include <array>
#include <cstdint>

#include "base/fixed4.h"

namespace vel {

struct SettingsRecord {
    int16_t reserved1 = 0;                  // 1
    int16_t timeStampMode = 0;              // 2: 0 none, 1 date and time, 2 time of day
    int16_t reserved3 = 0;                  // 3
    bool numberColumnOn = false;            // 4
    int32_t acquisitionNumber = 0;          // 5
    bool useStartCell = false;              // 6
    QString startColumnLetters;             // 7
    int32_t cursorRow = 0;                  // 8
    int16_t cursorColumn = 0;               // 9
    int16_t reserved10 = 0;                 // 10
    Fixed4 acquisitionLimitMs{};            // 11: 0 = continuous
    int32_t reserved12 = 0;                 // 12
    bool workbookOn = false;                // 13
    bool csvOn = false;                     // 14
    bool normalMailOn = false;              // 15
    bool alarmMailOn = false;               // 16
    bool mailOnRecovery = false;            // 17
    bool mailOnAutoEnd = false;             // 18
    std::array<QString, 8> portSettings{};  // 19
    std::array<int16_t, 8> portNumber{};    // 20
    std::array<int16_t, 8> handshaking{};   // 21
    QString workbookPath;                   // 22
    QString csvPath;                        // 23
    QString scriptPath;                     // 24
    QString alarmMailFile;                  // 25
    QString normalMailFile;                 // 26
    int16_t alarmMailMinutes = 0;           // 27
    int16_t normalMailMinutes = 0;          // 28
    int16_t reserved29 = 0;                 // 29
    bool rsLogEnabled = false;              // 30
    bool alarmLogEnabled = false;           // 31
    // 32..35 are reserved: written as zero and empty, skipped on reading.

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

}  // namespace vel
