#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "jobs/control_state.h"
#include "resources/string_table.h"

namespace tintwell {

// The answer to the overwrite question.
enum class OverwriteAnswer {
    Yes,         // overwrite this file
    No,          // skip this file
    All,         // overwrite this and every later file without asking
    Cancel,      // end the output job
    Unanswered,  // the question could not be asked: the job ends with message 245
};

// Why the add phase passed over an item without reading it.
enum class SkipReason {
    None,
    NotImage,  // its name ends in neither .bmp nor .png
    SameName,  // a listed file has its base name
    SameFile,  // the file itself is listed already
};

// What became of one item of the add phase (a drop, or a re-analysis of the listed files).
struct AddOutcome {
    enum class Kind {
        Accepted,  // listed (or read again) and its colors in the table
        Refused,   // `msg` says why; a re-analysed file has left the list
        Skipped,   // `skip` says why; not read
    };
    std::size_t item = 0;  // its place among the job's items, folders expanded
    std::string path;
    Kind kind = Kind::Accepted;
    Msg msg = Msg::None;
    SkipReason skip = SkipReason::None;
    // Why it was refused or skipped, in a user's words ("RLE8 with a run past the end of a
    // row"), where there is more to say than the message.
    std::string detail;
};

// What became of one file that the output job took in hand.
struct FileOutcome {
    enum class Kind {
        Written,    // named at its output path
        LeftAlone,  // the output existed and the user said No: nothing written
        Failed,     // `msg` says why; nothing was named
    };
    int row = 0;
    std::string input;
    std::string output;
    Kind kind = Kind::Written;
    Msg msg = Msg::None;
    // The path the message names: the input, the output, or none.
    std::string named;
    // The failure ended the output job: no later file is taken.
    bool endedJob = false;
};

// Everything the Workspace asks of its window. Every method but ResultsWaiting is called on
// the owner thread only. The Qt window implements it, the command-line tool prints, the
// tests record.
//
// Row changes come in the order an item model needs: inserts after the row exists (the
// file row's text comes with the call; new color rows are always appended), removals and
// clears announced before the row goes and confirmed after, reorders announced before and
// after the list order changes.
class WorkspaceView {
  public:
    virtual ~WorkspaceView() = default;

    // A row showing `text` (FileList::RowText) was inserted into the file list at `row`.
    virtual void FileRowInserted(int row, const std::string& text) = 0;
    // Row `row` of the file list now shows `text`: every row changes when the list starts or
    // stops mixing formats.
    virtual void FileRowTextChanged(int /*row*/, const std::string& /*text*/) {}
    // Row `row` of the file list is about to be deleted (it still exists).
    virtual void FileRowAboutToBeRemoved(int /*row*/) {}
    // Row `row` of the file list was deleted; the rows behind it moved up.
    virtual void FileRowRemoved(int row) = 0;
    // Every row of the file list is about to be deleted (they still exist).
    virtual void FileRowsAboutToBeCleared() {}
    // Every row of the file list was deleted.
    virtual void FileRowsCleared() = 0;

    // A color row was inserted at `row` (drawn from the table's list order).
    virtual void ColorRowInserted(int row) = 0;
    // Color row `row` is about to be deleted (it still exists).
    virtual void ColorRowAboutToBeRemoved(int /*row*/) {}
    // Color row `row` was deleted; the rows behind it moved up.
    virtual void ColorRowRemoved(int row) = 0;
    // Every color row is about to be deleted (they still exist).
    virtual void ColorRowsAboutToBeCleared() {}
    // Every color row was deleted.
    virtual void ColorRowsCleared() = 0;
    // The order of the color rows is about to change (a sort); the count stays.
    virtual void ColorOrderAboutToChange() {}
    // The order of the color rows changed; ColorListRepaint follows.
    virtual void ColorOrderChanged() {}
    // The colors or their order changed without a row count change: repaint the list now.
    virtual void ColorListRepaint() = 0;

    // The header of `column` of a list changed.
    virtual void HeaderTextChanged(ListId list, int column, const std::string& text) = 0;
    // A control was enabled or disabled.
    virtual void ControlEnabledChanged(ControlId id, bool enabled) = 0;
    // The text of button 1015, button 1025 or StatusField 1030 changed.
    virtual void ControlTextChanged(ControlId id, const std::string& text) = 0;

    // Progress in StatusField: step -1 resets the bar; step k of total shows k + 1 items
    // under way (see ProgressFillWidth).
    virtual void DrawProgress(int step, int total) = 0;
    // Selects or unselects one row of a list; a selected row is scrolled fully into view.
    virtual void SetRowSelected(ListId list, int row, bool selected) = 0;
    // Unselects every row of both lists (the status text and merge button are the
    // Workspace's and are reported separately).
    virtual void ClearSelections() = 0;
    // Scrolls a list so that its row 0 is visible.
    virtual void ScrollToTop(ListId list) = 0;
    // Redraws the whole window at once (the end of every job).
    virtual void RedrawWindow() = 0;

    // Shows message `msg` (its text with "%1" replaced by `path`, see FormatMessage) in a
    // box with an OK button and returns when it is closed.
    virtual void ShowMessage(Msg msg, const std::string& path) = 0;
    // Why a file is refused, in a user's words ("RLE8 with a run past the end of a row", "more
    // than 256 colors (line 300)"): told just before the ShowMessage that refuses it.
    virtual void RefusalDetail(std::string_view /*detail*/) {}
    // Asks whether `path` may be overwritten.
    virtual OverwriteAnswer AskOverwrite(const std::string& path) = 0;
    // The answer AskOverwrite will give for `path`, where the view answers by a rule and
    // asks no one (the command-line tool's -f); nothing where it asks. A question waits
    // until every earlier file is named, so that it comes in order; a rule's yes shows
    // nothing, so the file is taken at once and written beside the earlier ones.
    virtual std::optional<OverwriteAnswer> OverwriteRule(const std::string& /*path*/) {
        return std::nullopt;
    }

    // The add phase is done with one item, in the order of the items. A view that does not
    // take it shows a refusal's message box, with its detail.
    virtual void FileAdded(const AddOutcome& added) {
        if (added.kind != AddOutcome::Kind::Refused) return;
        RefusalDetail(added.detail);
        ShowMessage(added.msg, added.path);
    }
    // The output job is done with one file: once per file it took in hand, in list order. A
    // view that does not take it shows the message of a file that failed.
    virtual void FileDone(const FileOutcome& outcome) {
        if (outcome.msg != Msg::None) ShowMessage(outcome.msg, outcome.named);
    }
    // A job has ended: called once per job, on the owner thread, right after it left the
    // busy state and made its last change.
    virtual void JobFinished() {}

    // Called on a worker thread, in the threaded mode only, when a job's results wait: the
    // owner should call Workspace::ApplyResults on its own thread soon (a queued call). It
    // must return at once; a worker never waits for the owner.
    virtual void ResultsWaiting() {}
};

// A view without a window, for callers that run the Workspace inline (the command-line
// tool): list, control and drawing changes are dropped. Only the two questions to the user
// are left to the caller.
class HeadlessView : public WorkspaceView {
  public:
    void FileRowInserted(int, const std::string&) override {}
    void FileRowRemoved(int) override {}
    void FileRowsCleared() override {}
    void ColorRowInserted(int) override {}
    void ColorRowRemoved(int) override {}
    void ColorRowsCleared() override {}
    void ColorListRepaint() override {}
    void HeaderTextChanged(ListId, int, const std::string&) override {}
    void ControlEnabledChanged(ControlId, bool) override {}
    void ControlTextChanged(ControlId, const std::string&) override {}
    void DrawProgress(int, int) override {}
    void SetRowSelected(ListId, int, bool) override {}
    void ClearSelections() override {}
    void ScrollToTop(ListId) override {}
    void RedrawWindow() override {}
};

// The width of the progress bar's fill inside an inner width: (step + 1) / total of it,
// rounded down, the whole width from step total - 1 on; 0 for a reset (step < 0).
[[nodiscard]] constexpr int ProgressFillWidth(int step, int total, int innerWidth) {
    if (step < 0) return 0;
    if (step >= total) return innerWidth;
    return static_cast<int>(static_cast<long long>(innerWidth) * (step + 1) / total);
}

}  // namespace tintwell
