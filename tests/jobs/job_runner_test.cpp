#include "jobs/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <set>
#include <variant>
#include <vector>

#include "jobs/workspace_view.h"

namespace tintwell {
namespace {

// A task that hands back the scan of item `i` (the scan itself is empty).
std::function<JobResult()> Item(std::size_t i) {
    return [i] { return JobResult(ScanResult{i, FileScan{}}); };
}

// A task that hands back item `i` once `release` is ready.
std::function<JobResult()> ItemAfter(std::shared_future<void> release, std::size_t i) {
    return [release, i] {
        release.wait();
        return JobResult(ScanResult{i, FileScan{}});
    };
}

std::set<std::size_t> Items(const std::vector<JobResult>& results) {
    std::set<std::size_t> items;
    for (const JobResult& result : results)
        items.insert(std::get<ScanResult>(result).item);
    return items;
}

TEST(JobRunnerTest, WorkersHandBackValuesAndOnlyWakeTheOwner) {
    std::atomic<int> wakes{0};
    JobRunner runner(RunMode::Threaded, 2, [&] { ++wakes; });
    runner.NewJob();
    for (std::size_t i = 0; i < 4; ++i)
        runner.Submit(Item(i));
    std::vector<JobResult> results;
    while (results.size() < 4 && runner.WaitForResults()) {
        for (JobResult& result : runner.TakeResults())
            results.push_back(std::move(result));
    }
    EXPECT_EQ(Items(results), (std::set<std::size_t>{0, 1, 2, 3}));
    runner.WaitIdle();
    EXPECT_EQ(wakes, 4);
    // Nothing of this job is queued or under way: there is nothing to wait for.
    EXPECT_FALSE(runner.WaitForResults());
}

// A waiting task runs beside the workers: here the only worker waits for it, which would
// never end if it had to take a worker.
TEST(JobRunnerTest, AWaitingTaskRunsWhileEveryWorkerIsBusy) {
    JobRunner runner(RunMode::Inline, 1, nullptr);
    std::promise<void> synced;
    std::shared_future<void> done = synced.get_future().share();
    runner.NewJob();
    runner.Submit(ItemAfter(done, 1));
    runner.SubmitWaiting([&synced] {
        synced.set_value();
        return JobResult(ScanResult{2, FileScan{}});
    });
    std::vector<JobResult> results;
    while (runner.WaitForResults()) {
        for (JobResult& result : runner.TakeResults())
            results.push_back(std::move(result));
    }
    EXPECT_EQ(Items(results), (std::set<std::size_t>{1, 2}));
}

TEST(JobRunnerTest, ResultsOfAnEarlierJobAreDropped) {
    JobRunner runner(RunMode::Inline, 1, nullptr);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    runner.NewJob();
    runner.Submit(ItemAfter(released, 7));
    runner.Submit(Item(8));  // not begun: dropped by the new job
    runner.NewJob();
    runner.Submit(Item(1));
    release.set_value();
    ASSERT_TRUE(runner.WaitForResults());
    runner.WaitIdle();
    EXPECT_EQ(Items(runner.TakeResults()), (std::set<std::size_t>{1}));
}

TEST(JobRunnerTest, DropPendingKeepsOnlyTheTaskInHand) {
    JobRunner runner(RunMode::Inline, 1, nullptr);
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    runner.NewJob();
    runner.Submit([&started, released] {
        started.set_value();
        released.wait();
        return JobResult(ScanResult{0, FileScan{}});
    });
    runner.Submit(Item(1));
    started.get_future().wait();
    runner.DropPending();
    release.set_value();
    runner.WaitIdle();
    EXPECT_EQ(Items(runner.TakeResults()), (std::set<std::size_t>{0}));
}

TEST(JobRunnerTest, TakeAbortReadsAndClears) {
    JobRunner runner(RunMode::Inline, 1, nullptr);
    EXPECT_FALSE(runner.TakeAbort());
    runner.RequestAbort();
    EXPECT_TRUE(runner.AbortRequested());
    EXPECT_TRUE(runner.TakeAbort());
    EXPECT_FALSE(runner.AbortRequested());
}

struct ProgressCase {
    int step;
    int total;
    int width;
    int expected;
};

TEST(ProgressFillWidthTest, FillsStepPlusOneOfTotalRoundedDown) {
    const ProgressCase cases[] = {
        {-1, 3, 100, 0},   // reset
        {0, 3, 100, 33},   // one third, rounded down
        {1, 3, 100, 66},   // two thirds
        {2, 3, 100, 100},  // full
        {0, 1, 100, 100},  // a single item fills at once
        {5, 3, 100, 100},  // past the end: full
        {-1, 0, 100, 0},   // a refused drop only resets
    };
    for (const ProgressCase& c : cases) {
        EXPECT_EQ(ProgressFillWidth(c.step, c.total, c.width), c.expected)
            << c.step << "/" << c.total;
    }
}

}  // namespace
}  // namespace tintwell
