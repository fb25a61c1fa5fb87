#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "jobs/scan_file.h"
#include "resources/string_table.h"

namespace tintwell {

// Threaded: the owner has an event loop (the window): a job's commands return at once and
// its results are applied when the owner calls Workspace::ApplyResults. Inline: the owner
// has none (the command-line tool): a command applies its job's results in a plain loop and
// returns when the job has ended.
enum class RunMode { Threaded, Inline };

// The scan of one dropped or listed file, by its position in the job's list of paths.
struct ScanResult {
    std::size_t item = 0;
    FileScan scan;
};

// One output file written under no name yet: its row, its path and Msg::None or why the
// write failed. The owner has it made durable, then names it (or discards it), in list
// order.
struct WriteResult {
    int row = 0;
    std::string output;
    Msg msg = Msg::None;
    bool durable = false;  // the content is on disk (else written, and to be made durable)
};

using JobResult = std::variant<ScanResult, WriteResult>;

// The workers a runner gets in the window and the command-line tool: one per core, at most
// four, since more only wait for the disk.
[[nodiscard]] unsigned DefaultWorkerCount();

// The worker side of every job, and the busy and abort flags. A fixed set of long-lived
// workers runs the tasks the owner submits, each a function of its inputs that returns a
// value; the values wait in a mailbox until the owner takes them. No worker ever waits for
// the owner: `wake` (called on a worker after a value was posted; it must not block) only
// tells the owner that values wait. Results of an earlier job are dropped unread.
//
// Only the owner thread calls the methods, except RequestAbort (any thread, signals too).
class JobRunner {
  public:
    JobRunner(RunMode mode, unsigned threads, std::function<void()> wake);
    // Drops the tasks not begun and joins the workers, each after the task in hand.
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    [[nodiscard]] bool IsInline() const { return mode_ == RunMode::Inline; }
    // How many tasks may usefully run at once.
    [[nodiscard]] unsigned Threads() const { return threads_; }

    // The BusyFlag.
    [[nodiscard]] bool Busy() const { return busy_.load(); }
    void SetBusy(bool busy) { busy_.store(busy); }

    // The AbortFlag: set by the abort button, polled and cleared by jobs.
    void RequestAbort() noexcept { abort_.store(true); }
    void ClearAbort() { abort_.store(false); }
    [[nodiscard]] bool AbortRequested() const { return abort_.load(); }
    // Reads and clears the flag in one step.
    [[nodiscard]] bool TakeAbort() { return abort_.exchange(false); }

    // A new job begins: tasks of the last one not begun are dropped, results of its tasks
    // under way are dropped when they arrive.
    void NewJob();
    // Hands a task of the current job to the workers.
    void Submit(std::function<JobResult()> task);
    // Hands a task of the current job that mostly waits on the system (making a written
    // file durable) to threads of their own, as many as the workers, so the workers go on
    // with the next file meanwhile. Its result comes like any other.
    void SubmitWaiting(std::function<JobResult()> task);
    // Drops the current job's tasks that have not begun (a stop after the file in hand).
    void DropPending();
    // The current job's results that have arrived, oldest first.
    [[nodiscard]] std::vector<JobResult> TakeResults();
    // Inline owner: waits until a result of the current job has arrived. False when none
    // can come (no task of it is queued or under way).
    bool WaitForResults();
    // Waits until no task is under way (the workers are never blocked, so this ends).
    void WaitIdle();

  private:
    struct Task {
        unsigned job;
        std::function<JobResult()> run;
    };
    // Runs on a worker (or, for `queue` = waitingTasks_, a waiting thread): takes tasks
    // from `queue` until the runner is destroyed.
    void WorkerLoop(std::deque<Task>& queue, std::condition_variable& queued);
    void Queue(std::deque<Task>& queue, std::function<JobResult()> task);

    RunMode mode_;
    unsigned threads_;
    std::function<void()> wake_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> abort_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "the abort flag is set from signals");

    std::mutex mutex_;
    std::condition_variable taskQueued_;     // workers wait here for tasks
    std::condition_variable waitingQueued_;  // the waiting threads wait here for their tasks
    std::condition_variable taskReturned_;   // the owner waits here for results or idleness
    std::deque<Task> tasks_;
    std::deque<Task> waitingTasks_;
    std::vector<JobResult> results_;
    unsigned job_ = 0;
    int running_ = 0;       // tasks taken by a worker and not yet returned
    int pendingOfJob_ = 0;  // the current job's tasks queued or under way
    bool stopping_ = false;
    std::vector<std::thread> workers_;  // started with the first task
    std::vector<std::thread> waiters_;  // as many, for waiting tasks, started as needed
};

}  // namespace tintwell
