#pragma once
// The transfers between the settings record and the main window's fields.
// Setting a check box or option button here is meant to have the effects of
// the user's click on it; the GUI runs those click effects when it copies
// the fields into its widgets.
#include "settings/settings_record.h"
#include "settings/window_fields.h"

namespace vel {

// Shows the record in the window, correcting out-of-range values in the
// record as it goes: acquisition time at most 30000 minutes, start column
// A..IA, row 1..65000, acquisition number at least 1, time-stamp mode 0..2,
// mail intervals of 0 as 5 (alarm) and 30 (normal) minutes.
void applySettingsToWindow(SettingsRecord& record, WindowFields& fields);

// The file panel into the record: workbook use and path, CSV use and path,
// script path.
void collectFilePanel(const WindowFields& fields, SettingsRecord& record);

// The conditions panel's OK action into the record: acquisition time,
// start row, acquisition number, time-stamp mode, number column and the mail
// settings. Numbers that never went through their field's normalisation are
// kept inside what that would allow (minutes 0..30000, intervals 1..9999,
// 32-bit rows and numbers), fractions of minutes included.
void collectConditionsPanel(const WindowFields& fields, SettingsRecord& record);

}  // namespace vel
