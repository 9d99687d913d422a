#pragma once
// Every local time stamp (log lines, CSV rows, records) asks the C library
// for the local time. With TZ unset, glibc looks at /etc/localtime again at
// each conversion (a stat per stamp, several per record); naming that file in
// TZ makes it read the zone once. A change of the system's time zone is then
// seen at the next program start; daylight-saving changes within the zone
// are in the file and apply as before.
namespace vel {

// Sets TZ to ":/etc/localtime" when TZ is unset and that file exists. Call
// at the start of main(), before any thread starts.
void readLocalTimeZoneOnce();

}  // namespace vel
