// The mail settings loader on an arbitrary file, for both kinds of mail (the
// first byte picks the kind): it loads or shows one message.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "mail/mail_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vel;
    if (size == 0) return 0;
    const MailKind kind = data[0] & 1 ? MailKind::Alarm : MailKind::Normal;
    const QString path = fuzz::writeScratch("mail.txt", data + 1, size - 1);
    MailRecords records;
    resetMailRecords(records);
    fuzz::CountingMessageBox box;
    const bool loaded = loadMailSettingsFile(kind, path, records[static_cast<size_t>(mailRecordIndex(kind))], box);
    fuzz::require(loaded ? box.shown == 0 : box.shown == 1);
    return 0;
}
