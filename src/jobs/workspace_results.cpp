#include <type_traits>
#include <utility>
#include <variant>

#include "jobs/workspace.h"

namespace tintwell {

// The owner's side of every job: the values the workers hand back are taken here, on the
// owner thread, and the job in hand advances from them in list order.

void Workspace::ApplyResults() {
    if (applying_) {
        // A message box's event loop: the call under way takes these results too.
        missedResults_ = true;
        return;
    }
    // One batch a call when the owner has an event loop: every result posted after this
    // batch wakes the owner again, and the window repaints between batches however fast the
    // workers are. Inline, the caller's loop waits for the next batch.
    applying_ = true;
    do {
        missedResults_ = false;
        for (JobResult& result : runner_.TakeResults())
            Store(result);
        AdvanceJob();
    } while (missedResults_);
    applying_ = false;
}

void Workspace::AdvanceJob() {
    if (scan_) {
        AdvanceScans();
    } else if (output_) {
        AdvanceOutput();
    }
}

void Workspace::RunJob() {
    if (runner_.IsInline()) {
        ApplyResults();
        while ((scan_ || output_) && runner_.WaitForResults())
            ApplyResults();
        return;
    }
    // What needs no worker is done now (files skipped unread, a job with nothing to read
    // ends here); the workers' results wait for the owner's next ApplyResults.
    applying_ = true;
    AdvanceJob();
    applying_ = false;
    if (missedResults_) ApplyResults();
}

void Workspace::Store(JobResult& result) {
    std::visit(
        [this](auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, ScanResult>) {
                if (scan_ && value.item < scan_->scans.size())
                    scan_->scans[value.item] = std::move(value.scan);
            } else {
                if (!output_) return;
                for (OutputRun::Write& write : output_->writing) {
                    if (write.row != value.row) continue;
                    write.written = true;
                    if (value.durable || value.msg != Msg::None || output_->stopped) {
                        write.result = value.msg;
                        continue;
                    }
                    // Written: made durable on the waiting thread, while the workers take
                    // the next files.
                    runner_.SubmitWaiting(
                        [row = value.row, output = std::move(value.output), file = write.file] {
                            return JobResult(WriteResult{row, output, file->MakeDurable(), true});
                        });
                }
            }
        },
        result);
}

}  // namespace tintwell
