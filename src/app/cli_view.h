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
// overwrite question from --force, and gives every file its status from what the jobs tell
// of it: AddOutcome while files are added (the job's items are the files, in order), and
// FileOutcome while they are written.
class CliView final : public HeadlessView {
  public:
    CliView(std::vector<FileEntry>& files, std::ostream& err, bool force, bool progress)
        : files_(files), err_(err), force_(force), progress_(progress) {}

    enum class Phase { Setup, Adding, Writing };
    void SetPhase(Phase phase) { phase_ = phase; }
    // How many files the output job takes in hand at most.
    void SetOutputCount(std::size_t count) { outputCount_ = count; }
    [[nodiscard]] bool SetupFailed() const { return setupFailed_; }
    [[nodiscard]] const std::string& SetupMessage() const { return setupMessage_; }

    void DrawProgress(int step, int total) override;

    // A row is selected when its write is the file in hand.
    void SetRowSelected(ListId list, int row, bool selected) override;

    OverwriteAnswer AskOverwrite(const std::string& path) override;
    std::optional<OverwriteAnswer> OverwriteRule(const std::string& path) override {
        return AskOverwrite(path);
    }

    // What became of a file of the add phase: listed, refused (printed) or skipped (kept for
    // the summary).
    void FileAdded(const AddOutcome& added) override;
    // What became of a file of the output job.
    void FileDone(const FileOutcome& outcome) override;

    // Whether a file's failure ended the output job (the files after it are not taken).
    [[nodiscard]] bool OutputEnded() const { return outputEnded_; }

    // The reason for the refusal that the next message reports, in words.
    void RefusalDetail(std::string_view detail) override { detail_ = detail; }

    // A message about no file of the list: printed. While the run is set up only the palette
    // file can fail; its message and reason end the run.
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

    // The entry of item `item` of the add phase.
    FileEntry* Item(std::size_t item, const std::string& path);
    // The listed file of an input path.
    FileEntry* Listed(const std::string& input);

    std::vector<FileEntry>& files_;
    std::ostream& err_;
    bool force_;
    bool progress_;
    Phase phase_ = Phase::Setup;
    std::size_t outputCount_ = 0;
    bool outputEnded_ = false;
    bool progressShown_ = false;
    bool setupFailed_ = false;
    std::string setupMessage_;
    std::string detail_;  // the reason for the refusal that the next message reports
};

}  // namespace tintwell::cli
