#pragma once

#include <string>

#include "jobs/control_state.h"
#include "jobs/file_list.h"
#include "jobs/job_runner.h"
#include "jobs/workspace_view.h"
#include "palette/color_table.h"
#include "palette/palette_settings.h"

namespace tintwell {

// The state of the window's controls: enabled or not, captions, the status line, the list
// headings, and the busy flag that decides most of them. Each change is kept here and told to
// the view, so a test can ask what a control shows without a window. It also passes the color
// table's row changes on to the view, which draws the list from the table.
class WindowControls final : public ColorListObserver {
  public:
    WindowControls(WorkspaceView& view, JobRunner& runner, const FileList& files,
                   const ColorTable& table, const PaletteSettings& settings)
        : view_(view), runner_(runner), files_(files), table_(table), settings_(settings) {}

    [[nodiscard]] const ControlStates& State() const { return state_; }
    void SetEnabled(ControlId id, bool enabled);
    void SetText(ControlId id, const std::string& text);
    void SetHeader(ListId list, int column, const std::string& text);
    // The jobs' progress in StatusField. A reset (step < 0) also empties the status text
    // kept here, which the bar covers: a merge status must not outlive the job's start.
    void DrawProgress(int step, int total);

    // A job begins: the busy flag set, the abort flag cleared, every command disabled but
    // the abort button, which is enabled when the job can stop.
    void EnterBusy(bool abortAllowed);
    // A job ends: the commands enabled as the lists allow, selections cleared, the window
    // redrawn.
    void LeaveBusy();
    // Unselects both lists, empties the status and disables the merge button.
    void ClearSelections();
    // A job that cannot stop answers the abort button with message 242 and goes on.
    void AnswerAbortAndGoOn();
    // Files are listed and 1 to OutputDepth colors: what output needs.
    [[nodiscard]] bool OutputRuleHolds() const;
    // The color list's heading and the output button, after the colors changed.
    void RefreshColorList();
    void UpdateFileListHeader();

  private:
    void ColorRowInserted(int position) override { view_.ColorRowInserted(position); }
    void ColorRowAboutToBeRemoved(int position) override {
        view_.ColorRowAboutToBeRemoved(position);
    }
    void ColorRowsAboutToBeCleared() override { view_.ColorRowsAboutToBeCleared(); }
    void ColorRowRemoved(int position) override { view_.ColorRowRemoved(position); }
    void ColorRowsCleared() override { view_.ColorRowsCleared(); }
    void ColorCountMilestone() override { RefreshColorList(); }
    void ColorTableFull() override { view_.ShowMessage(Msg::TableOverflow, {}); }

    WorkspaceView& view_;
    JobRunner& runner_;
    const FileList& files_;
    const ColorTable& table_;
    const PaletteSettings& settings_;
    ControlStates state_;
};

// The file list as the window shows it: every change of the records is told to the view,
// the rows' texts follow whether the list mixes formats, and the heading counts the files.
class FileRows {
  public:
    FileRows(FileList& files, WorkspaceView& view, WindowControls& controls)
        : files_(files), view_(view), controls_(controls) {}

    // Inserts the record at its place in the list and returns its row.
    int Insert(FileRecord record);
    // Removes a record and its row, without touching the table.
    void Remove(int position);
    // Empties the list; the commands on files are disabled.
    void Clear();

  private:
    // The rows show whole file names while the list mixes formats: when that begins or
    // ends, every row's text changes.
    void ShowRowTexts(bool mixedBefore);

    FileList& files_;
    WorkspaceView& view_;
    WindowControls& controls_;
};

}  // namespace tintwell
