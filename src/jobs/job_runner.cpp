#include "jobs/job_runner.h"

#include <algorithm>
#include <utility>

namespace tintwell {

unsigned DefaultWorkerCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : std::min(n, 4u);
}

JobRunner::JobRunner(RunMode mode, unsigned threads, std::function<void()> wake)
    : mode_(mode), threads_(std::max(1u, threads)), wake_(std::move(wake)) {}

JobRunner::~JobRunner() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
        waitingTasks_.clear();
    }
    taskQueued_.notify_all();
    waitingQueued_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    for (std::thread& waiter : waiters_)
        waiter.join();
}

void JobRunner::NewJob() {
    std::lock_guard lock(mutex_);
    ++job_;
    tasks_.clear();
    waitingTasks_.clear();
    results_.clear();
    pendingOfJob_ = 0;
}

void JobRunner::Submit(std::function<JobResult()> task) {
    Queue(tasks_, std::move(task));
    taskQueued_.notify_one();
}

void JobRunner::SubmitWaiting(std::function<JobResult()> task) {
    Queue(waitingTasks_, std::move(task));
    waitingQueued_.notify_one();
}

void JobRunner::Queue(std::deque<Task>& queue, std::function<JobResult()> task) {
    std::lock_guard lock(mutex_);
    queue.push_back(Task{job_, std::move(task)});
    ++pendingOfJob_;
    // Threads start with the first task they take and then stay for every later job.
    if (&queue == &tasks_ && workers_.size() < threads_) {
        workers_.emplace_back([this] { WorkerLoop(tasks_, taskQueued_); });
    }
    if (&queue == &waitingTasks_ && waiters_.size() < threads_) {
        waiters_.emplace_back([this] { WorkerLoop(waitingTasks_, waitingQueued_); });
    }
}

void JobRunner::DropPending() {
    std::lock_guard lock(mutex_);
    pendingOfJob_ -= static_cast<int>(tasks_.size() + waitingTasks_.size());
    tasks_.clear();
    waitingTasks_.clear();
}

std::vector<JobResult> JobRunner::TakeResults() {
    std::lock_guard lock(mutex_);
    return std::exchange(results_, {});
}

bool JobRunner::WaitForResults() {
    std::unique_lock lock(mutex_);
    taskReturned_.wait(lock, [&] { return !results_.empty() || pendingOfJob_ == 0; });
    return !results_.empty();
}

void JobRunner::WaitIdle() {
    std::unique_lock lock(mutex_);
    taskReturned_.wait(lock,
                       [&] { return running_ == 0 && tasks_.empty() && waitingTasks_.empty(); });
}

// Runs on a worker or a waiting thread: touches no Workspace state, only the task's own
// inputs.
void JobRunner::WorkerLoop(std::deque<Task>& queue, std::condition_variable& queued) {
    std::unique_lock lock(mutex_);
    for (;;) {
        queued.wait(lock, [&] { return stopping_ || !queue.empty(); });
        if (stopping_) return;
        Task task = std::move(queue.front());
        queue.pop_front();
        ++running_;
        lock.unlock();
        JobResult result = task.run();
        task.run = nullptr;  // its files and buffers go before the lock is taken
        lock.lock();
        const bool current = task.job == job_;
        if (current) {
            results_.push_back(std::move(result));
            --pendingOfJob_;
        }
        lock.unlock();
        taskReturned_.notify_all();
        if (current && mode_ == RunMode::Threaded && wake_) wake_();
        // The task counts as in hand until the owner was told, so WaitIdle sees it through.
        lock.lock();
        --running_;
        taskReturned_.notify_all();
    }
}

}  // namespace tintwell
