#include "mail/mail_state.h"

#include <algorithm>

#include "settings/settings_record.h"

namespace vel {
namespace {

Fixed4 minutesToMs(int minutes) {
    return Fixed4::fromInt(static_cast<int64_t>(std::clamp(minutes, kMinMailMinutes, kMaxMailMinutes)) * 60000);
}

}  // namespace

void startMailRun(MailState& state, const SettingsRecord& settings, Fixed4 runStartMs) {
    state.normalMailIntervalMs = minutesToMs(settings.normalMailMinutes);
    state.alarmMailIntervalMs = minutesToMs(settings.alarmMailMinutes);
    state.lastNormalMailMs = runStartMs;
    state.lastAlarmMailMs = runStartMs;
    state.normalMailCount = 0;
    state.alarmMailCount = 0;
}

}  // namespace vel
