#include "jobs/job_runner.h"

#include <utility>

namespace tintwell {

JobRunner::~JobRunner() {
    WaitIdle();
}

bool JobRunner::Start(std::function<void()> body) {
    if (busy_.exchange(true)) return false;
    // The previous job has left the busy state; its worker only has to return.
    WaitIdle();
    if (IsInline()) {
        body();
        return true;
    }
    worker_ = std::thread(std::move(body));
    return true;
}

void JobRunner::WaitIdle() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace tintwell
