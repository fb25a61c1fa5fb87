#include <algorithm>
#include <array>
#include <utility>

#include "jobs/dropped_items.h"
#include "jobs/file_paths.h"
#include "jobs/scan_pipeline.h"
#include "jobs/workspace.h"

namespace tintwell {

bool Workspace::OnDropFiles(std::vector<std::string> paths) {
    if (Busy()) return false;
    return runner_.Start([this, paths = std::move(paths)] { AddFilesJob(paths); });
}

void Workspace::AddFilesJob(const std::vector<std::string>& dropped) {
    // A folder stands for the bitmaps inside it. The limit counts every item after that,
    // other files too.
    const std::vector<std::string> paths = ExpandFolders(dropped);
    int total = static_cast<int>(paths.size());
    TrueColorRule rule;
    const bool started = OnOwner([&] {
        EnterBusy(true);
        rule = TrueColorRuleFor(settings_, table_);
        if (FileCount() + total > kMaxFiles) {
            ShowMessage(Msg::TooManyFiles);
            total = 0;
        }
        DrawProgress(-1, total);
    });
    if (!started) return;

    if (total > 0) {
        // Only what can be a listed file is read; the rest is skipped on the owner thread.
        const auto want = [&paths](std::size_t i) {
            return HasBmpExtension(paths[i]) && !IsPathTooLong(paths[i]);
        };
        const auto deliver = [&](std::size_t i, const FileScan& scan) {
            bool more = false;
            OnOwner([&] { more = AddDroppedFile(i, total, paths[i], scan); });
            return more;
        };
        ScanInOrder(paths, scanThreads_, want, deliver, rule);
    }

    OnOwner([&] {
        LeaveBusy();
        RefreshColorList();
        FinishJob();
    });
}

bool Workspace::AddDroppedFile(std::size_t item, int total, const std::string& path,
                               const FileScan& scan) {
    DrawProgress(static_cast<int>(item), total);
    if (runner_.TakeAbort()) return false;
    if (FileCount() >= kMaxFiles) {
        ShowMessage(Msg::TooManyFiles);
        return false;
    }
    if (!HasBmpExtension(path)) return true;
    // A path the system cannot take whole is refused rather than cut short.
    if (IsPathTooLong(path)) {
        ShowMessage(Msg::PathTooLong, path);
        return true;
    }
    const std::string_view baseName = BaseNamePart(path);
    if (files_.ContainsBaseName(baseName)) return true;
    if (scan.error != Msg::None) {
        ShowRefusal(scan, path);
        return true;
    }

    FileRecord record;
    record.path = path;
    record.analysed = scan.fingerprint;
    record.rule = scan.rule;
    record.format = scan.format;
    MapScan(scan, settings_, table_, record.indexMap, record.indexCounts);
    const int position = files_.InsertFileRecord(std::move(record));
    view_.FileRowInserted(position, std::string(baseName));
    UpdateFileListHeader();
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
    return runner_.Start([this, rows = std::move(rows)] { DeleteFilesJob(rows); });
}

void Workspace::DeleteFilesJob(const std::vector<int>& rows) {
    const int total = static_cast<int>(rows.size());
    OnOwner([&] {
        EnterBusy(true);
        DrawProgress(-1, total);
    });
    // From the highest row down, so the rows still to be deleted keep their positions.
    int step = 0;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        bool stop = false;
        const bool ran = OnOwner([&] {
            // Leaving the busy state clears the flag.
            if (runner_.AbortRequested()) {
                stop = true;
                return;
            }
            DrawProgress(step++, total);
            if (FileCount() == 1) {
                ClearFileList();
                ResetColorTable();
                stop = true;
                return;
            }
            RemoveFile(*row);
        });
        if (stop || !ran) break;
    }
    OnOwner([&] {
        LeaveBusy();
        FinishJob();
    });
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
    view_.FileRowAboutToBeRemoved(position);
    files_.RemoveAt(position);
    view_.FileRowRemoved(position);
    UpdateFileListHeader();
    RefreshColorList();
}

void Workspace::DropFileRecord(int position) {
    view_.FileRowAboutToBeRemoved(position);
    files_.RemoveAt(position);
    view_.FileRowRemoved(position);
    UpdateFileListHeader();
    if (files_.Empty()) ClearFileList();
}

void Workspace::OnClearAll() {
    if (Busy()) return;
    ClearFileList();
    ResetColorTable();
}

void Workspace::ClearFileList() {
    view_.FileRowsAboutToBeCleared();
    files_.Clear();
    view_.FileRowsCleared();
    UpdateFileListHeader();
    SetEnabled(ControlId::DeleteFiles, false);
    SetEnabled(ControlId::ClearAll, false);
    SetEnabled(ControlId::Output, false);
}

void Workspace::UpdateFileListHeader() {
    SetHeader(ListId::Files, 0, FormatNumbers(Msg::FileListHeading, {FileCount()}));
}

void Workspace::OnFileListClick(int selectedCount) {
    if (Busy()) return;
    SetEnabled(ControlId::DeleteFiles, selectedCount > 0);
}

void Workspace::ReanalyseJob(const std::vector<std::string>& paths) {
    const int total = static_cast<int>(paths.size());
    TrueColorRule rule;
    OnOwner([&] {
        EnterBusy(false);
        rule = TrueColorRuleFor(settings_, table_);
        DrawProgress(-1, total);
    });

    // A file that fails now still holds a map into the table as it was before the reset;
    // removing or writing it later would corrupt counts and colors, so it leaves the list.
    int removed = 0;
    const auto want = [](std::size_t) { return true; };
    const auto deliver = [&](std::size_t i, const FileScan& scan) {
        return OnOwner([&] {
            DrawProgress(static_cast<int>(i), total);
            AnswerAbortAndGoOn();
            const int position = static_cast<int>(i) - removed;
            FileRecord& record = files_.At(position);
            if (scan.error != Msg::None) {
                ShowRefusal(scan, record.path);
                DropFileRecord(position);
                ++removed;
                return;
            }
            record.indexMap = {};
            record.indexCounts = {};
            record.analysed = scan.fingerprint;
            record.rule = scan.rule;
            record.format = scan.format;
            MapScan(scan, settings_, table_, record.indexMap, record.indexCounts);
        });
    };
    ScanInOrder(paths, scanThreads_, want, deliver, rule);

    OnOwner([&] {
        LeaveBusy();
        RefreshColorList();
        FinishJob();
    });
}

}  // namespace tintwell
