#include "uplink/uplink_spool.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <algorithm>

#include "base/append_file.h"

namespace vel {
namespace {

constexpr int kHeader = 4 + 8 + 2;
constexpr int64_t kMaxSegment = 4 * 1024 * 1024;
constexpr int32_t kMaxPayload = 64 * 1024 * 1024;

QString segmentName(uint64_t firstSeq) { return QStringLiteral("%1.seg").arg(firstSeq, 20, 10, QLatin1Char('0')); }

}  // namespace

UplinkSpool::UplinkSpool(QString folder, int64_t limitBytes)
    : folder_(std::move(folder)),
      limit_(std::max<int64_t>(limitBytes, 1024)),
      // Several segments fit under the limit, so that dropping one for it
      // loses only a part of what waits.
      segmentBytes_(std::clamp<int64_t>(limit_ / 8, 512, kMaxSegment)) {}

bool UplinkSpool::open() {
    segments_.clear();
    total_ = 0;
    lastSeq_ = 0;
    acked_ = 0;
    if (!QDir().mkpath(folder_)) return false;
    marker_.close();
    marker_.setFileName(folder_ + "/acked");
    if (marker_.open(QIODevice::ReadOnly)) acked_ = marker_.readAll().trimmed().toULongLong();
    marker_.close();
    const QStringList names = QDir(folder_).entryList({"*.seg"}, QDir::Files, QDir::Name);
    for (const QString& name : names) scan(folder_ + '/' + name);
    // Segments whose records have all been acknowledged are not needed.
    acknowledge(acked_);
    return QFileInfo(folder_).isWritable();
}

void UplinkSpool::scan(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) return;
    const QByteArray bytes = file.readAll();
    Segment segment{path, 0, {}};
    int64_t at = 0;
    while (at + kHeader <= bytes.size()) {
        const char* p = bytes.constData() + at;
        const auto length = qFromLittleEndian<int32_t>(p);
        const auto seq = qFromLittleEndian<uint64_t>(p + 4);
        const auto crc = qFromLittleEndian<uint16_t>(p + 12);
        if (length < 0 || length > kMaxPayload || at + kHeader + length > bytes.size()) break;
        if (qChecksum(QByteArrayView(p + kHeader, length)) != crc || seq <= lastSeq_) break;
        segment.entries.push_back(Entry{seq, at + kHeader, length});
        lastSeq_ = seq;
        at += kHeader + length;
    }
    // A torn tail from a crash: cut off, so that appends follow the last whole entry.
    if (at < bytes.size()) file.resize(at);
    segment.size = at;
    if (segment.entries.empty()) {
        file.remove();
        return;
    }
    total_ += segment.size;
    segments_.push_back(std::move(segment));
}

void UplinkSpool::startSegment(uint64_t firstSeq) {
    segments_.push_back(Segment{folder_ + '/' + segmentName(firstSeq), 0, {}});
}

bool UplinkSpool::append(const QByteArray& payload) {
    const uint64_t seq = nextSeq();
    if (segments_.empty() || segments_.back().size >= segmentBytes_) startSegment(seq);
    Segment& segment = segments_.back();
    QByteArray entry(kHeader, Qt::Uninitialized);
    qToLittleEndian<int32_t>(static_cast<int32_t>(payload.size()), entry.data());
    qToLittleEndian<uint64_t>(seq, entry.data() + 4);
    qToLittleEndian<uint16_t>(qChecksum(QByteArrayView(payload)), entry.data() + 12);
    entry += payload;
    AppendFile file;
    if (!file.open(segment.path) || !file.write(entry)) {
        if (segment.entries.empty()) segments_.pop_back();
        return false;
    }
    segment.entries.push_back(Entry{seq, segment.size + kHeader, static_cast<int32_t>(payload.size())});
    segment.size += entry.size();
    total_ += entry.size();
    lastSeq_ = seq;
    enforceLimit();
    return true;
}

void UplinkSpool::enforceLimit() {
    while (total_ > limit_ && segments_.size() > 1) {
        const Segment& oldest = segments_.front();
        for (const Entry& e : oldest.entries)
            if (e.seq > acked_) ++dropped_;
        total_ -= oldest.size;
        QFile::remove(oldest.path);
        segments_.pop_front();
    }
}

std::optional<std::pair<uint64_t, QByteArray>> UplinkSpool::next(uint64_t seq) const {
    for (const Segment& segment : segments_) {
        if (segment.entries.empty() || segment.entries.back().seq <= seq) continue;
        const auto it = std::upper_bound(segment.entries.begin(), segment.entries.end(), seq,
                                         [](uint64_t s, const Entry& e) { return s < e.seq; });
        QFile file(segment.path);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(it->offset)) return std::nullopt;
        QByteArray payload = file.read(it->length);
        if (payload.size() != it->length) return std::nullopt;
        return std::make_pair(it->seq, std::move(payload));
    }
    return std::nullopt;
}

void UplinkSpool::acknowledge(uint64_t seq) {
    if (seq > acked_) {
        acked_ = seq;
        writeMarker();
    }
    // The segment being written stays until a newer one starts.
    while (segments_.size() > 1 && segments_.front().entries.back().seq <= acked_) {
        total_ -= segments_.front().size;
        QFile::remove(segments_.front().path);
        segments_.pop_front();
    }
    // All acknowledged: the last one goes too, the marker keeps the numbering.
    if (segments_.size() == 1 && segments_.front().entries.back().seq <= acked_ &&
        segments_.front().size >= segmentBytes_) {
        total_ -= segments_.front().size;
        QFile::remove(segments_.front().path);
        segments_.pop_front();
    }
}

void UplinkSpool::writeMarker() {
    // Overwritten in place at a fixed width, never truncated: a truncate and
    // rewrite makes the file system flush it to the disk at every
    // acknowledgement. A marker lost in a crash only sends records again,
    // which the receiver recognises by their numbers.
    if (!marker_.isOpen() && !marker_.open(QIODevice::ReadWrite)) return;
    marker_.seek(0);
    marker_.write(QByteArray::number(qulonglong(acked_)).rightJustified(20, '0'));
    marker_.flush();
}

uint64_t UplinkSpool::pending() const {
    // The numbers in the spool follow each other: only whole segments at the
    // front are ever dropped.
    if (segments_.empty()) return 0;
    const uint64_t first = segments_.front().entries.front().seq;
    const uint64_t from = std::max(acked_ + 1, first);
    return lastSeq_ >= from ? lastSeq_ - from + 1 : 0;
}

uint64_t UplinkSpool::takeDropped() { return std::exchange(dropped_, 0); }

}  // namespace vel
