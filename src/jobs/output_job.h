#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bitmap/image_format.h"
#include "jobs/file_io.h"
#include "jobs/job_state.h"
#include "jobs/native_file.h"
#include "palette/color.h"

namespace tintwell {

// Writes every listed file into a folder with the common palette. Files are taken in list
// order; everything that can end the job or ask the user (abort, same file, existing output,
// opening the input, creating the output) is settled for one file before the next is looked
// at, and waits until every earlier write is named. The writing runs on the workers, up to
// one write per worker, but files get their names strictly in list order, here on the owner:
// a file is named only after every earlier one, its row is selected while it is the file in
// hand, and nothing is named after an abort or after a failure that ends the job; a write
// under way for a later file is then discarded, leaving its target as it was. The view hears
// what became of every file taken in hand (WorkspaceView::FileDone).
class OutputJob final : public Job {
  public:
    // `outDir` is the folder written to; at the end it becomes the last output's folder.
    OutputJob(JobContext& context, std::string& outDir, std::optional<ImageFormat> format)
        : c_(context), outDir_(outDir), format_(format) {}

    void Start() override;
    // A write that is done is made durable on the runner's waiting thread before it is named.
    void Store(JobResult& result) override;
    [[nodiscard]] bool Advance() override;

  private:
    // A file handed to a worker: written under no name until the owner names it.
    struct Write {
        int row = 0;
        std::string input;
        std::string output;
        bool replace = false;  // the user agreed to replace what stands at the output
        std::shared_ptr<OutputFile> file;
        bool written = false;       // the worker is done with it; it may be being synced
        std::optional<Msg> result;  // the final answer, once durable or failed
    };
    // What settling a file before its write came to.
    enum class Settled { Write, Skip, Wait, End };

    // Takes the next input in hand; false when it must wait for the writes under way.
    bool TakeNextOutput();
    // The overwrite question for an output that exists, asked once every earlier file is
    // named; `replace` becomes the answer.
    Settled AskBeforeReplacing(int row, const std::string& input, const std::string& output,
                               bool& replace);
    // Ends the taking of files with `msg` about `named` (nothing for Msg::None); false, to
    // wait, while earlier writes are under way.
    bool EndWith(int row, const std::string& input, const std::string& output, Msg msg,
                 const std::string& named);
    // Hands the write of a file taken in hand to the workers.
    void SubmitWrite(Write write, std::shared_ptr<InputFile> in);
    void TakeWriteInHand(int row);
    void FinishOldestWrite();
    [[nodiscard]] Msg CommitWrite(Write& write);
    void End();

    JobContext& c_;
    std::string& outDir_;
    std::optional<ImageFormat> format_;  // every output's format; nothing keeps each file's own
    std::string directory_;
    std::vector<std::string> inputs_;
    std::vector<ImageFormat> formats_;  // each input's output format
    std::shared_ptr<const std::vector<Rgb>> colors_;
    int depth_ = 256;
    // No output may take the place of any file of the list, however the two paths are
    // spelled and whatever links lead from one to the other.
    std::vector<native::FileId> inputIds_;
    std::deque<Write> writing_;
    std::size_t next_ = 0;      // the next input to take in hand
    bool takingEnded_ = false;  // no further input is taken (the last one, or an end)
    bool stopped_ = false;      // nothing more is named; writes under way are discarded
    bool overwriteAll_ = false;
    int written_ = 0;
    std::optional<std::string> lastOutput_;
};

}  // namespace tintwell
