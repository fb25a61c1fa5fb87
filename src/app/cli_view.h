#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jobs/workspace_view.h"

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
    std::string_view format;  // the input format, once the file is listed
    bool listed = false;      // in the file list after the drop
    bool written = false;     // reached by the output job
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

    void DrawProgress(int step, int total) override;

    void FileRowInserted(int, const std::string&) override;

    // A row is selected when its write is the file in hand.
    void SetRowSelected(ListId list, int row, bool selected) override;

    OverwriteAnswer AskOverwrite(const std::string& path) override;
    std::optional<OverwriteAnswer> OverwriteRule(const std::string& path) override {
        return AskOverwrite(path);
    }

    // What became of a file of the output job; its message, if any, came just before.
    void FileDone(const FileOutcome& outcome) override;

    // Whether a file's failure ended the output job (the files after it are not taken).
    [[nodiscard]] bool OutputEnded() const { return outputEnded_; }

    // Flushes a message of the output job that no FileDone followed.
    void EndWriting();

    // The reason for the refusal that the next message reports, in words.
    void RefusalDetail(std::string_view detail) override { detail_ = detail; }

    void ShowMessage(Msg msg, const std::string& path) override;

    void EndProgress();

    void Print(const std::string& line);

  private:
    void Progress(std::string_view verb, std::size_t done, std::size_t total);

    // An output that stood at its path was kept: a folder refuses the file, a file is
    // left alone without -f.
    void LeftAlone(FileEntry& e, const std::string& output);

    // The message's text, followed by the file's path when the text does not name it (such
    // as "読み出しエラーです", or a message about the output path).
    static std::string Named(Msg msg, const std::string& path, const std::string& file);

    // The listed file of an input path.
    FileEntry* Listed(const std::string& input);

    // The file a message is about: one whose input or output path it names, else the file
    // in hand. Messages outside adding and writing are about no file.
    FileEntry* Owner(Msg msg, const std::string& path);

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
    std::string_view detail_;  // the reason for the refusal that the next message reports
};

}  // namespace tintwell::cli
