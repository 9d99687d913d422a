#pragma once
// The byte layout of setup.dat: the settings record packed field after field,
// little-endian, booleans as 16-bit -1/0, Fixed4 as its 64-bit raw count,
// strings as a 16-bit byte count followed by that many CP932 bytes. The
// record is record 1 of a file of 4096-byte records, so it may not be longer.
#include <QByteArray>
#include <optional>

#include "settings/settings_record.h"

namespace vel {

inline constexpr int kSettingsRecordBytes = 4096;

// The record's bytes, or nullopt when they would exceed 4096 bytes (such a
// record is never written, not even cut short). Reserved fields 1, 3, 10, 12
// and 29 are written as held; the trailing reserved fields 32..35 as zero
// and empty.
std::optional<QByteArray> encodeSettings(const SettingsRecord& record);

// Reads the record from the start of `bytes` (only the first 4096 bytes
// count; anything after them is left from an earlier file and ignored).
// Every value is assigned only once it has been read completely, so when the
// bytes end inside the record, or a string's count runs past them, the values
// before that point have their new contents and the rest keep what they held.
// True when the whole record, reserved fields 32..35 included, was read.
bool decodeSettings(const QByteArray& bytes, SettingsRecord& record);

}  // namespace vel
