#include "jobs/workspace.h"

#include <algorithm>
#include <utility>

#include "palette/palette_file.h"

namespace tintwell {

Workspace::Workspace(WorkspaceView& view, const Settings& settings, WorkspaceOptions options)
    : view_(view),
      paletteDir_(std::move(options.paletteDir)),
      pal256Name_(settings.pal256),
      pal16Name_(settings.pal16),
      outDir_(settings.outDir),
      runner_(options.runMode, options.scanThreads, [this] { view_.ResultsWaiting(); }) {
    settings_.mode = PaletteModeFromSetting(settings.type);
    table_.SetObserver(this);
}

Workspace::~Workspace() {
    // A job may still run (the program is told to end while busy): nothing more of it is
    // applied, and the runner joins its workers after the tasks in hand. Output files are
    // named only here on the owner, so a write under way is discarded, never half named.
    scan_.reset();
    output_.reset();
    table_.SetObserver(nullptr);
}

void Workspace::Initialise() {
    if (const Msg msg = LoadFixedPalette256(paletteDir_, pal256Name_, fixed256_); msg != Msg::None)
        ShowMessage(msg);
    if (const Msg msg = LoadFixedPalette16(paletteDir_, pal16Name_, fixed16_); msg != Msg::None)
        ShowMessage(msg);

    // The header texts before the first count is known.
    SetHeader(ListId::Files, 0, std::string(MessageText(Msg::FileListInitialHeader)));
    SetHeader(ListId::Colors, 0, std::string(MessageText(Msg::ColorListInitialHeader)));
    SetHeader(ListId::Colors, 1, std::string(MessageText(Msg::PixelCountHeader)));
    for (ControlId id : {ControlId::FileList, ControlId::ColorList, ControlId::PaletteSettings,
                         ControlId::OutputDepth, ControlId::Help}) {
        SetEnabled(id, true);
    }

    runner_.SetBusy(false);
    runner_.ClearAbort();
    ClearFileList();
    ResetColorTable();
    sortToggle_ = 0;
    mergeTarget_ = 0;
    SetEnabled(ControlId::Output, false);
    SetEnabled(ControlId::Abort, false);
    SetEnabled(ControlId::SavePalette, ColorCount() != 0);
    ApplyModeCaption();
    SetEnabled(ControlId::Merge, false);
}

void Workspace::ExportSettings(Settings& settings) const {
    settings.outDir = outDir_;
    settings.type = static_cast<int>(settings_.mode);
    settings.pal256 = pal256Name_;
    settings.pal16 = pal16Name_;
}

void Workspace::ColorRowInserted(int position) {
    view_.ColorRowInserted(position);
}
void Workspace::ColorRowAboutToBeRemoved(int position) {
    view_.ColorRowAboutToBeRemoved(position);
}
void Workspace::ColorRowsAboutToBeCleared() {
    view_.ColorRowsAboutToBeCleared();
}
void Workspace::ColorRowRemoved(int position) {
    view_.ColorRowRemoved(position);
}
void Workspace::ColorRowsCleared() {
    view_.ColorRowsCleared();
}
void Workspace::ColorCountMilestone() {
    RefreshColorList();
}
void Workspace::ColorTableFull() {
    ShowMessage(Msg::TableOverflow);
}

void Workspace::ShowMessage(Msg msg, std::string_view path) {
    view_.ShowMessage(msg, std::string(path));
}

void Workspace::ShowRefusal(const BitmapScan& scan, std::string_view path) {
    view_.RefusalDetail(scan.detail);
    ShowMessage(scan.error, path);
}

void Workspace::FinishJob() {
    view_.JobFinished();
}

void Workspace::SetEnabled(ControlId id, bool enabled) {
    const int index = ControlStates::IndexOf(id);
    if (index < 0) return;
    controls_.enabled[static_cast<std::size_t>(index)] = enabled;
    view_.ControlEnabledChanged(id, enabled);
}

void Workspace::SetText(ControlId id, const std::string& text) {
    switch (id) {
        case ControlId::PaletteSettings:
            controls_.paletteCaption = text;
            break;
        case ControlId::OutputDepth:
            controls_.depthCaption = text;
            break;
        case ControlId::StatusField:
            controls_.status = text;
            break;
        default:
            return;
    }
    view_.ControlTextChanged(id, text);
}

void Workspace::SetHeader(ListId list, int column, const std::string& text) {
    if (list == ListId::Files) {
        controls_.fileHeader = text;
    } else if (column == 0) {
        controls_.colorHeader = text;
    } else {
        controls_.pixelHeader = text;
    }
    view_.HeaderTextChanged(list, column, text);
}

void Workspace::DrawProgress(int step, int total) {
    if (step < 0) SetText(ControlId::StatusField, "");
    view_.DrawProgress(step, total);
}

void Workspace::EnterBusy(bool abortAllowed) {
    runner_.SetBusy(true);
    runner_.ClearAbort();
    for (ControlId id :
         {ControlId::DeleteFiles, ControlId::ClearAll, ControlId::PaletteSettings,
          ControlId::OutputDepth, ControlId::Merge, ControlId::Output, ControlId::Help,
          ControlId::FileList, ControlId::ColorList, ControlId::SavePalette}) {
        SetEnabled(id, false);
    }
    if (abortAllowed) SetEnabled(ControlId::Abort, true);
}

void Workspace::LeaveBusy() {
    runner_.SetBusy(false);
    runner_.ClearAbort();
    if (FileCount() != 0) SetEnabled(ControlId::ClearAll, true);
    SetEnabled(ControlId::PaletteSettings, true);
    SetEnabled(ControlId::OutputDepth, true);
    SetEnabled(ControlId::Output, OutputRuleHolds());
    SetEnabled(ControlId::Help, true);
    SetEnabled(ControlId::FileList, true);
    SetEnabled(ControlId::ColorList, true);
    SetEnabled(ControlId::SavePalette, ColorCount() != 0);
    SetEnabled(ControlId::Abort, false);
    ClearSelections();
    view_.RedrawWindow();
}

void Workspace::ClearSelections() {
    view_.ClearSelections();
    SetText(ControlId::StatusField, "");
    SetEnabled(ControlId::Merge, false);
}

void Workspace::AnswerAbortAndGoOn() {
    if (runner_.TakeAbort()) ShowMessage(Msg::CannotAbort);
}

bool Workspace::OutputRuleHolds() const {
    return FileCount() > 0 && ColorCount() > 0 && ColorCount() <= settings_.outputDepth;
}

void Workspace::RefreshColorList() {
    SetHeader(ListId::Colors, 0, FormatNumbers(Msg::ColorListHeading, {ColorCount()}));
    SetEnabled(ControlId::Output, !Busy() && OutputRuleHolds());
}

void Workspace::ResetColorTable() {
    table_.Clear();
    // The fixed palette is read again from its file each time, so a palette saved since
    // the last reset takes effect now.
    if (settings_.mode == PaletteMode::Fixed256) {
        if (const Msg msg = LoadFixedPalette256(paletteDir_, pal256Name_, fixed256_);
            msg != Msg::None) {
            ShowMessage(msg);
        }
        table_.FillFixedPalette(fixed256_);
    } else if (settings_.mode == PaletteMode::Fixed16) {
        if (const Msg msg = LoadFixedPalette16(paletteDir_, pal16Name_, fixed16_);
            msg != Msg::None) {
            ShowMessage(msg);
        }
        table_.FillFixedPalette(fixed16_);
    }
    RefreshColorList();
    SetText(ControlId::StatusField, "");
    SetEnabled(ControlId::Merge, false);
}

void Workspace::ApplyModeCaption() {
    if (settings_.mode == PaletteMode::Fixed256) settings_.outputDepth = 256;
    if (settings_.mode == PaletteMode::Fixed16) settings_.outputDepth = 16;
    SetText(ControlId::PaletteSettings, ModeCaption(settings_));
    SetText(ControlId::OutputDepth, std::to_string(settings_.outputDepth));
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
    ReanalyseJob(files_.Paths());
    return true;
}

void Workspace::OnToggleOutputDepth() {
    if (Busy()) return;
    settings_.outputDepth = settings_.outputDepth == 16 ? 256 : 16;
    SetText(ControlId::OutputDepth, std::to_string(settings_.outputDepth));
    SetEnabled(ControlId::Output, OutputRuleHolds());
}

void Workspace::OnAbort() noexcept {
    runner_.RequestAbort();
}

void Workspace::WaitIdle() {
    runner_.WaitIdle();
}

}  // namespace tintwell
