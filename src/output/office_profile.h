#pragma once
// The private user profile of the office instance the program starts. It
// lives in the program's own folder, never in the user's office profile, so
// the program's instance neither disturbs nor is disturbed by the user's own
// office. Before every start a few settings are put into the profile's
// configuration so that the instance starts quickly and shows no start-up
// dialogs:
//   - the last version seen is set far ahead, so the office does not run its
//     graphics self-test on every start (it would otherwise, because a
//     window-less instance never records the version it ran),
//   - no tip of the day, no first-start handling,
//   - saving in a foreign format (.xls) asks nothing.
#include <QString>

namespace vel {

// The configuration file inside a profile folder.
QString officeProfileSettingsFile(const QString& profileDir);

// Writes the settings above into the profile's configuration, replacing
// earlier values of the same settings and keeping every other one. Creates
// the profile folder and the file when missing. False when the file cannot
// be written.
bool prepareOfficeProfile(const QString& profileDir);

// The configuration text with the settings above merged in (the pure part of
// prepareOfficeProfile). An empty text gives a complete new file.
QByteArray mergeOfficeProfileSettings(const QByteArray& existing);

}  // namespace vel
