#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bitmap/analyser.h"
#include "jobs/color_edit_session.h"
#include "jobs/control_state.h"
#include "jobs/file_list.h"
#include "jobs/job_runner.h"
#include "jobs/job_state.h"
#include "jobs/palette_choice.h"
#include "jobs/palette_save.h"
#include "jobs/settings.h"
#include "jobs/window_controls.h"
#include "jobs/workspace_view.h"
#include "palette/color_table.h"
#include "palette/fixed_palettes.h"
#include "palette/palette_settings.h"
#include "resources/string_table.h"

namespace tintwell {

struct WorkspaceOptions {
    // Where palette files are read and saved.
    std::filesystem::path paletteDir;
    RunMode runMode = RunMode::Threaded;
    // Workers that read and write files while the owner applies their results in order.
    unsigned scanThreads = 2;
};

// Rows selected in a list, ascending, and the focused row (-1: none).
struct Selection {
    std::vector<int> rows;
    int focus = -1;
};

// What OnOutput did.
enum class OutputStart {
    Started,
    Busy,            // a job runs: nothing happened
    NoDirectory,     // the folder text was empty: the internal error was shown
    ColorsDoNotFit,  // files listed but no colors, or more colors than OutputDepth
};

// All working state of a run and one operation per command of the main window: the file
// list, the color table, the palette settings, the output folder and the state of every
// control. The state is touched on the owner thread only. A job (jobs/add_files_job.h,
// jobs/output_job.h) hands its slow part to the runner's workers as functions that return
// values; ApplyResults hands each value to the job that asked for it, which applies it in list
// order, so nothing here needs a lock and no worker waits for the owner.
//
// Commands do nothing while a job runs. Commands that need a list's selection take it as a
// Selection; those that move it return where it went.
class Workspace final {
  public:
    Workspace(WorkspaceView& view, const Settings& settings, WorkspaceOptions options);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Start-up, after the settings are read: loads both fixed palettes (each may show its
    // message once and clear its name), then sets up the lists and controls.
    void Initialise();
    // Puts the values kept between runs (OutDir, Type, Pal256, Pal16) into `settings`.
    void ExportSettings(Settings& settings) const;

    // Files were dropped: starts AddFilesJob. False when busy.
    bool OnDropFiles(std::vector<std::string> paths);
    // Button 1005: deletes the selected rows' files. False when busy.
    bool OnDeleteFiles(const std::vector<int>& selectedRows);
    // Button 1006: empties the file list and resets the color table.
    void OnClearAll();
    // A click in the file list: button 1005 follows whether any row is selected.
    void OnFileListClick(int selectedCount);

    // OK of the palette settings dialog: applies the choice, resets the table and reads
    // every listed file again. False when busy.
    bool OnPaletteSettings(const PaletteChoice& choice);
    // Button 1025: OutputDepth 256 <-> 16.
    void OnToggleOutputDepth();

    // A click on color list column 0 (color distance) or 1 (pixel count). Returns the
    // selection and focus after a sort, nothing when nothing was sorted.
    std::optional<Selection> OnColorColumnClick(int column, const Selection& selection);
    // A click in the color list: the merge status and button.
    void OnColorListClick(const Selection& selection);
    // Button 1020: merges the selected colors into the focused row, here and to its end.
    // False when it did not run; refused without a word outside the bit-reduction mode.
    bool OnMerge(const Selection& selection);
    // A double click in the color list: the color edit session on the focused row.
    std::optional<ColorEditSession> OnColorListDblClk(const Selection& selection);

    // Button 1009 after the folder dialog: stores the folder and starts OutputJob.
    OutputStart OnOutput(const std::string& directoryText);
    // Button 1011 after the save dialog: writes the palette file of the output depth in the
    // palette folder. True when a file was written.
    bool OnSavePalette(PaletteSaveChoice choice, std::string_view name);
    // Writes the common palette to `path` (768 bytes, atomically) without any message:
    // Msg::None, PathTooLong, CannotCreate or WriteError. Without `replace` whatever stands
    // at `path` when the file is named is left alone (CannotCreate).
    [[nodiscard]] Msg WritePaletteFile(const std::filesystem::path& path,
                                       bool replace = true) const;

    // Button 1010: asks the running job to stop at its next poll. It only sets a lock-free
    // atomic flag, so any thread and a signal handler may call it.
    void OnAbort() noexcept;
    // Hands the results the workers handed back to the job that asked for them and takes the
    // job on: the window calls it when the view's ResultsWaiting asked for it. Inline runs
    // call it themselves.
    void ApplyResults();
    // Waits until no worker has a task in hand, such as a write discarded by an end of the
    // job (the workers never wait for the owner, so this ends).
    void WaitIdle();

    // The state, for the window to draw and for tests; owner thread only.
    [[nodiscard]] bool Busy() const { return runner_.Busy(); }
    [[nodiscard]] int FileCount() const { return files_.Count(); }
    [[nodiscard]] int ColorCount() const { return table_.ColorCount(); }
    [[nodiscard]] const FileList& Files() const { return files_; }
    [[nodiscard]] const ColorTable& Table() const { return table_; }
    [[nodiscard]] const PaletteSettings& Palette() const { return settings_; }
    // The color that pixels with alpha 0 take in the files read from now on; files already
    // listed keep theirs until they are read again.
    void SetKeyColor(Rgb color) { settings_.keyColor = color; }
    // The format every output is written in; nothing (the default, and the window's) keeps
    // each file's own.
    void SetOutputFormat(std::optional<ImageFormat> format) { outputFormat_ = format; }
    [[nodiscard]] const ControlStates& Controls() const { return controls_.State(); }
    [[nodiscard]] const std::string& OutDir() const { return outDir_; }
    [[nodiscard]] const std::string& Pal256Name() const { return pal256Name_; }
    [[nodiscard]] const std::string& Pal16Name() const { return pal16Name_; }
    [[nodiscard]] const std::filesystem::path& PaletteDir() const { return paletteDir_; }
    [[nodiscard]] int SortToggle() const { return sortToggle_; }
    [[nodiscard]] int MergeTarget() const { return mergeTarget_; }

  private:
    // Loads the fixed palette of 256 or 16 colors from its file; a file refused is named in
    // its message, with the reason.
    void LoadFixedPalette(bool fixed256);
    void ResetColorTable();
    void ApplyModeCaption();
    // Takes the file's pixels out of the table and removes its record and row.
    void RemoveFile(int position);
    // Deleting files and merging colors run here as a whole: a pass over a few maps each,
    // far quicker than a hand-over to the workers.
    void DeleteFilesJob(const std::vector<int>& rows);
    void MergeJob(const std::vector<int>& rows);
    // Starts a job. Inline: applies results until it has ended. Threaded: applies what needs
    // no worker; the workers' results wait for the next ApplyResults.
    void StartJob(std::unique_ptr<Job> job);
    // Takes the job on; when it has ended, the view hears so.
    void AdvanceJob();

    WorkspaceView& view_;
    std::filesystem::path paletteDir_;
    PaletteSettings settings_;
    std::string pal256Name_;
    std::string pal16Name_;
    FixedPalette256 fixed256_{};
    FixedPalette16 fixed16_{};
    FileList files_;
    ColorTable table_;
    int sortToggle_ = 0;
    int mergeTarget_ = 0;
    std::string outDir_;
    std::optional<ImageFormat> outputFormat_;
    WindowControls controls_;
    FileRows rows_;
    JobContext context_;
    // The job in progress, if it waits for results.
    std::unique_ptr<Job> job_;
    // Set while results are applied: a message box's event loop may call ApplyResults
    // again, which then leaves the results to the call already under way.
    bool applying_ = false;
    bool missedResults_ = false;  // such a call came while results were applied
    // Last, so its destructor joins the workers while everything else still exists.
    JobRunner runner_;
};

}  // namespace tintwell
