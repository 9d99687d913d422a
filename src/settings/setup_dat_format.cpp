#include "settings/setup_dat_format.h"

#include <cstring>
#include <limits>

#include "text/cp932.h"

namespace vel {
namespace {

class Writer {
public:
    void u16(uint16_t v) { raw(v, 2); }
    void i16(int16_t v) { raw(static_cast<uint16_t>(v), 2); }
    void i32(int32_t v) { raw(static_cast<uint32_t>(v), 4); }
    void i64(int64_t v) { raw(static_cast<uint64_t>(v), 8); }
    void boolean(bool v) { i16(v ? -1 : 0); }
    void zeros(int n) { out_.append(n, '\0'); }
    void text(const QString& s) {
        const QByteArray b = cp932::encode(s);
        if (b.size() > std::numeric_limits<uint16_t>::max()) {
            tooLong_ = true;  // the count cannot even say how long it is
            return;
        }
        u16(static_cast<uint16_t>(b.size()));
        out_.append(b);
    }

    bool tooLong() const { return tooLong_; }
    const QByteArray& bytes() const { return out_; }

private:
    void raw(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out_.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }

    QByteArray out_;
    bool tooLong_ = false;
};

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}

    bool i16(int16_t& v) { return get<int16_t, uint16_t>(v, 2); }
    bool i32(int32_t& v) { return get<int32_t, uint32_t>(v, 4); }
    bool i64(int64_t& v) { return get<int64_t, uint64_t>(v, 8); }
    bool boolean(bool& v) {
        int16_t raw = 0;
        if (!i16(raw)) return false;
        v = raw != 0;
        return true;
    }
    bool fixed4(Fixed4& v) {
        int64_t raw = 0;
        if (!i64(raw)) return false;
        v = Fixed4::fromRaw(raw);
        return true;
    }
    bool text(QString& s) {
        uint16_t count = 0;
        if (!peekUnsigned(count, 2)) return false;
        if (left() < 2 + static_cast<qsizetype>(count)) return false;  // count runs past the record
        s = cp932::decode(bytes_.mid(pos_ + 2, count));
        pos_ += 2 + count;
        return true;
    }
    bool skip(qsizetype n) {
        if (left() < n) return false;
        pos_ += n;
        return true;
    }
    bool skipText() {
        QString ignored;
        return text(ignored);
    }

private:
    qsizetype left() const { return bytes_.size() - pos_; }

    template <typename U>
    bool peekUnsigned(U& v, int n) const {
        if (left() < n) return false;
        uint64_t acc = 0;
        for (int i = 0; i < n; ++i)
            acc |= static_cast<uint64_t>(static_cast<uint8_t>(bytes_[pos_ + i])) << (8 * i);
        v = static_cast<U>(acc);
        return true;
    }

    template <typename S, typename U>
    bool get(S& v, int n) {
        U u = 0;
        if (!peekUnsigned(u, n)) return false;
        std::memcpy(&v, &u, sizeof v);  // two's complement
        pos_ += n;
        return true;
    }

    const QByteArray& bytes_;
    qsizetype pos_ = 0;
};

bool readAll(Reader& r, SettingsRecord& s) {
    if (!(r.i16(s.reserved1) && r.i16(s.timeStampMode) && r.i16(s.reserved3) &&
          r.boolean(s.numberColumnOn) && r.i32(s.acquisitionNumber) && r.boolean(s.useStartCell) &&
          r.text(s.startColumnLetters) && r.i32(s.cursorRow) && r.i16(s.cursorColumn) &&
          r.i16(s.reserved10) && r.fixed4(s.acquisitionLimitMs) && r.i32(s.reserved12) &&
          r.boolean(s.workbookOn) && r.boolean(s.csvOn) && r.boolean(s.normalMailOn) &&
          r.boolean(s.alarmMailOn) && r.boolean(s.mailOnRecovery) && r.boolean(s.mailOnAutoEnd)))
        return false;
    for (QString& p : s.portSettings)
        if (!r.text(p)) return false;
    for (int16_t& n : s.portNumber)
        if (!r.i16(n)) return false;
    for (int16_t& h : s.handshaking)
        if (!r.i16(h)) return false;
    return r.text(s.workbookPath) && r.text(s.csvPath) && r.text(s.scriptPath) &&
           r.text(s.alarmMailFile) && r.text(s.normalMailFile) && r.i16(s.alarmMailMinutes) &&
           r.i16(s.normalMailMinutes) && r.i16(s.reserved29) && r.boolean(s.rsLogEnabled) &&
           r.boolean(s.alarmLogEnabled) &&
           // 32..35: not used; skipped, but they belong to a complete record.
           r.skip(8) && r.skipText() && r.skipText() && r.skipText();
}

}  // namespace

std::optional<QByteArray> encodeSettings(const SettingsRecord& s) {
    Writer w;
    w.i16(s.reserved1);
    w.i16(s.timeStampMode);
    w.i16(s.reserved3);
    w.boolean(s.numberColumnOn);
    w.i32(s.acquisitionNumber);
    w.boolean(s.useStartCell);
    w.text(s.startColumnLetters);
    w.i32(s.cursorRow);
    w.i16(s.cursorColumn);
    w.i16(s.reserved10);
    w.i64(s.acquisitionLimitMs.raw);
    w.i32(s.reserved12);
    w.boolean(s.workbookOn);
    w.boolean(s.csvOn);
    w.boolean(s.normalMailOn);
    w.boolean(s.alarmMailOn);
    w.boolean(s.mailOnRecovery);
    w.boolean(s.mailOnAutoEnd);
    for (const QString& p : s.portSettings) w.text(p);
    for (int16_t n : s.portNumber) w.i16(n);
    for (int16_t h : s.handshaking) w.i16(h);
    w.text(s.workbookPath);
    w.text(s.csvPath);
    w.text(s.scriptPath);
    w.text(s.alarmMailFile);
    w.text(s.normalMailFile);
    w.i16(s.alarmMailMinutes);
    w.i16(s.normalMailMinutes);
    w.i16(s.reserved29);
    w.boolean(s.rsLogEnabled);
    w.boolean(s.alarmLogEnabled);
    w.zeros(8);   // 32
    w.u16(0);     // 33
    w.u16(0);     // 34
    w.u16(0);     // 35
    if (w.tooLong() || w.bytes().size() > kSettingsRecordBytes) return std::nullopt;
    return w.bytes();
}

bool decodeSettings(const QByteArray& bytes, SettingsRecord& record) {
    const QByteArray first = bytes.left(kSettingsRecordBytes);
    Reader r(first);
    return readAll(r, record);
}

}  // namespace vel
