#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jobs/file_paths.h"
#include "jobs/workspace_view.h"
#include "palette/palette_file.h"

namespace tintwell {
class Workspace;
}

namespace tintwell::cli {

enum class Status { Pending, Written, Analysed, Skipped, Refused, Exists, Failed };

// The status's name in the JSON output.
[[nodiscard]] const char* StatusName(Status s);

// One command-line argument naming a file, and what became of it.
struct FileEntry {
    std::string path;
    Status status = Status::Pending;
    std::string message;
    bool listed = false;   // in the file list after the drop
    bool written = false;  // reached by the output job
};

// A stop asked for by a signal reaches the Workspace under way through these (cli_run.cpp).
// The Workspace a stop must reach; nullptr when none runs.
void SetRunning(Workspace* workspace);
// The signal that asked for a stop, 0 when none did.
[[nodiscard]] int StopSignal();
// A job clears the abort flag when it starts, so a signal that came just before would be
// lost; the view asks for it again at every file the job takes in hand.
void PassOnStop();

// The Workspace's view for a run without a window: it prints the messages, answers the
// overwrite question from --force, and gives every file its status: while files are added
// from the progress step and the paths in the messages, while they are written from the
// output job's FileOutcome values.
class CliView final : public HeadlessView {
  public:
    CliView(std::vector<FileEntry>& files, std::ostream& err, bool force, bool progress)
        : files_(files), err_(err), force_(force), progress_(progress) {}

    enum class Phase { Setup, Adding, Writing };
    void SetPhase(Phase phase) { phase_ = phase; }
    // How many files the output job takes in hand at most.
    void SetOutputCount(std::size_t count) { outputCount_ = count; }
    void SetPaletteFile(std::string path) { paletteFile_ = std::move(path); }
    [[nodiscard]] bool SetupFailed() const { return setupFailed_; }
    [[nodiscard]] const std::string& SetupMessage() const { return setupMessage_; }

    void DrawProgress(int step, int total) override {
        PassOnStop();
        if (phase_ != Phase::Adding || step < 0) return;
        current_ = static_cast<std::size_t>(step);
        Progress("analysing", current_ + 1, static_cast<std::size_t>(total));
    }

    void FileRowInserted(int, const std::string&) override {
        if (phase_ == Phase::Adding && current_ < files_.size()) files_[current_].listed = true;
    }

    // A row is selected when its write is the file in hand.
    void SetRowSelected(ListId list, int row, bool selected) override {
        PassOnStop();
        if (list != ListId::Files || phase_ != Phase::Writing || !selected) return;
        Progress("writing", static_cast<std::size_t>(row) + 1, outputCount_);
    }

    OverwriteAnswer AskOverwrite(const std::string& path) override {
        // A folder is never replaced, -f or not: the file is refused and the job goes on.
        std::error_code ec;
        if (std::filesystem::is_directory(PathFromUtf8(path), ec)) return OverwriteAnswer::No;
        return force_ ? OverwriteAnswer::Yes : OverwriteAnswer::No;
    }

    // What became of a file of the output job; its message, if any, came just before.
    void FileDone(const FileOutcome& outcome) override {
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

    // Whether a file's failure ended the output job (the files after it are not taken).
    [[nodiscard]] bool OutputEnded() const { return outputEnded_; }

    // Flushes a message of the output job that no FileDone followed.
    void EndWriting() {
        if (const auto shown = std::exchange(shown_, {}))
            Print(FormatMessage(shown->first, shown->second));
    }

    void ShowMessage(Msg msg, const std::string& path) override {
        if (phase_ == Phase::Writing) {
            // Printed with its file's outcome, which follows.
            EndWriting();
            shown_.emplace(msg, path);
            return;
        }
        const std::string text = FormatMessage(msg, path);
        FileEntry* e = Owner(msg, path);
        if (e == nullptr) {
            if (phase_ == Phase::Setup) {
                // Only the palette file can fail here; its message does not name it.
                setupFailed_ = true;
                setupMessage_ =
                    paletteFile_.empty()
                        ? text
                        : text + " (" + paletteFile_ +
                              "): " + PaletteFaultText(ReadPaletteFile(PathFromUtf8(paletteFile_)));
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
        Print(e->message);
    }

    void EndProgress() {
        if (!progressShown_) return;
        err_ << "\r\x1b[K" << std::flush;
        progressShown_ = false;
    }

    void Print(const std::string& line) {
        EndProgress();
        err_ << line << '\n';
    }

  private:
    void Progress(std::string_view verb, std::size_t done, std::size_t total) {
        if (!progress_) return;
        err_ << "\r\x1b[K" << verb << ' ' << done << '/' << total << std::flush;
        progressShown_ = true;
    }

    // An output that stood at its path was kept: a folder refuses the file, a file is
    // left alone without -f.
    void LeftAlone(FileEntry& e, const std::string& output) {
        std::error_code ec;
        if (std::filesystem::is_directory(PathFromUtf8(output), ec)) {
            e.status = Status::Failed;
            e.message = output + ": is a folder, not written";
        } else {
            e.status = Status::Exists;
            e.message = output + ": exists, left alone (use -f to overwrite)";
        }
        Print(e.message);
    }

    // The message's text, followed by the file's path when the text does not name it (such
    // as "読み出しエラーです", or a message about the output path).
    static std::string Named(Msg msg, const std::string& path, const std::string& file) {
        const std::string text = FormatMessage(msg, path);
        const bool namesFile =
            path == file && MessageText(msg).find("%1") != std::string_view::npos;
        return namesFile ? text : text + " (" + file + ")";
    }

    // The listed file of an input path.
    FileEntry* Listed(const std::string& input) {
        for (FileEntry& e : files_) {
            if (e.listed && e.path == input) return &e;
        }
        return nullptr;
    }

    // The file a message is about: one whose input or output path it names, else the file
    // in hand. Messages outside adding and writing are about no file.
    FileEntry* Owner(Msg msg, const std::string& path) {
        if (phase_ == Phase::Setup) return nullptr;
        if (!path.empty()) {
            for (FileEntry& e : files_) {
                if (e.path == path) return &e;
            }
        }
        if (msg == Msg::TooManyFiles) return nullptr;
        return current_ < files_.size() ? &files_[current_] : nullptr;
    }

    std::vector<FileEntry>& files_;
    std::ostream& err_;
    bool force_;
    bool progress_;
    Phase phase_ = Phase::Setup;
    std::size_t current_ = static_cast<std::size_t>(-1);
    std::size_t outputCount_ = 0;
    // The output job's last message, waiting for its file's outcome.
    std::optional<std::pair<Msg, std::string>> shown_;
    bool outputEnded_ = false;
    bool progressShown_ = false;
    bool setupFailed_ = false;
    std::string setupMessage_;
    std::string paletteFile_;
};

}  // namespace tintwell::cli
