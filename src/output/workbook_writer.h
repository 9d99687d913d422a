#pragma once
// Workbook cell writes off the run's thread. The run posts each record's
// operations as one batch and goes on at once; one worker thread applies the
// batches in order through the Workbook, so that a slow office costs the
// acquisition loop nothing.
//
// The first refused operation stops the writer: the waiting batches are
// dropped, nothing more is written, and the failure (a cell write, or the
// selection of the next record's cell) is reported once to the owner's
// thread, where the owner logs it and closes the workbook as it would have
// done with a direct write. When the office falls so far behind that the
// queue is full, the oldest waiting batches are dropped, so that the latest
// records still land in their own rows; the first such drop of a run is
// reported once.
//
// Reports are delivered on the thread the writer lives on, by a queued call
// from its event loop, or by finish(). A report still queued when the writer
// is destroyed is never delivered.
//
// While the writer is alive the worker is the only caller of the Workbook;
// the owner may call it itself only between runs, after finish() came back
// true, or once a writer that finish() gave up on (abandon()) is no longer
// busy(): see finishWriter() in output/workbook_connection.h. Each Workbook call is bounded by the backend's own time limit, which
// is what keeps finish() and the destructor from waiting for a hung office
// for long.
#include <QObject>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>

#include "base/owner_calls.h"
#include "base/queue_worker.h"
#include "output/cell_write.h"
#include "output/workbook.h"

namespace vel {

// Which operation the workbook refused.
enum class WorkbookWriteFailure {
    CellWrite,   // a value, time stamp or font colour of a record
    CellSelect,  // the move of the cursor to the next record's row
};

class WorkbookWriter : public QObject {
public:
    static constexpr std::size_t kDefaultCapacity = 256;

    // capacity: waiting batches (records) at most; at least one.
    explicit WorkbookWriter(Workbook* workbook, std::size_t capacity = kDefaultCapacity, QObject* parent = nullptr);
    ~WorkbookWriter() override;
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    // Run on the writer's thread: the first failure of a run, and the first
    // drop of a run with the number of batches dropped by then.
    void setOnFailure(std::function<void(WorkbookWriteFailure)> onFailure);
    void setOnDropped(std::function<void(int droppedBatches)> onDropped);

    // Queues a record's operations; never blocks. False when the writer has
    // stopped after a failure (the batch is not written).
    bool post(CellBatch batch);

    // Waits until every queued batch is applied (or the writer stopped), at
    // most `limit`, then delivers any pending report here. False when the
    // limit ran out with an operation still in progress.
    bool finish(std::chrono::milliseconds limit);

    // Gives up on the rest after a finish() that ran out: the waiting
    // batches are dropped, the batch in progress ends after its current call,
    // and post() refuses until reset().
    void abandon();
    // Whether the worker has a call in progress or batches waiting.
    bool busy() const;

    // A new run: waiting batches of the last one are dropped, the writer
    // writes again and reports a failure and a drop once more.
    void reset();

    bool stopped() const;
    // Batches dropped so far in this run because the queue was full.
    int droppedBatches() const;

private:
    // A record's operations with the run they were posted in.
    struct RunBatch {
        CellBatch writes;
        unsigned run = 0;
    };

    // On the worker, without mutex_: applies the batch until an operation is
    // refused, the writer goes or the batch's run is over.
    void apply(RunBatch& batch);
    // Queues the delivery of the pending reports; called with mutex_ held.
    void scheduleDelivery();
    void deliverReports();

    Workbook* workbook_;
    std::function<void(WorkbookWriteFailure)> onFailure_;
    std::function<void(int)> onDropped_;

    // Taken before the queue's own lock, so that post() and the stop after a
    // failure see the queue and the state below as one.
    mutable std::mutex mutex_;
    bool stopped_ = false;       // a write failed in this run
    int dropped_ = 0;            // batches dropped for a full queue in this run
    bool dropReported_ = false;  // the drop of this run was reported (or is due)
    bool dropDue_ = false;
    std::optional<WorkbookWriteFailure> failureDue_;
    // Read by the worker between two operations without the lock.
    std::atomic<bool> quitting_ = false;
    std::atomic<unsigned> run_ = 0;  // counts reset() and abandon(): a batch of an earlier run is abandoned
    OwnerCalls reports_;
    // Last: its worker stops (and the call in progress ends) before the rest goes.
    QueueWorker<RunBatch> worker_;
};

}  // namespace vel
