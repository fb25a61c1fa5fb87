#include "jobs/workspace.h"

#include <algorithm>
#include <utility>

#include "jobs/add_files_job.h"
#include "jobs/file_paths.h"
#include "jobs/output_job.h"
#include "palette/palette_file.h"

namespace tintwell {

Workspace::Workspace(WorkspaceView& view, const Settings& settings, WorkspaceOptions options)
    : view_(view),
      // Qt names folders with '/' on every system and files are joined with the system's
      // separator: a path shown to the user spells one kind.
      paletteDir_(std::move(options.paletteDir.make_preferred())),
      pal256Name_(settings.pal256),
      pal16Name_(settings.pal16),
      outDir_(settings.outDir),
      controls_(view, runner_, files_, table_, settings_),
      rows_(files_, view, controls_),
      context_{view, runner_, controls_, rows_, files_, table_, settings_},
      runner_(options.runMode, options.scanThreads, [this] { view_.ResultsWaiting(); }) {
    settings_.mode = PaletteModeFromSetting(settings.type);
    table_.SetObserver(&controls_);
}

Workspace::~Workspace() {
    // A job may still run (the program is told to end while busy): nothing more of it is
    // applied, and the runner joins its workers after the tasks in hand. Output files are
    // named only here on the owner, so a write under way is discarded, never half named.
    job_.reset();
    table_.SetObserver(nullptr);
}

void Workspace::Initialise() {
    LoadFixedPalette(true);
    LoadFixedPalette(false);

    // The header texts before the first count is known.
    controls_.SetHeader(ListId::Files, 0, std::string(MessageText(Msg::FileListInitialHeader)));
    controls_.SetHeader(ListId::Colors, 0, std::string(MessageText(Msg::ColorListInitialHeader)));
    controls_.SetHeader(ListId::Colors, 1, std::string(MessageText(Msg::PixelCountHeader)));
    for (ControlId id : {ControlId::FileList, ControlId::ColorList, ControlId::PaletteSettings,
                         ControlId::OutputDepth, ControlId::Help}) {
        controls_.SetEnabled(id, true);
    }

    runner_.SetBusy(false);
    runner_.ClearAbort();
    rows_.Clear();
    ResetColorTable();
    sortToggle_ = 0;
    mergeTarget_ = 0;
    controls_.SetEnabled(ControlId::Output, false);
    controls_.SetEnabled(ControlId::Abort, false);
    controls_.SetEnabled(ControlId::SavePalette, ColorCount() != 0);
    ApplyModeCaption();
    controls_.SetEnabled(ControlId::Merge, false);
}

void Workspace::ExportSettings(Settings& settings) const {
    settings.outDir = outDir_;
    settings.type = static_cast<int>(settings_.mode);
    settings.pal256 = pal256Name_;
    settings.pal16 = pal16Name_;
}

void Workspace::LoadFixedPalette(bool fixed256) {
    std::string& name = fixed256 ? pal256Name_ : pal16Name_;
    // The file's path before a refusal clears the name.
    const std::string path =
        name.empty() ? std::string() : Utf8FromPath(PaletteFilePath(paletteDir_, name));
    std::string why;
    const Msg msg = fixed256 ? LoadFixedPalette256(paletteDir_, name, fixed256_, &why)
                             : LoadFixedPalette16(paletteDir_, name, fixed16_, &why);
    if (msg == Msg::None) return;
    view_.RefusalDetail(why);
    view_.ShowMessage(msg, path);
}

void Workspace::ResetColorTable() {
    table_.Clear();
    // The fixed palette is read again from its file each time, so a palette saved since
    // the last reset takes effect now.
    if (settings_.mode == PaletteMode::Fixed256) {
        LoadFixedPalette(true);
        table_.FillFixedPalette(fixed256_);
    } else if (settings_.mode == PaletteMode::Fixed16) {
        LoadFixedPalette(false);
        table_.FillFixedPalette(fixed16_);
    }
    controls_.RefreshColorList();
    controls_.SetText(ControlId::StatusField, "");
    controls_.SetEnabled(ControlId::Merge, false);
}

void Workspace::ApplyModeCaption() {
    if (settings_.mode == PaletteMode::Fixed256) settings_.outputDepth = 256;
    if (settings_.mode == PaletteMode::Fixed16) settings_.outputDepth = 16;
    controls_.SetText(ControlId::PaletteSettings, ModeCaption(settings_));
    controls_.SetText(ControlId::OutputDepth, std::to_string(settings_.outputDepth));
}

bool Workspace::OnPaletteSettings(const PaletteChoice& choice) {
    if (Busy()) return false;
    settings_.bits = {std::clamp(choice.bits.red, 1, 8), std::clamp(choice.bits.green, 1, 8),
                      std::clamp(choice.bits.blue, 1, 8)};
    settings_.mask = MaskFor(settings_.bits);
    settings_.mode = choice.mode;
    if (choice.mode == PaletteMode::Fixed256) pal256Name_ = choice.pal256Name;
    if (choice.mode == PaletteMode::Fixed16) pal16Name_ = choice.pal16Name;
    ApplyModeCaption();
    ResetColorTable();
    StartJob(AddFilesJob::Reanalyse(context_));
    return true;
}

void Workspace::OnToggleOutputDepth() {
    if (Busy()) return;
    settings_.outputDepth = settings_.outputDepth == 16 ? 256 : 16;
    controls_.SetText(ControlId::OutputDepth, std::to_string(settings_.outputDepth));
    controls_.SetEnabled(ControlId::Output, controls_.OutputRuleHolds());
}

OutputStart Workspace::OnOutput(const std::string& directoryText) {
    if (Busy()) return OutputStart::Busy;
    if (directoryText.empty()) {
        view_.ShowMessage(Msg::OutputInternalError, {});
        return OutputStart::NoDirectory;
    }
    // The writer needs 1 <= colors <= depth; the window's button already keeps to it.
    if (FileCount() > 0 && !controls_.OutputRuleHolds()) return OutputStart::ColorsDoNotFit;
    outDir_ = directoryText;
    StartJob(std::make_unique<OutputJob>(context_, outDir_, outputFormat_));
    return OutputStart::Started;
}

void Workspace::OnAbort() noexcept {
    runner_.RequestAbort();
}

void Workspace::WaitIdle() {
    runner_.WaitIdle();
}

void Workspace::StartJob(std::unique_ptr<Job> job) {
    job_ = std::move(job);
    job_->Start();
    if (runner_.IsInline()) {
        ApplyResults();
        while (job_ && runner_.WaitForResults())
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
        for (JobResult& result : runner_.TakeResults()) {
            if (job_) job_->Store(result);
        }
        AdvanceJob();
    } while (missedResults_);
    applying_ = false;
}

void Workspace::AdvanceJob() {
    if (!job_ || !job_->Advance()) return;
    job_.reset();
    view_.JobFinished();
}

}  // namespace tintwell
