#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
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
// compare the window's rows with the Workspace's state. It is an owner that never answers
// at once: ResultsWaiting only notes that results wait, and the workers' values are applied
// when the test thread pumps them (PumpOne), later, like a window's event loop would.
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
    // Set for a Workspace in inline mode, which applies its results itself.
    bool inlineOnly = false;
    // What the output job reported per file, in order.
    std::vector<FileOutcome> outcomes;
    // What the add phase reported per item, in order.
    std::vector<AddOutcome> added;

    void FileRowInserted(int row, const std::string& text) override {
        fileRows.insert(fileRows.begin() + row, text);
    }
    void FileRowTextChanged(int row, const std::string& text) override {
        fileRows.at(static_cast<std::size_t>(row)) = text;
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
    // Both per-file events are kept, and their messages shown as any view shows them.
    void FileDone(const FileOutcome& outcome) override {
        outcomes.push_back(outcome);
        WorkspaceView::FileDone(outcome);
    }
    void FileAdded(const AddOutcome& outcome) override {
        added.push_back(outcome);
        WorkspaceView::FileAdded(outcome);
    }
    OverwriteAnswer AskOverwrite(const std::string& path) override {
        asked.push_back(path);
        if (overwriteAnswers.empty()) return OverwriteAnswer::Yes;
        const OverwriteAnswer answer = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return answer;
    }

    // Called on a worker: only notes that results wait.
    void ResultsWaiting() override {
        if (inlineOnly) ADD_FAILURE() << "an inline run asked the owner to apply results";
        {
            std::lock_guard lock(mutex_);
            waiting_ = true;
        }
        changed_.notify_all();
    }

    // Waits until a worker said that results wait, then applies them on this thread. False
    // (and a test failure) when none come, which means a job waits for something else.
    bool PumpOne(Workspace& workspace) {
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_for(lock, std::chrono::seconds(120), [&] { return waiting_; })) {
                ADD_FAILURE() << "no job result arrived";
                return false;
            }
            waiting_ = false;
        }
        workspace.ApplyResults();
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
    std::mutex mutex_;
    std::condition_variable changed_;
    bool waiting_ = false;
};

// Applies results as they come until the Workspace has left the busy state, then waits
// until the workers have nothing in hand.
inline void RunUntilIdle(Workspace& workspace, RecordingView& view) {
    while (workspace.Busy()) {
        if (!view.PumpOne(workspace)) return;
    }
    workspace.WaitIdle();
}

}  // namespace tintwell::test
