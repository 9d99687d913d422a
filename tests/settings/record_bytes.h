#pragma once
// Builds setup.dat bytes by hand, field by field as the file lays them out,
// independently of the program's writer, and remembers where each value ends.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace vel::test {

class RecordBytes {
public:
    RecordBytes& le(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        return mark();
    }
    RecordBytes& i16(int v) { return le(static_cast<uint16_t>(static_cast<int16_t>(v)), 2); }
    RecordBytes& i32(int64_t v) { return le(static_cast<uint32_t>(static_cast<int32_t>(v)), 4); }
    RecordBytes& i64(int64_t v) { return le(static_cast<uint64_t>(v), 8); }
    // Count and raw bytes, as the file holds a string.
    RecordBytes& str(const QByteArray& raw) {
        le(static_cast<uint16_t>(raw.size()), 2);
        ends.pop_back();
        bytes.append(raw);
        return mark();
    }
    RecordBytes& raw(const QByteArray& b) {
        bytes.append(b);
        return mark();
    }

    QByteArray bytes;
    std::vector<int> ends;  // offset just past each value, in file order

private:
    RecordBytes& mark() {
        ends.push_back(static_cast<int>(bytes.size()));
        return *this;
    }
};

inline QByteArray hexBytes(const char* hex) { return QByteArray::fromHex(QByteArray(hex)); }

}  // namespace vel::test
