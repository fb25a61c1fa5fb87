#include "app/cli_view.h"

#include <filesystem>
#include <system_error>

#include "app/cli_kept_output.h"
#include "jobs/file_paths.h"
#include "palette/palette_file.h"

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
    current_ = static_cast<std::size_t>(step);
    Progress("analysing", current_ + 1, static_cast<std::size_t>(total));
}

void CliView::FileRowInserted(int, const std::string&) {
    if (phase_ == Phase::Adding && current_ < files_.size()) files_[current_].listed = true;
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

void CliView::FileDone(const FileOutcome& outcome) {
    const std::optional<std::pair<Msg, std::string>> shown = std::exchange(shown_, {});
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
    const std::string path = shown ? shown->second : std::string();
    e->message = Named(outcome.msg, path, e->path);
    Print(e->message);
    outputEnded_ = outputEnded_ || outcome.endedJob;
}

void CliView::EndWriting() {
    if (const auto shown = std::exchange(shown_, {}))
        Print(FormatMessage(shown->first, shown->second));
}

void CliView::ShowMessage(Msg msg, const std::string& path) {
    if (phase_ == Phase::Writing) {
        // Printed with its file's outcome, which follows.
        EndWriting();
        shown_.emplace(msg, path);
        return;
    }
    const std::string text = FormatMessage(msg, path);
    const std::string_view detail = std::exchange(detail_, {});
    FileEntry* e = Owner(msg, path);
    if (e == nullptr) {
        if (phase_ == Phase::Setup) {
            // Only the palette file can fail here; its message does not name it.
            setupFailed_ = true;
            setupMessage_ = paletteFile_.empty()
                                ? text
                                : text + " (" + paletteFile_ + "): " +
                                      PaletteFaultText(ReadPaletteFile(PathFromUtf8(paletteFile_)));
            Print(setupMessage_);
            return;
        }
        Print(text);
        return;
    }
    // An output that would be its own input is refused; other failures of a listed file
    // happened while it was read or written.
    const bool sameFile = msg == Msg::SameFile;
    e->status = e->listed && !sameFile ? Status::Failed : Status::Refused;
    e->message = Named(msg, path, e->path);
    if (!detail.empty()) e->message += " (" + std::string(detail) + ")";
    Print(e->message);
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

FileEntry* CliView::Listed(const std::string& input) {
    for (FileEntry& e : files_) {
        if (e.listed && e.path == input) return &e;
    }
    return nullptr;
}

FileEntry* CliView::Owner(Msg msg, const std::string& path) {
    if (phase_ == Phase::Setup) return nullptr;
    if (!path.empty()) {
        for (FileEntry& e : files_) {
            if (e.path == path) return &e;
        }
    }
    if (msg == Msg::TooManyFiles) return nullptr;
    return current_ < files_.size() ? &files_[current_] : nullptr;
}

}  // namespace tintwell::cli
