#pragma once
// Rotation of the four logs: a log that has grown past kRotateAbove bytes
// becomes its .bak (one generation), so that a fresh one starts. All four are
// looked at when the program starts; during a run each log is rotated by its
// writer between two lines (or before a data-log block), so that a station
// left alone for months keeps at most two files of about that size per log.
// A log that some process holds open or locked is left alone.
#include <QString>

#include <cstdint>

#include "base/program_folder.h"

namespace vel {

inline constexpr int32_t kRotateAbove = 1'000'000;  // a file of exactly this size stays

// Rotates one log, "<name>.log" to "<name>.bak" beside it, replacing an older
// .bak, when it is larger than kRotateAbove and not in use (fileSizeOf).
// The caller closes its own descriptor first. True when the log was renamed.
bool rotateLog(const QString& logPath);

// Creates the Log folder when missing, then rotates DataLog, RsLog, AlarmLog
// and MailLog in that order. Every failure is ignored.
void rotateLogs(const ProgramFolder& folder);

// The size of an existing file, or -1 when it cannot be opened for reading,
// its size cannot be read, or the file is in use: open in another process
// (or through another descriptor of this one) or under a lock. Sizes beyond
// the 32-bit range are reported as INT32_MAX, so a huge log still counts as
// large.
int32_t fileSizeOf(const QString& path);

}  // namespace vel
