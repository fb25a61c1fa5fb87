#include "app/cli_view.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "app/cli_kept_output.h"
#include "jobs/file_paths.h"

namespace tintwell::cli {

const char* StatusName(Status s) {
    switch (s) {
        case Status::Written:
            return "written";
        case Status::Analysed:
            return "analysed";
        case Status::Skipped:
            return "skipped";
        case Status::Refused:
            return "refused";
        case Status::Exists:
            return "exists";
        case Status::Failed:
            return "failed";
        case Status::Pending:
            break;
    }
    return "analysed";
}

void CliView::DrawProgress(int step, int total) {
    PassOnStop();
    if (phase_ != Phase::Adding || step < 0) return;
    Progress("analysing", static_cast<std::size_t>(step) + 1, static_cast<std::size_t>(total));
}

void CliView::SetRowSelected(ListId list, int row, bool selected) {
    PassOnStop();
    if (list != ListId::Files || phase_ != Phase::Writing || !selected) return;
    Progress("writing", static_cast<std::size_t>(row) + 1, outputCount_);
}

OverwriteAnswer CliView::AskOverwrite(const std::string& path) {
    // A folder is never replaced, -f or not: the file is refused and the job goes on.
    std::error_code ec;
    if (std::filesystem::is_directory(PathFromUtf8(path), ec)) return OverwriteAnswer::No;
    return force_ ? OverwriteAnswer::Yes : OverwriteAnswer::No;
}

void CliView::FileAdded(const AddOutcome& added) {
    FileEntry* e = Item(added.item, added.path);
    if (e == nullptr) return;
    switch (added.kind) {
        case AddOutcome::Kind::Accepted:
            e->listed = true;
            return;
        case AddOutcome::Kind::Skipped:
            e->status = Status::Skipped;
            e->message = e->path + ": " + added.detail;
            return;
        case AddOutcome::Kind::Refused:
            break;
    }
    e->status = Status::Refused;
    e->message = Named(added.msg, added.path, e->path);
    if (!added.detail.empty()) e->message += " (" + added.detail + ")";
    Print(e->message);
}

void CliView::FileDone(const FileOutcome& outcome) {
    FileEntry* e = Listed(outcome.input);
    if (e == nullptr) return;
    switch (outcome.kind) {
        case FileOutcome::Kind::Written:
            e->written = true;
            return;
        case FileOutcome::Kind::LeftAlone:
            LeftAlone(*e, outcome.output);
            return;
        case FileOutcome::Kind::Failed:
            break;
    }
    // An output that would be its own input is refused; other failures happened while
    // the file was read or written.
    e->status = outcome.msg == Msg::SameFile ? Status::Refused : Status::Failed;
    e->message = Named(outcome.msg, outcome.named, e->path);
    Print(e->message);
    outputEnded_ = outputEnded_ || outcome.endedJob;
}

void CliView::ShowMessage(Msg msg, const std::string& path) {
    std::string text = FormatMessage(msg, path);
    const std::string detail = std::exchange(detail_, {});
    if (phase_ == Phase::Setup) {
        // The palette file's messages do not name it.
        setupFailed_ = true;
        if (!path.empty()) text += " (" + path + ")";
        if (!detail.empty()) text += ": " + detail;
        setupMessage_ = text;
    }
    Print(text);
}

void CliView::EndProgress() {
    if (!progressShown_) return;
    err_ << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

void CliView::Print(const std::string& line) {
    EndProgress();
    err_ << line << '\n';
}

void CliView::Progress(std::string_view verb, std::size_t done, std::size_t total) {
    if (!progress_) return;
    err_ << "\r\x1b[K" << verb << ' ' << done << '/' << total << std::flush;
    progressShown_ = true;
}

void CliView::LeftAlone(FileEntry& e, const std::string& output) {
    KeptOutput kept = KeptOutputAt(output);
    e.status = kept.status;
    e.message = std::move(kept.message);
    Print(e.message);
}

std::string CliView::Named(Msg msg, const std::string& path, const std::string& file) {
    const std::string text = FormatMessage(msg, path);
    const bool namesFile = path == file && MessageText(msg).find("%1") != std::string_view::npos;
    return namesFile ? text : text + " (" + file + ")";
}

FileEntry* CliView::Item(std::size_t item, const std::string& path) {
    if (item < files_.size() && files_[item].path == path) return &files_[item];
    return nullptr;
}

FileEntry* CliView::Listed(const std::string& input) {
    for (FileEntry& e : files_) {
        if (e.listed && e.path == input) return &e;
    }
    return nullptr;
}

}  // namespace tintwell::cli
