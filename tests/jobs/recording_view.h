#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "jobs/workspace.h"
#include "jobs/workspace_view.h"

namespace tintwell::test {

// A view that records what the Workspace tells it and mirrors the two lists, so a test can
// compare the window's rows with the Workspace's state. RunOnOwner queues the function and
// blocks the worker until the test thread pumps it, like a window's event loop would.
class RecordingView final : public WorkspaceView {
  public:
    // Mirrors of the lists.
    std::vector<std::string> fileRows;
    int colorRows = 0;
    std::set<int> selectedFiles;
    std::set<int> selectedColors;

    // What happened, in order.
    std::vector<int> removedFileRows;
    std::vector<int> removedColorRows;
    std::vector<std::pair<ControlId, bool>> enableLog;
    std::map<ControlId, std::string> texts;
    std::map<std::pair<ListId, int>, std::string> headers;
    std::vector<std::string> colorHeaderLog;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::tuple<ListId, int, bool>> selectLog;
    std::vector<std::string> messages;
    std::vector<std::string> asked;
    int clearSelectionsCount = 0;
    int repaintCount = 0;
    int redrawCount = 0;
    std::vector<ListId> scrolledToTop;

    // The messages as numbers and paths, in order (`messages` holds their texts).
    std::vector<std::pair<Msg, std::string>> messageIds;
    int jobsFinished = 0;
    // Scripted answers to the overwrite question; Yes once they run out.
    std::deque<OverwriteAnswer> overwriteAnswers;
    // Hooks run on the owner thread, so a test can press a button at an exact point.
    std::function<void(int step, int total)> onProgress;
    std::function<void(const std::string& text)> onMessage;
    std::function<void(ListId list, int row, bool selected)> onSelect;
    // Set for a Workspace in inline mode, which must never go through RunOnOwner.
    bool inlineOnly = false;

    void FileRowInserted(int row, const std::string& baseName) override {
        fileRows.insert(fileRows.begin() + row, baseName);
    }
    void FileRowRemoved(int row) override {
        removedFileRows.push_back(row);
        fileRows.erase(fileRows.begin() + row);
        selectedFiles.erase(row);
    }
    void FileRowsCleared() override {
        fileRows.clear();
        selectedFiles.clear();
    }
    void ColorRowInserted(int row) override {
        (void)row;
        ++colorRows;
    }
    void ColorRowRemoved(int row) override {
        removedColorRows.push_back(row);
        --colorRows;
    }
    void ColorRowsCleared() override {
        colorRows = 0;
        selectedColors.clear();
    }
    void ColorListRepaint() override { ++repaintCount; }
    void HeaderTextChanged(ListId list, int column, const std::string& text) override {
        headers[{list, column}] = text;
        if (list == ListId::Colors && column == 0) colorHeaderLog.push_back(text);
    }
    void ControlEnabledChanged(ControlId id, bool enabled) override {
        enableLog.emplace_back(id, enabled);
    }
    void ControlTextChanged(ControlId id, const std::string& text) override { texts[id] = text; }
    void DrawProgress(int step, int total) override {
        progress.emplace_back(step, total);
        if (onProgress) onProgress(step, total);
    }
    void SetRowSelected(ListId list, int row, bool selected) override {
        selectLog.emplace_back(list, row, selected);
        auto& set = list == ListId::Files ? selectedFiles : selectedColors;
        if (selected) {
            set.insert(row);
        } else {
            set.erase(row);
        }
        if (onSelect) onSelect(list, row, selected);
    }
    void ClearSelections() override {
        ++clearSelectionsCount;
        selectedFiles.clear();
        selectedColors.clear();
    }
    void ScrollToTop(ListId list) override { scrolledToTop.push_back(list); }
    void RedrawWindow() override { ++redrawCount; }
    void ShowMessage(Msg msg, const std::string& path) override {
        messageIds.emplace_back(msg, path);
        const std::string text = FormatMessage(msg, path);
        messages.push_back(text);
        if (onMessage) onMessage(text);
    }
    void JobFinished() override { ++jobsFinished; }
    OverwriteAnswer AskOverwrite(const std::string& path) override {
        asked.push_back(path);
        if (overwriteAnswers.empty()) return OverwriteAnswer::Yes;
        const OverwriteAnswer answer = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return answer;
    }

    void RunOnOwner(std::function<void()> fn) override {
        if (inlineOnly) {
            ADD_FAILURE() << "an inline run went through RunOnOwner";
            fn();
            return;
        }
        auto task = std::make_shared<Task>();
        task->fn = std::move(fn);
        std::unique_lock lock(mutex_);
        if (closing_) return;
        queue_.push_back(task);
        changed_.notify_all();
        changed_.wait(lock, [&] { return task->done || closing_; });
    }
    // Queued calls are dropped unrun and waiting workers let go, as a closing window does.
    void OwnerClosing() override {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
        changed_.notify_all();
    }

    // Runs the next function a worker has queued, waiting for one to arrive. False (and a
    // test failure) when none comes, which means a job waits for something else.
    bool PumpOne() {
        std::shared_ptr<Task> task;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_for(lock, std::chrono::seconds(120),
                                   [&] { return !queue_.empty(); })) {
                ADD_FAILURE() << "no job step arrived";
                return false;
            }
            task = queue_.front();
            queue_.pop_front();
        }
        task->fn();
        {
            std::lock_guard lock(mutex_);
            task->done = true;
        }
        changed_.notify_all();
        return true;
    }

    // Whether the control's last enabled change was to `enabled` (false when never told).
    [[nodiscard]] bool LastEnabled(ControlId id) const {
        for (auto it = enableLog.rbegin(); it != enableLog.rend(); ++it) {
            if (it->first == id) return it->second;
        }
        return false;
    }
    // Whether the control was ever enabled.
    [[nodiscard]] bool EverEnabled(ControlId id) const {
        for (const auto& [control, enabled] : enableLog) {
            if (control == id && enabled) return true;
        }
        return false;
    }

  private:
    struct Task {
        std::function<void()> fn;
        bool done = false;
    };
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Task>> queue_;
    bool closing_ = false;
};

// Pumps the view's queue until the Workspace has left the busy state, then joins the job.
inline void RunUntilIdle(Workspace& workspace, RecordingView& view) {
    while (workspace.Busy()) {
        if (!view.PumpOne()) return;
    }
    workspace.WaitIdle();
}

}  // namespace tintwell::test
