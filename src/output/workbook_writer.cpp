#include "output/workbook_writer.h"

#include <utility>

namespace vel {

WorkbookWriter::WorkbookWriter(Workbook* workbook, std::size_t capacity, QObject* parent)
    : QObject(parent),
      workbook_(workbook),
      reports_(this),
      worker_(capacity, QueueWorker<RunBatch>::WhenFull::DropOldest, [this](RunBatch& batch) { apply(batch); }) {}

WorkbookWriter::~WorkbookWriter() {
    // The batch in progress stops at its next operation; the worker then
    // drops what waits and joins after the call in progress, which ends
    // within the backend's time limit. A report it posts dies with reports_.
    quitting_ = true;
}

void WorkbookWriter::setOnFailure(std::function<void(WorkbookWriteFailure)> onFailure) {
    onFailure_ = std::move(onFailure);
}

void WorkbookWriter::setOnDropped(std::function<void(int)> onDropped) { onDropped_ = std::move(onDropped); }

bool WorkbookWriter::post(CellBatch batch) {
    std::lock_guard lock(mutex_);
    if (stopped_) return false;
    // Behind by a whole queue: the oldest records give way, so that the
    // workbook shows the latest ones.
    const auto posted = worker_.post({std::move(batch), run_});
    if (posted.droppedOldest > 0) {
        dropped_ += static_cast<int>(posted.droppedOldest);
        if (!dropReported_) {
            dropReported_ = true;
            dropDue_ = true;
            scheduleDelivery();
        }
    }
    return true;
}

bool WorkbookWriter::finish(std::chrono::milliseconds limit) {
    const bool done = worker_.waitIdle(limit);
    reports_.runPending();
    return done;
}

void WorkbookWriter::reset() {
    std::lock_guard lock(mutex_);
    worker_.clear();
    stopped_ = false;
    dropped_ = 0;
    dropReported_ = false;
    dropDue_ = false;
    failureDue_.reset();
    ++run_;
}

void WorkbookWriter::abandon() {
    std::lock_guard lock(mutex_);
    worker_.clear();
    stopped_ = true;
    ++run_;
}

bool WorkbookWriter::busy() const { return !worker_.idle(); }

bool WorkbookWriter::stopped() const {
    std::lock_guard lock(mutex_);
    return stopped_;
}

int WorkbookWriter::droppedBatches() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void WorkbookWriter::apply(RunBatch& batch) {
    std::optional<WorkbookWriteFailure> failed;
    for (const CellWrite& write : batch.writes) {
        if (quitting_ || run_ != batch.run) break;
        if (workbook_ && applyCellWrite(*workbook_, write)) continue;
        failed = write.kind == CellWrite::Kind::Select ? WorkbookWriteFailure::CellSelect
                                                       : WorkbookWriteFailure::CellWrite;
        break;
    }
    batch.writes.clear();
    if (!failed) return;

    std::lock_guard lock(mutex_);
    // A failure of a run that was reset meanwhile belongs to nobody.
    if (run_ != batch.run || quitting_) return;
    stopped_ = true;
    worker_.clear();
    failureDue_ = failed;
    scheduleDelivery();
}

void WorkbookWriter::scheduleDelivery() {
    reports_.post([this] { deliverReports(); });
}

void WorkbookWriter::deliverReports() {
    std::optional<WorkbookWriteFailure> failure;
    std::optional<int> dropped;
    {
        std::lock_guard lock(mutex_);
        failure = std::exchange(failureDue_, std::nullopt);
        if (std::exchange(dropDue_, false)) dropped = dropped_;
    }
    // Outside the lock: a callback may post, reset or ask for the state.
    if (dropped && onDropped_) onDropped_(*dropped);
    if (failure && onFailure_) onFailure_(*failure);
}

}  // namespace vel
