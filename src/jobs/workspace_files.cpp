#include <algorithm>
#include <utility>

#include "jobs/dropped_items.h"
#include "jobs/file_paths.h"
#include "jobs/scan_file.h"
#include "jobs/workspace.h"

namespace tintwell {

bool Workspace::OnDropFiles(std::vector<std::string> paths) {
    if (Busy()) return false;
    AddFilesJob(paths);
    return true;
}

void Workspace::AddFilesJob(const std::vector<std::string>& dropped) {
    EnterBusy(true);
    // A folder stands for the bitmaps inside it. The limit counts every item after that,
    // other files too.
    std::vector<std::string> paths = ExpandFolders(dropped);
    int total = static_cast<int>(paths.size());
    if (FileCount() + total > kMaxFiles) {
        ShowMessage(Msg::TooManyFiles);
        total = 0;
        paths.clear();
    }
    DrawProgress(-1, total);
    // Only what can be a listed file is read; the rest is skipped on the owner thread.
    std::vector<bool> wanted;
    for (const std::string& path : paths)
        wanted.push_back(ImageFormatOfExtension(path) && !IsPathTooLong(path));
    StartScans(ScanRun{ScanRun::Kind::Add, std::move(paths), {}, 0, total, 0}, wanted);
}

void Workspace::StartScans(ScanRun run, const std::vector<bool>& wanted) {
    runner_.NewJob();
    scan_ = std::make_unique<ScanRun>(std::move(run));
    scan_->scans.resize(scan_->paths.size());
    // Every file of the job numbers its true-color pixels by the settings and table it
    // starts with.
    const TrueColorRule rule = TrueColorRuleFor(settings_, table_);
    for (std::size_t i = 0; i < scan_->paths.size(); ++i) {
        if (!wanted[i]) {
            scan_->scans[i] = FileScan{};
            continue;
        }
        runner_.Submit([i, path = scan_->paths[i], rule] {
            return JobResult(ScanResult{i, ScanFile(path, rule)});
        });
    }
    RunJob();
}

void Workspace::AdvanceScans() {
    while (scan_ && scan_->next < scan_->scans.size() && scan_->scans[scan_->next]) {
        const std::size_t i = scan_->next++;
        const FileScan scan = std::move(*scan_->scans[i]);
        scan_->scans[i].reset();
        if (scan_->kind == ScanRun::Kind::Reanalyse) {
            ReanalyseFile(i, scan);
        } else if (!AddDroppedFile(i, scan_->total, scan_->paths[i], scan)) {
            // The files in hand are finished by the workers; their scans are dropped.
            runner_.DropPending();
            EndScans();
            return;
        }
    }
    if (scan_ && scan_->next == scan_->scans.size()) EndScans();
}

void Workspace::EndScans() {
    scan_.reset();
    LeaveBusy();
    RefreshColorList();
    FinishJob();
}

bool Workspace::AddDroppedFile(std::size_t item, int total, const std::string& path,
                               const FileScan& scan) {
    DrawProgress(static_cast<int>(item), total);
    if (runner_.TakeAbort()) return false;
    if (FileCount() >= kMaxFiles) {
        ShowMessage(Msg::TooManyFiles);
        return false;
    }
    if (!ImageFormatOfExtension(path)) return true;
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
    record.fileFormat = scan.fileFormat;
    MapScan(scan, settings_, table_, record.indexMap, record.indexCounts);
    const bool mixed = files_.MixesFormats();
    const int position = files_.InsertFileRecord(std::move(record));
    view_.FileRowInserted(position, files_.RowText(position));
    ShowFileRowTexts(mixed);
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
    // Removing a file is a pass over its 256 indices: no slow part, so it runs here.
    DeleteFilesJob(rows);
    return true;
}

void Workspace::DeleteFilesJob(const std::vector<int>& rows) {
    const int total = static_cast<int>(rows.size());
    EnterBusy(true);
    DrawProgress(-1, total);
    // From the highest row down, so the rows still to be deleted keep their positions.
    int step = 0;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        // Leaving the busy state clears the flag.
        if (runner_.AbortRequested()) break;
        DrawProgress(step++, total);
        if (FileCount() == 1) {
            ClearFileList();
            ResetColorTable();
            break;
        }
        RemoveFile(*row);
    }
    LeaveBusy();
    FinishJob();
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
    RemoveFileRow(position);
    RefreshColorList();
}

void Workspace::RemoveFileRow(int position) {
    const bool mixed = files_.MixesFormats();
    view_.FileRowAboutToBeRemoved(position);
    files_.RemoveAt(position);
    view_.FileRowRemoved(position);
    ShowFileRowTexts(mixed);
    UpdateFileListHeader();
}

// The rows show whole file names while the list mixes formats: when that begins or ends,
// every row's text changes.
void Workspace::ShowFileRowTexts(bool mixedBefore) {
    if (files_.MixesFormats() == mixedBefore) return;
    for (int row = 0; row < files_.Count(); ++row)
        view_.FileRowTextChanged(row, files_.RowText(row));
}

void Workspace::DropFileRecord(int position) {
    RemoveFileRow(position);
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

void Workspace::ReanalyseJob(std::vector<std::string> paths) {
    const int total = static_cast<int>(paths.size());
    EnterBusy(false);
    DrawProgress(-1, total);
    const std::vector<bool> wanted(paths.size(), true);
    StartScans(ScanRun{ScanRun::Kind::Reanalyse, std::move(paths), {}, 0, total, 0}, wanted);
}

// A file that fails now still holds a map into the table as it was before the reset;
// removing or writing it later would corrupt counts and colors, so it leaves the list.
void Workspace::ReanalyseFile(std::size_t item, const FileScan& scan) {
    DrawProgress(static_cast<int>(item), scan_->total);
    AnswerAbortAndGoOn();
    const int position = static_cast<int>(item) - scan_->removed;
    FileRecord& record = files_.At(position);
    if (scan.error != Msg::None) {
        ShowRefusal(scan, record.path);
        DropFileRecord(position);
        ++scan_->removed;
        return;
    }
    record.indexMap = {};
    record.indexCounts = {};
    record.analysed = scan.fingerprint;
    record.rule = scan.rule;
    record.format = scan.format;
    record.fileFormat = scan.fileFormat;
    MapScan(scan, settings_, table_, record.indexMap, record.indexCounts);
}

}  // namespace tintwell
