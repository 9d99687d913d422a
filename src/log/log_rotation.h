#pragma once
// Rotation of the four logs at program start: a log that has grown past
// kRotateAbove bytes becomes its .bak (one generation), so the program starts
// a fresh one. A log that some process holds open or locked is left alone.
#include <QString>

#include <cstdint>

#include "base/program_folder.h"

namespace vel {

inline constexpr int32_t kRotateAbove = 1'000'000;  // a file of exactly this size stays

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
