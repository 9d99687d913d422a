// The CP932 codec on arbitrary bytes. The first byte picks the chunk size in
// which the incremental decoder is fed. Properties: the incremental decoder
// gives the same text as the whole-string decoder, and encoding that text
// gives the bytes back.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "text/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vel;
    if (size == 0) return 0;
    const size_t chunk = 1 + data[0] % 7;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    const QString whole = cp932::decode(bytes);
    cp932::Decoder decoder;
    QString pieces;
    for (qsizetype at = 0; at < bytes.size(); at += static_cast<qsizetype>(chunk))
        pieces += decoder.feed(bytes.mid(at, static_cast<qsizetype>(chunk)));
    pieces += decoder.flush();
    fuzz::require(!decoder.hasPending());
    fuzz::require(pieces == whole);
    fuzz::require(cp932::encode(whole) == bytes);
    fuzz::require(cp932::byteLength(whole) == bytes.size());
    for (QChar c : whole) (void)cp932::ansiCode(c);
    return 0;
}
