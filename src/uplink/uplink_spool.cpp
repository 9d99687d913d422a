#include "uplink/uplink_spool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vel {
namespace {

constexpr int kHeader = 4 + 8 + 2;
constexpr int64_t kMaxSegment = 4 * 1024 * 1024;
constexpr int32_t kMaxPayload = 64 * 1024 * 1024;
constexpr int kStateBytes = 20 + 1 + 20 + 1;  // "<next> <acked>\n", each 20 digits

QString segmentName(uint64_t firstSeq) { return QStringLiteral("%1.seg").arg(firstSeq, 20, 10, QLatin1Char('0')); }

// A new or removed file survives a power cut only with its folder synced.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

UplinkSpool::UplinkSpool(QString folder, int64_t limitBytes)
    : folder_(QDir::cleanPath(folder)),
      statePath_(folder_ + QStringLiteral(".state")),
      limit_(std::max<int64_t>(limitBytes, 1024)),
      // Several segments fit under the limit, so that dropping one for it
      // loses only a part of what waits.
      segmentBytes_(std::clamp<int64_t>(limit_ / 8, 512, kMaxSegment)) {}

UplinkSpool::~UplinkSpool() {
    commit();
    if (stateFd_ >= 0) ::close(stateFd_);
}

bool UplinkSpool::open() {
    segments_.clear();
    writer_.close();
    total_ = 0;
    lastSeq_ = 0;
    next_ = 1;
    acked_ = 0;
    full_ = false;
    readState();
    if (!QDir().mkpath(folder_)) return false;
    // The marker of earlier versions, inside the folder: its number still counts.
    QFile legacy(folder_ + "/acked");
    if (legacy.open(QIODevice::ReadOnly)) acked_ = std::max<uint64_t>(acked_, legacy.readAll().trimmed().toULongLong());
    const QStringList names = QDir(folder_).entryList({"*.seg"}, QDir::Files, QDir::Name);
    for (const QString& name : names) scan(folder_ + '/' + name);
    next_ = std::max({next_, lastSeq_ + 1, acked_ + 1});
    // Segments whose records have all been acknowledged are not needed.
    acknowledge(acked_);
    stateDirty_ = true;
    if (commit() && legacy.exists()) legacy.remove();
    return QFileInfo(folder_).isWritable();
}

void UplinkSpool::readState() {
    if (stateFd_ < 0) stateFd_ = ::open(QFile::encodeName(statePath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (stateFd_ < 0) return;
    char bytes[kStateBytes];
    const ssize_t n = ::pread(stateFd_, bytes, sizeof bytes, 0);
    if (n <= 0) return;
    const QList<QByteArray> fields = QByteArray(bytes, n).trimmed().split(' ');
    if (fields.size() != 2) return;
    next_ = std::max<uint64_t>(next_, fields[0].toULongLong());
    acked_ = std::max<uint64_t>(acked_, fields[1].toULongLong());
}

bool UplinkSpool::writeState() {
    if (stateFd_ < 0) return false;
    const QByteArray bytes = QByteArray::number(qulonglong(next_)).rightJustified(20, '0') + ' ' +
                             QByteArray::number(qulonglong(acked_)).rightJustified(20, '0') + '\n';
    return ::pwrite(stateFd_, bytes.constData(), kStateBytes, 0) == kStateBytes;
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

bool UplinkSpool::startSegment(uint64_t firstSeq) {
    closeWriter();
    const QString path = folder_ + '/' + segmentName(firstSeq);
    if (!writer_.open(path)) return false;
    segments_.push_back(Segment{path, writer_.size(), {}});
    folderDirty_ = true;
    return true;
}

void UplinkSpool::closeWriter() {
    if (writerDirty_) writer_.sync();
    writerDirty_ = false;
    writer_.close();
}

bool UplinkSpool::append(const QByteArray& payload) {
    const uint64_t seq = next_;
    // The back segment takes appends while its writer is open; a segment
    // left by an earlier start is taken up again while it has room.
    if (!writer_.isOpen() && !segments_.empty() && !full_ && segments_.back().size < segmentBytes_)
        writer_.open(segments_.back().path);
    if (!writer_.isOpen() || segments_.back().size >= segmentBytes_) {
        if (!startSegment(seq)) return false;
    }
    Segment& segment = segments_.back();
    QByteArray entry(kHeader, Qt::Uninitialized);
    qToLittleEndian<int32_t>(static_cast<int32_t>(payload.size()), entry.data());
    qToLittleEndian<uint64_t>(seq, entry.data() + 4);
    qToLittleEndian<uint16_t>(qChecksum(QByteArrayView(payload)), entry.data() + 12);
    entry += payload;
    if (!writer_.write(entry)) {
        full_ = errno == ENOSPC || errno == EDQUOT;
        // What part of the entry did reach the file goes again (cutting a
        // file needs no room), and the segment takes no more: once its
        // records are acknowledged it is removed and makes room.
        if (::ftruncate(writer_.fd(), segment.size) != 0) full_ = true;
        writer_.close();
        if (segment.entries.empty()) {
            QFile::remove(segment.path);
            segments_.pop_back();
        }
        return false;
    }
    full_ = false;
    writerDirty_ = true;
    segment.entries.push_back(Entry{seq, segment.size + kHeader, static_cast<int32_t>(payload.size())});
    segment.size += entry.size();
    total_ += entry.size();
    lastSeq_ = seq;
    next_ = seq + 1;
    stateDirty_ = true;
    enforceLimit();
    return true;
}

bool UplinkSpool::commit() {
    if (writerDirty_ && writer_.isOpen()) writer_.sync();
    writerDirty_ = false;
    if (folderDirty_) syncFolder(folder_);
    folderDirty_ = false;
    if (stateFd_ < 0) return false;
    if (!stateDirty_) return true;
    if (!writeState() || !syncData(stateFd_)) return false;
    stateDirty_ = false;
    return true;
}

void UplinkSpool::removeFront() {
    if (segments_.size() == 1) writer_.close();
    total_ -= segments_.front().size;
    QFile::remove(segments_.front().path);
    segments_.pop_front();
    folderDirty_ = true;
}

void UplinkSpool::enforceLimit() {
    while (total_ > limit_ && segments_.size() > 1) {
        for (const Entry& e : segments_.front().entries)
            if (e.seq > acked_) ++dropped_;
        removeFront();
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
        stateDirty_ = true;
    }
    // A finished segment goes once all its records are acknowledged. The one
    // being written stays until it is full (no new file for every few
    // records), unless the disk is full: then it goes too and makes room.
    while (!segments_.empty() && segments_.front().entries.back().seq <= acked_) {
        const bool writing = segments_.size() == 1 && writer_.isOpen() && segments_.front().size < segmentBytes_;
        if (writing && !full_) break;
        removeFront();
    }
}

uint64_t UplinkSpool::pending() const {
    uint64_t n = 0;
    for (const Segment& segment : segments_) {
        const auto it = std::upper_bound(segment.entries.begin(), segment.entries.end(), acked_,
                                         [](uint64_t s, const Entry& e) { return s < e.seq; });
        n += static_cast<uint64_t>(segment.entries.end() - it);
    }
    return n;
}

uint64_t UplinkSpool::takeDropped() { return std::exchange(dropped_, 0); }

}  // namespace vel
