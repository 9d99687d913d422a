#pragma once
// When the last normal and alarm mails went out, and how many went out in
// this run. Set at every run start from the same clock reading as the run's
// start; lastAlarmMailDate carries over from run to run.
#include <QDateTime>
#include <cstdint>

#include "base/fixed4.h"

namespace vel {

struct SettingsRecord;

struct MailState {
    Fixed4 normalMailIntervalMs{};
    Fixed4 alarmMailIntervalMs{};
    Fixed4 lastNormalMailMs{};   // the last slot of the normal-mail grid
    Fixed4 lastAlarmMailMs{};    // clock reading of the last alarm mail
    // Wall-clock time of the last alarm mail; alarms that changed after it are
    // reported. Invalid (earlier than any alarm) until the first alarm mail.
    QDateTime lastAlarmMailDate;
    int32_t normalMailCount = 0;
    int32_t alarmMailCount = 0;
};

inline constexpr int kMinMailMinutes = 1;
inline constexpr int kMaxMailMinutes = 9999;

// The run start's part: intervals from the settings (minutes, held to
// 1..9999 as the conditions panel holds them, so that a stored 0 or a
// negative number cannot make every cycle send a mail), both reference
// times at runStartMs, both counters 0.
void startMailRun(MailState& state, const SettingsRecord& settings, Fixed4 runStartMs);

}  // namespace vel
