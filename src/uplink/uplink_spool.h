#pragma once
// Records on their way to the broker, kept on disk until the broker has
// acknowledged them, so that none is lost while it is away or the program is
// restarted. The folder holds segment files named by their first sequence
// number, each an append-only run of entries
//     [payload length u32][seq u64][CRC-16 of the payload u16][payload]
// (little-endian), and the file "acked" with the highest sequence number the
// broker has acknowledged in order. An entry cut short by a crash, or whose
// checksum does not match, ends its segment: it and what follows are cut off
// when the spool is opened. When the segments grow beyond the limit the
// oldest are dropped, acknowledged or not.
//
// The sequence numbers go on from the spool's contents and the marker, so
// they continue across runs and program starts. One thread uses a spool.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <deque>
#include <optional>

namespace vel {

class UplinkSpool {
public:
    // limitBytes: the most the segments may hold together.
    UplinkSpool(QString folder, int64_t limitBytes);

    // Creates the folder, reads the marker and indexes every segment.
    // False when the folder cannot be made or written.
    bool open();

    // The number the next appended record gets (1 in a new spool).
    uint64_t nextSeq() const { return std::max(lastSeq_, acked_) + 1; }
    // Appends the record numbered nextSeq(); false when the disk refused it
    // (the number is then not used).
    bool append(const QByteArray& payload);

    // The first record after `seq` still in the spool (records dropped for
    // the limit are skipped), with its number.
    std::optional<std::pair<uint64_t, QByteArray>> next(uint64_t seq) const;

    // Every record up to `seq` has been acknowledged; finished segments go.
    void acknowledge(uint64_t seq);
    uint64_t acknowledged() const { return acked_; }
    // Records appended and not acknowledged yet.
    uint64_t pending() const;
    int64_t sizeBytes() const { return total_; }

    // Records not yet acknowledged that the limit dropped since the last call.
    uint64_t takeDropped();

private:
    struct Entry {
        uint64_t seq;
        int64_t offset;  // of the payload in its segment
        int32_t length;
    };
    struct Segment {
        QString path;
        int64_t size = 0;
        std::deque<Entry> entries;
    };

    void scan(const QString& path);
    void startSegment(uint64_t firstSeq);
    void writeMarker();
    void enforceLimit();

    QString folder_;
    int64_t limit_;
    int64_t segmentBytes_;
    std::deque<Segment> segments_;
    int64_t total_ = 0;
    uint64_t lastSeq_ = 0;
    uint64_t acked_ = 0;
    uint64_t dropped_ = 0;
    QFile marker_;  // "acked", kept open
};

}  // namespace vel
