#include "jobs/output_job.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <variant>

#include "bitmap/writer.h"
#include "jobs/file_paths.h"
#include "jobs/output_directory.h"
#include "jobs/window_controls.h"

namespace tintwell {
namespace {

// A file, a folder or a link (even a broken one) already takes the name.
bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(PathFromUtf8(path), ec));
}

// What a worker writes for one file: its image remapped to the common palette, in the
// output's format. The one call into the writer.
Msg WriteImage(std::istream& in, std::ostream& out, const std::vector<Rgb>& colors, int depth,
               const OutputIndexMap& map, const TrueColorRule& rule, ImageFormat format) {
    return WriteBitmap(in, out, OutputPalette{colors, depth}, map, rule, format);
}

}  // namespace

void OutputJob::Start() {
    c_.controls.EnterBusy(true);
    c_.runner.NewJob();
    directory_ = outDir_;
    inputs_ = c_.files.Paths();
    for (const FileRecord& record : c_.files)
        formats_.push_back(format_.value_or(record.fileFormat));
    colors_ = std::make_shared<const std::vector<Rgb>>(c_.table.Palette());
    depth_ = c_.settings.outputDepth;
    for (const std::string& input : inputs_) {
        if (const auto id = native::IdentityOf(PathFromUtf8(input))) inputIds_.push_back(*id);
    }
}

void OutputJob::Store(JobResult& result) {
    auto* value = std::get_if<WriteResult>(&result);
    if (value == nullptr) return;
    for (Write& write : writing_) {
        if (write.row != value->row) continue;
        write.written = true;
        if (value->durable || value->msg != Msg::None || stopped_) {
            write.result = value->msg;
            continue;
        }
        // Written: made durable on the waiting thread, while the workers take the next files.
        c_.runner.SubmitWaiting(
            [row = value->row, output = std::move(value->output), file = write.file] {
                return JobResult(WriteResult{row, output, file->MakeDurable(), true});
            });
    }
}

bool OutputJob::Advance() {
    for (;;) {
        while (!stopped_ && !writing_.empty() && writing_.front().result)
            FinishOldestWrite();
        if (stopped_) {
            // Discarded writes end on their workers; the job ends when the last has.
            std::erase_if(writing_, [](const Write& w) { return w.result.has_value(); });
            if (!writing_.empty()) return false;
            End();
            return true;
        }
        if (takingEnded_) {
            if (!writing_.empty()) return false;
            End();
            return true;
        }
        // Files being made durable leave their worker free for the next one; as many more
        // as there are workers may wait for the disk, so open files stay few.
        const auto working = std::count_if(writing_.begin(), writing_.end(),
                                           [](const Write& w) { return !w.written; });
        if (static_cast<unsigned>(working) >= c_.runner.Threads() ||
            writing_.size() >= 2 * std::size_t{c_.runner.Threads()}) {
            return false;
        }
        if (!TakeNextOutput()) return false;
    }
}

bool OutputJob::TakeNextOutput() {
    if (next_ >= inputs_.size() || c_.runner.AbortRequested()) {
        takingEnded_ = true;
        return true;
    }
    const int row = static_cast<int>(next_);
    const std::string& input = inputs_[next_];
    const std::string output = OutputPathFor(directory_, input, formats_[next_]);
    lastOutput_ = output;
    // Creating the output would destroy a file of the list, this one before it is read.
    const auto outputId = native::IdentityOf(PathFromUtf8(output));
    if (output == input ||
        (outputId && std::find(inputIds_.begin(), inputIds_.end(), *outputId) != inputIds_.end())) {
        return EndWith(row, input, output, Msg::SameFile, input);
    }
    if (IsPathTooLong(output)) return EndWith(row, input, output, Msg::PathTooLong, output);
    bool replace = overwriteAll_;
    if (!replace && Exists(output)) {
        switch (AskBeforeReplacing(row, input, output, replace)) {
            case Settled::Wait:
                return false;
            case Settled::Skip:
                ++next_;
                return true;
            case Settled::End:
                return true;
            case Settled::Write:
                break;
        }
    }

    auto in = std::make_shared<InputFile>(PathFromUtf8(input));
    if (!in->IsOpen()) return EndWith(row, input, output, Msg::CannotOpen, input);
    std::shared_ptr<OutputFile> out = OutputFile::Create(PathFromUtf8(output));
    if (!out) return EndWith(row, input, output, Msg::CannotCreate, output);

    if (writing_.empty()) TakeWriteInHand(row);
    SubmitWrite(Write{row, input, output, replace, std::move(out), false, {}}, std::move(in));
    ++next_;
    return true;
}

// A rule's yes (the command line's -f) asks no one, so the file is written beside the earlier
// ones; a question waits until every earlier file is named, so that it comes in order.
OutputJob::Settled OutputJob::AskBeforeReplacing(int row, const std::string& input,
                                                 const std::string& output, bool& replace) {
    if (c_.view.OverwriteRule(output) == OverwriteAnswer::Yes) {
        replace = true;
        return Settled::Write;
    }
    if (!writing_.empty()) return Settled::Wait;
    switch (c_.view.AskOverwrite(output)) {
        case OverwriteAnswer::No:
            c_.view.FileDone({row, input, output, FileOutcome::Kind::LeftAlone, Msg::None, {}});
            return Settled::Skip;
        case OverwriteAnswer::Cancel:
            EndWith(row, input, output, Msg::None, {});
            return Settled::End;
        case OverwriteAnswer::Unanswered:
            EndWith(row, input, output, Msg::InexplicableError, {});
            return Settled::End;
        case OverwriteAnswer::All:
            overwriteAll_ = true;
            break;
        case OverwriteAnswer::Yes:
            break;
    }
    replace = true;
    return Settled::Write;
}

bool OutputJob::EndWith(int row, const std::string& input, const std::string& output, Msg msg,
                        const std::string& named) {
    // A message about this file comes after every earlier file is named.
    if (!writing_.empty()) return false;
    takingEnded_ = true;
    if (msg != Msg::None)
        c_.view.FileDone({row, input, output, FileOutcome::Kind::Failed, msg, named, true});
    return true;
}

void OutputJob::SubmitWrite(Write write, std::shared_ptr<InputFile> in) {
    const FileRecord& record = c_.files.At(write.row);
    const OutputIndexMap map = c_.table.BuildOutputIndexMap(record.indexMap);
    // Runs on a worker: touches no Workspace state, only the files and values it holds. The
    // map fits only the content that was analysed; a file rewritten since then is refused
    // before its output is named, so whatever stands at the output stays as it was.
    c_.runner.Submit([row = write.row, output = write.output, in = std::move(in), out = write.file,
                      map, rule = record.rule, analysed = record.analysed, colors = colors_,
                      depth = depth_, format = formats_[write.row]] {
        // Made durable afterwards, on the runner's waiting thread.
        const Msg msg = out->Write(
            [&](std::ostream& os) {
                if (!SameContent(analysed, in->Fingerprint())) return Msg::ChangedSinceAnalysis;
                const Msg result = WriteImage(in->Stream(), os, *colors, depth, map, rule, format);
                return SameContent(analysed, in->Fingerprint()) ? result
                                                                : Msg::ChangedSinceAnalysis;
            },
            false);
        return JobResult(WriteResult{row, output, msg});
    });
    writing_.push_back(std::move(write));
}

// The file taken in hand: its row selected, and which of how many it is in the status.
void OutputJob::TakeWriteInHand(int row) {
    c_.view.SetRowSelected(ListId::Files, row, true);
    c_.controls.SetText(ControlId::StatusField,
                        Substitute(MessageText(Msg::OutputProgress),
                                   {std::to_string(row + 1), std::to_string(inputs_.size())}));
}

// Names the oldest write's file, now complete, and tells its outcome. The writer never says
// "cannot create": that comes from naming the file, which names the output and ends the job
// like any other failure to create it. After it, an abort ends the job before the next file
// is taken in hand.
void OutputJob::FinishOldestWrite() {
    Write w = std::move(writing_.front());
    writing_.pop_front();
    Msg result = *w.result;
    bool leftAlone = false;
    if (result == Msg::None) {
        result = CommitWrite(w);
        leftAlone = result == Msg::None && !w.file;
    }
    // A failure to make or write the output names the output; the message text alone would
    // not say which of many files failed.
    const bool aboutOutput = result == Msg::CannotCreate || result == Msg::WriteError;
    const std::string named = result == Msg::None                ? std::string()
                              : aboutOutput                      ? w.output
                              : result == Msg::InexplicableError ? std::string()
                                                                 : w.input;
    c_.view.SetRowSelected(ListId::Files, w.row, false);
    const FileOutcome::Kind kind = result != Msg::None ? FileOutcome::Kind::Failed
                                   : leftAlone         ? FileOutcome::Kind::LeftAlone
                                                       : FileOutcome::Kind::Written;
    c_.view.FileDone({w.row, w.input, w.output, kind, result, named, stopped_});
    stopped_ = stopped_ || c_.runner.AbortRequested();
    if (!stopped_ && !writing_.empty()) TakeWriteInHand(writing_.front().row);
}

// Asks, as for a file that was there before, when another program took the output's name
// while the file was written. A file left alone or cancelled drops its OutputFile.
Msg OutputJob::CommitWrite(Write& w) {
    for (;;) {
        switch (w.file->Commit(w.replace || overwriteAll_)) {
            case native::CommitResult::Committed:
                ++written_;
                return Msg::None;
            case native::CommitResult::Failed:
                stopped_ = true;
                return Msg::CannotCreate;
            case native::CommitResult::Exists:
                break;
        }
        switch (c_.view.AskOverwrite(w.output)) {
            case OverwriteAnswer::No:
                w.file.reset();
                return Msg::None;
            case OverwriteAnswer::Cancel:
                w.file.reset();
                stopped_ = true;
                return Msg::None;
            case OverwriteAnswer::All:
                overwriteAll_ = true;
                break;
            case OverwriteAnswer::Yes:
                w.replace = true;
                break;
            case OverwriteAnswer::Unanswered:
                stopped_ = true;
                return Msg::InexplicableError;
        }
    }
}

void OutputJob::End() {
    if (lastOutput_) outDir_ = OutDirFromOutputPath(*lastOutput_);
    c_.controls.LeaveBusy();
    if (written_ > 0) {
        c_.controls.SetText(
            ControlId::StatusField,
            Substitute(MessageText(Msg::OutputDone), {std::to_string(written_), outDir_}));
    }
}

}  // namespace tintwell
