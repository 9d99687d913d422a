// The setup.dat reader on arbitrary bytes. Property: a record that reads
// completely is written again (when it fits) and reads back to the same
// record.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "settings/setup_dat_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vel;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SettingsRecord record;
    if (!decodeSettings(bytes, record)) return 0;
    const std::optional<QByteArray> again = encodeSettings(record);
    if (!again) return 0;
    fuzz::require(again->size() <= kSettingsRecordBytes);
    SettingsRecord reread;
    fuzz::require(decodeSettings(*again, reread));
    fuzz::require(reread == record);
    return 0;
}
