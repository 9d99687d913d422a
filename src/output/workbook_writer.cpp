#include "output/workbook_writer.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

namespace vel {

WorkbookWriter::WorkbookWriter(Workbook* workbook, std::size_t capacity, QObject* parent)
    : QObject(parent), workbook_(workbook), capacity_(std::max<std::size_t>(capacity, 1)) {
    worker_ = std::thread([this] { work(); });
}

WorkbookWriter::~WorkbookWriter() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    // The call in progress ends within the backend's time limit; a report
    // it posts dies with this object's queued events.
    worker_.join();
}

void WorkbookWriter::setOnFailure(std::function<void(WorkbookWriteFailure)> onFailure) {
    onFailure_ = std::move(onFailure);
}

void WorkbookWriter::setOnDropped(std::function<void(int)> onDropped) { onDropped_ = std::move(onDropped); }

bool WorkbookWriter::post(CellBatch batch) {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return false;
        if (queue_.size() >= capacity_) {
            // Behind by a whole queue: the oldest records give way, so that
            // the workbook shows the latest ones.
            const std::size_t excess = queue_.size() - capacity_ + 1;
            queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(excess));
            dropped_ += static_cast<int>(excess);
            if (!dropReported_) {
                dropReported_ = true;
                dropDue_ = true;
                scheduleDelivery();
            }
        }
        queue_.push_back(std::move(batch));
    }
    wake_.notify_one();
    return true;
}

bool WorkbookWriter::finish(std::chrono::milliseconds limit) {
    bool done = false;
    {
        std::unique_lock lock(mutex_);
        done = idle_.wait_for(lock, limit, [this] { return idleLocked(); });
    }
    deliverReports();
    return done;
}

void WorkbookWriter::reset() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    stopped_ = false;
    dropped_ = 0;
    dropReported_ = false;
    dropDue_ = false;
    failureDue_.reset();
    ++run_;
}

void WorkbookWriter::abandon() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    stopped_ = true;
    ++run_;
}

bool WorkbookWriter::busy() const {
    std::lock_guard lock(mutex_);
    return !idleLocked();
}

bool WorkbookWriter::stopped() const {
    std::lock_guard lock(mutex_);
    return stopped_;
}

int WorkbookWriter::droppedBatches() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void WorkbookWriter::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quitting_ || !queue_.empty(); });
        if (quitting_) return;
        CellBatch batch = std::move(queue_.front());
        queue_.pop_front();
        const unsigned run = run_;
        busy_ = true;
        lock.unlock();

        // The workbook is called without the lock, so that post() never
        // waits for the office.
        std::optional<WorkbookWriteFailure> failed;
        for (const CellWrite& write : batch) {
            if (quitting_ || run_ != run) break;
            if (workbook_ && applyCellWrite(*workbook_, write)) continue;
            failed = write.kind == CellWrite::Kind::Select ? WorkbookWriteFailure::CellSelect
                                                           : WorkbookWriteFailure::CellWrite;
            break;
        }
        batch.clear();

        lock.lock();
        busy_ = false;
        // A failure of a run that was reset meanwhile belongs to nobody.
        if (failed && run_ == run && !quitting_) {
            stopped_ = true;
            queue_.clear();
            failureDue_ = failed;
            scheduleDelivery();
        }
        if (idleLocked()) idle_.notify_all();
    }
}

void WorkbookWriter::scheduleDelivery() {
    QMetaObject::invokeMethod(this, [this] { deliverReports(); }, Qt::QueuedConnection);
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
