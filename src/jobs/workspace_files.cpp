#include <algorithm>
#include <utility>

#include "jobs/add_files_job.h"
#include "jobs/workspace.h"

namespace tintwell {

bool Workspace::OnDropFiles(std::vector<std::string> paths) {
    if (Busy()) return false;
    StartJob(AddFilesJob::Add(context_, paths));
    return true;
}

bool Workspace::OnDeleteFiles(const std::vector<int>& selectedRows) {
    if (Busy()) return false;
    // The marks: every selected row that exists, each once, in ascending order.
    std::vector<int> rows;
    for (int row : selectedRows) {
        if (row >= 0 && row < FileCount()) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    view_.ScrollToTop(ListId::Files);
    view_.ScrollToTop(ListId::Colors);
    DeleteFilesJob(rows);
    return true;
}

void Workspace::DeleteFilesJob(const std::vector<int>& rows) {
    const int total = static_cast<int>(rows.size());
    controls_.EnterBusy(true);
    controls_.DrawProgress(-1, total);
    // From the highest row down, so the rows still to be deleted keep their positions.
    int step = 0;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        // Leaving the busy state clears the flag.
        if (runner_.AbortRequested()) break;
        controls_.DrawProgress(step++, total);
        if (FileCount() == 1) {
            rows_.Clear();
            ResetColorTable();
            break;
        }
        RemoveFile(*row);
    }
    controls_.LeaveBusy();
    view_.JobFinished();
}

void Workspace::RemoveFile(int position) {
    const FileRecord& record = files_.At(position);
    for (int k = kFileIndexCount - 1; k >= 0; --k) {
        if (record.indexCounts[k] == 0) continue;
        const int slot = record.indexMap[k];
        ColorSlot& entry = table_.Slot(slot);
        entry.pixelCount -= record.indexCounts[k];
        // Fixed palettes keep every color; in RgbBits mode a color without pixels is gone.
        if (settings_.mode == PaletteMode::RgbBits && entry.pixelCount == 0) {
            const int row = table_.PositionOf(slot);
            if (row >= 0) table_.RemoveAt(row);
        }
    }
    rows_.Remove(position);
    controls_.RefreshColorList();
}

void Workspace::OnClearAll() {
    if (Busy()) return;
    rows_.Clear();
    ResetColorTable();
}

void Workspace::OnFileListClick(int selectedCount) {
    if (Busy()) return;
    controls_.SetEnabled(ControlId::DeleteFiles, selectedCount > 0);
}

}  // namespace tintwell
