#pragma once
// Records on their way to the broker, kept on disk until the broker has
// acknowledged them, so that none is lost while it is away or the program is
// restarted. The folder holds segment files named by their first sequence
// number, each an append-only run of entries
//     [payload length u32][seq u64][CRC-16 of the payload u16][payload]
// (little-endian). An entry cut short by a crash, or whose checksum does not
// match, ends its segment: it and what follows are cut off when the spool is
// opened. When the segments grow beyond the limit the oldest are dropped,
// acknowledged or not.
//
// Beside the folder (not in it, so that it survives the folder being deleted
// and a full spool disk) the state file "<folder>.state" holds two numbers:
// the next sequence number and the highest one the broker acknowledged in
// order. It is overwritten in place at a fixed width, so writing it needs no
// new disk space. commit() syncs the new entries and the state to the disk;
// the owner calls it before sending what it appended, so that a number once
// sent is never given again, whatever happens to the folder (a record lost to
// a crash or a deleted folder leaves a gap in the numbers, which is what the
// receiver must see).
//
// A full disk never stops the spool: the entry that did not fit is cut off
// again, the segment being written is closed, and acknowledged segments are
// removed as before (removing a file needs no space), after which appending
// goes on. One thread uses a spool.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <optional>

#include "base/append_file.h"

namespace vel {

class UplinkSpool {
public:
    // limitBytes: the most the segments may hold together.
    UplinkSpool(QString folder, int64_t limitBytes);
    UplinkSpool(const UplinkSpool&) = delete;
    UplinkSpool& operator=(const UplinkSpool&) = delete;
    // Commits what is left.
    ~UplinkSpool();

    // Creates the folder, reads the state and indexes every segment.
    // False when the folder cannot be made or written.
    bool open();

    // The number the next appended record gets (1 in a new spool).
    uint64_t nextSeq() const { return next_; }
    // Appends the record numbered nextSeq(); false when the disk refused it
    // (the number is then not used).
    bool append(const QByteArray& payload);
    // The last append failed for want of room on the disk (until one succeeds).
    bool diskFull() const { return full_; }
    // Numbers records that were lost before they reached the spool, so that
    // the receiver sees the gap.
    void skip(uint64_t count) {
        next_ += count;
        stateDirty_ = stateDirty_ || count > 0;
    }
    // Syncs what was appended and the state to the disk; false when the state
    // could not be written or synced.
    bool commit();

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
    bool startSegment(uint64_t firstSeq);
    void closeWriter();
    void removeFront();
    void readState();
    bool writeState();
    void enforceLimit();

    QString folder_;
    QString statePath_;
    int64_t limit_;
    int64_t segmentBytes_;
    std::deque<Segment> segments_;
    int64_t total_ = 0;
    uint64_t lastSeq_ = 0;  // the last record in the segments
    uint64_t next_ = 1;
    uint64_t acked_ = 0;
    uint64_t dropped_ = 0;
    AppendFile writer_;      // the back segment while it takes appends
    int stateFd_ = -1;
    bool stateDirty_ = false;
    bool writerDirty_ = false;
    bool folderDirty_ = false;  // a segment was made or removed since the last commit
    bool full_ = false;
};

}  // namespace vel
