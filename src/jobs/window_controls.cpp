#include "jobs/window_controls.h"

#include <utility>

namespace tintwell {

void WindowControls::SetEnabled(ControlId id, bool enabled) {
    const int index = ControlStates::IndexOf(id);
    if (index < 0) return;
    state_.enabled[static_cast<std::size_t>(index)] = enabled;
    view_.ControlEnabledChanged(id, enabled);
}

void WindowControls::SetText(ControlId id, const std::string& text) {
    switch (id) {
        case ControlId::PaletteSettings:
            state_.paletteCaption = text;
            break;
        case ControlId::OutputDepth:
            state_.depthCaption = text;
            break;
        case ControlId::StatusField:
            state_.status = text;
            break;
        default:
            return;
    }
    view_.ControlTextChanged(id, text);
}

void WindowControls::SetHeader(ListId list, int column, const std::string& text) {
    if (list == ListId::Files) {
        state_.fileHeader = text;
    } else if (column == 0) {
        state_.colorHeader = text;
    } else {
        state_.pixelHeader = text;
    }
    view_.HeaderTextChanged(list, column, text);
}

void WindowControls::DrawProgress(int step, int total) {
    if (step < 0) SetText(ControlId::StatusField, "");
    view_.DrawProgress(step, total);
}

void WindowControls::EnterBusy(bool abortAllowed) {
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

void WindowControls::LeaveBusy() {
    runner_.SetBusy(false);
    runner_.ClearAbort();
    if (!files_.Empty()) SetEnabled(ControlId::ClearAll, true);
    SetEnabled(ControlId::PaletteSettings, true);
    SetEnabled(ControlId::OutputDepth, true);
    SetEnabled(ControlId::Output, OutputRuleHolds());
    SetEnabled(ControlId::Help, true);
    SetEnabled(ControlId::FileList, true);
    SetEnabled(ControlId::ColorList, true);
    SetEnabled(ControlId::SavePalette, table_.ColorCount() != 0);
    SetEnabled(ControlId::Abort, false);
    ClearSelections();
    view_.RedrawWindow();
}

void WindowControls::ClearSelections() {
    view_.ClearSelections();
    SetText(ControlId::StatusField, "");
    SetEnabled(ControlId::Merge, false);
}

void WindowControls::AnswerAbortAndGoOn() {
    if (runner_.TakeAbort()) view_.ShowMessage(Msg::CannotAbort, {});
}

bool WindowControls::OutputRuleHolds() const {
    const int colors = table_.ColorCount();
    return !files_.Empty() && colors > 0 && colors <= settings_.outputDepth;
}

void WindowControls::RefreshColorList() {
    SetHeader(ListId::Colors, 0, FormatNumbers(Msg::ColorListHeading, {table_.ColorCount()}));
    SetEnabled(ControlId::Output, !runner_.Busy() && OutputRuleHolds());
}

void WindowControls::UpdateFileListHeader() {
    SetHeader(ListId::Files, 0, FormatNumbers(Msg::FileListHeading, {files_.Count()}));
}

int FileRows::Insert(FileRecord record) {
    const bool mixed = files_.MixesFormats();
    const int position = files_.InsertFileRecord(std::move(record));
    view_.FileRowInserted(position, files_.RowText(position));
    ShowRowTexts(mixed);
    controls_.UpdateFileListHeader();
    return position;
}

void FileRows::Remove(int position) {
    const bool mixed = files_.MixesFormats();
    view_.FileRowAboutToBeRemoved(position);
    files_.RemoveAt(position);
    view_.FileRowRemoved(position);
    ShowRowTexts(mixed);
    controls_.UpdateFileListHeader();
}

void FileRows::Clear() {
    view_.FileRowsAboutToBeCleared();
    files_.Clear();
    view_.FileRowsCleared();
    controls_.UpdateFileListHeader();
    controls_.SetEnabled(ControlId::DeleteFiles, false);
    controls_.SetEnabled(ControlId::ClearAll, false);
    controls_.SetEnabled(ControlId::Output, false);
}

void FileRows::ShowRowTexts(bool mixedBefore) {
    if (files_.MixesFormats() == mixedBefore) return;
    for (int row = 0; row < files_.Count(); ++row)
        view_.FileRowTextChanged(row, files_.RowText(row));
}

}  // namespace tintwell
