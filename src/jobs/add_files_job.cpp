#include "jobs/add_files_job.h"

#include <algorithm>
#include <memory>
#include <type_traits>
#include <utility>
#include <variant>

#include "bitmap/analyser.h"
#include "jobs/file_paths.h"
#include "jobs/window_controls.h"

namespace tintwell {
namespace {

// What the command-line tool prints for a skipped item, after its path.
std::string SkipText(SkipReason reason) {
    switch (reason) {
        case SkipReason::NotImage:
            return "skipped, not a .bmp or .png file";
        case SkipReason::SameName:
            return "skipped, a file of the same name is already listed";
        case SkipReason::SameFile:
            return "skipped, the file is already listed";
        case SkipReason::None:
            break;
    }
    return {};
}

}  // namespace

void FillRecord(FileRecord& record, const FileScan& scan) {
    record.indexMap = {};
    record.indexCounts = {};
    record.analysed = scan.fingerprint;
    record.rule = scan.rule;
    record.format = scan.format;
    record.fileFormat = scan.fileFormat;
}

std::unique_ptr<AddFilesJob> AddFilesJob::Add(JobContext& context,
                                              const std::vector<std::string>& dropped) {
    std::unique_ptr<AddFilesJob> job(new AddFilesJob(context, Kind::Add));
    job->c_.controls.EnterBusy(true);
    // The limit counts every item once folders are expanded, those to be skipped too.
    job->items_ = ExpandFolders(dropped);
    job->total_ = static_cast<int>(job->items_.size());
    if (context.files.Count() + job->total_ > kMaxFiles) {
        context.view.ShowMessage(Msg::TooManyFiles, {});
        job->items_.clear();
        job->total_ = 0;
    }
    return job;
}

std::unique_ptr<AddFilesJob> AddFilesJob::Reanalyse(JobContext& context) {
    std::unique_ptr<AddFilesJob> job(new AddFilesJob(context, Kind::Reanalyse));
    job->c_.controls.EnterBusy(false);
    for (const std::string& path : context.files.Paths())
        job->items_.push_back({path, Msg::None, {}});
    job->total_ = static_cast<int>(job->items_.size());
    return job;
}

bool AddFilesJob::Wanted(const DroppedItem& item) const {
    if (kind_ == Kind::Reanalyse) return true;
    return item.refusal == Msg::None && ImageFormatOfExtension(item.path) &&
           !IsPathTooLong(item.path);
}

void AddFilesJob::Start() {
    c_.controls.DrawProgress(-1, total_);
    c_.runner.NewJob();
    scans_.resize(items_.size());
    // Every file of the job numbers its true-color pixels by the settings and table it
    // starts with.
    const TrueColorRule rule = TrueColorRuleFor(c_.settings, c_.table);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!Wanted(items_[i])) {
            scans_[i] = FileScan{};
            continue;
        }
        c_.runner.Submit([i, path = items_[i].path, rule] {
            return JobResult(ScanResult{i, ScanFile(path, rule)});
        });
    }
}

void AddFilesJob::Store(JobResult& result) {
    if (auto* scan = std::get_if<ScanResult>(&result); scan && scan->item < scans_.size())
        scans_[scan->item] = std::move(scan->scan);
}

bool AddFilesJob::Advance() {
    while (next_ < scans_.size() && scans_[next_]) {
        const std::size_t i = next_++;
        const FileScan scan = std::move(*scans_[i]);
        scans_[i].reset();
        if (kind_ == Kind::Reanalyse) {
            ReanalyseItem(i, scan);
        } else if (!AddItem(i, scan)) {
            // The files in hand are finished by the workers; their scans are dropped.
            c_.runner.DropPending();
            next_ = scans_.size();
        }
    }
    if (next_ < scans_.size()) return false;
    c_.controls.LeaveBusy();
    c_.controls.RefreshColorList();
    return true;
}

bool AddFilesJob::AddItem(std::size_t item, const FileScan& scan) {
    c_.controls.DrawProgress(static_cast<int>(item), total_);
    if (c_.runner.TakeAbort()) return false;
    if (c_.files.Count() >= kMaxFiles) {
        c_.view.ShowMessage(Msg::TooManyFiles, {});
        return false;
    }
    const DroppedItem& dropped = items_[item];
    const std::string& path = dropped.path;
    if (IsPathTooLong(path)) {
        // A path the system cannot take whole is refused rather than cut short.
        Refuse(item, Msg::PathTooLong, {});
    } else if (dropped.refusal != Msg::None) {
        Refuse(item, dropped.refusal, dropped.detail);
    } else if (!ImageFormatOfExtension(path)) {
        Skip(item, SkipReason::NotImage);
    } else if (!c_.files.ContainsBaseName(BaseNamePart(path))) {
        if (scan.error != Msg::None) {
            Refuse(item, scan.error, std::string(scan.detail));
            return true;
        }
        FileRecord record;
        record.path = path;
        FillRecord(record, scan);
        MapScan(scan, c_.settings, c_.table, record.indexMap, record.indexCounts);
        c_.rows.Insert(std::move(record));
        c_.view.FileAdded({item, path, AddOutcome::Kind::Accepted, Msg::None, {}, {}});
    } else {
        const auto paths = c_.files.Paths();
        const bool listed = std::find(paths.begin(), paths.end(), path) != paths.end();
        Skip(item, listed ? SkipReason::SameFile : SkipReason::SameName);
    }
    return true;
}

// A file that fails now still holds a map into the table as it was before the reset;
// removing or writing it later would corrupt counts and colors, so it leaves the list.
void AddFilesJob::ReanalyseItem(std::size_t item, const FileScan& scan) {
    c_.controls.DrawProgress(static_cast<int>(item), total_);
    c_.controls.AnswerAbortAndGoOn();
    const int position = static_cast<int>(item) - removed_;
    FileRecord& record = c_.files.At(position);
    if (scan.error != Msg::None) {
        Refuse(item, scan.error, std::string(scan.detail));
        c_.rows.Remove(position);
        if (c_.files.Empty()) c_.rows.Clear();
        ++removed_;
        return;
    }
    FillRecord(record, scan);
    MapScan(scan, c_.settings, c_.table, record.indexMap, record.indexCounts);
    c_.view.FileAdded({item, record.path, AddOutcome::Kind::Accepted, Msg::None, {}, {}});
}

void AddFilesJob::Refuse(std::size_t item, Msg msg, std::string detail) {
    c_.view.FileAdded({item, items_[item].path, AddOutcome::Kind::Refused, msg, SkipReason::None,
                       std::move(detail)});
}

void AddFilesJob::Skip(std::size_t item, SkipReason reason) {
    c_.view.FileAdded(
        {item, items_[item].path, AddOutcome::Kind::Skipped, Msg::None, reason, SkipText(reason)});
}

}  // namespace tintwell
