#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace tintwell {

// Threaded: a job's body runs on a worker thread (the window). Inline: it runs on the
// caller's thread before Start returns (the command-line tool, which has no event loop).
enum class RunMode { Threaded, Inline };

// Starts at most one job at a time and holds the two flags that the owner thread and the
// worker share. The busy flag is set on the caller's thread before the worker exists, so no
// second job can slip in between; the job sets it again when it enters the busy state and
// clears it when it leaves. Only the owner thread calls Start, WaitIdle and the destructor.
class JobRunner {
  public:
    explicit JobRunner(RunMode mode) : mode_(mode) {}
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Starts `body` unless a job is busy: returns false then and does nothing.
    [[nodiscard]] bool Start(std::function<void()> body);
    // Waits until the worker of the last job has returned. The job must have left the busy
    // state (or be able to without the owner thread), else this waits for ever.
    void WaitIdle();

    [[nodiscard]] bool IsInline() const { return mode_ == RunMode::Inline; }

    // The BusyFlag.
    [[nodiscard]] bool Busy() const { return busy_.load(); }
    void SetBusy(bool busy) { busy_.store(busy); }

    // The AbortFlag: set by the abort button, polled and cleared by jobs.
    void RequestAbort() noexcept { abort_.store(true); }
    void ClearAbort() { abort_.store(false); }
    [[nodiscard]] bool AbortRequested() const { return abort_.load(); }
    // Reads and clears the flag in one step.
    [[nodiscard]] bool TakeAbort() { return abort_.exchange(false); }

  private:
    RunMode mode_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> abort_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "the abort flag is set from signals");
    std::thread worker_;
};

}  // namespace tintwell
