#include "jobs/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "jobs/workspace_view.h"

namespace tintwell {
namespace {

TEST(JobRunnerTest, BusyIsSetBeforeTheWorkerRuns) {
    JobRunner runner(RunMode::Threaded);
    std::atomic<bool> sawBusy{false};
    ASSERT_TRUE(runner.Start([&] {
        sawBusy = runner.Busy();
        runner.SetBusy(false);
    }));
    runner.WaitIdle();
    EXPECT_TRUE(sawBusy);
    EXPECT_FALSE(runner.Busy());
}

TEST(JobRunnerTest, RefusesASecondJobWhileBusy) {
    JobRunner runner(RunMode::Threaded);
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    ASSERT_TRUE(runner.Start([&] {
        ++runs;
        while (!release)
            std::this_thread::yield();
        runner.SetBusy(false);
    }));
    // The flag was set on this thread, so the refusal does not depend on the worker.
    EXPECT_FALSE(runner.Start([&] { ++runs; }));
    release = true;
    runner.WaitIdle();
    ASSERT_TRUE(runner.Start([&] {
        ++runs;
        runner.SetBusy(false);
    }));
    runner.WaitIdle();
    EXPECT_EQ(runs, 2);
}

TEST(JobRunnerTest, InlineRunsBeforeStartReturns) {
    JobRunner runner(RunMode::Inline);
    const auto caller = std::this_thread::get_id();
    std::thread::id ranOn;
    ASSERT_TRUE(runner.Start([&] {
        ranOn = std::this_thread::get_id();
        runner.SetBusy(false);
    }));
    EXPECT_EQ(ranOn, caller);
    EXPECT_FALSE(runner.Busy());
}

TEST(JobRunnerTest, TakeAbortReadsAndClears) {
    JobRunner runner(RunMode::Inline);
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
