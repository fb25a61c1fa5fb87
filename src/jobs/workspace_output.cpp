#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "bitmap/writer.h"
#include "jobs/file_io.h"
#include "jobs/file_paths.h"
#include "jobs/output_directory.h"
#include "jobs/workspace.h"

namespace tintwell {
namespace {

// A file, a folder or a link (even a broken one) already takes the name.
bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(PathFromUtf8(path), ec));
}

}  // namespace

OutputStart Workspace::OnOutput(const std::string& directoryText) {
    if (Busy()) return OutputStart::Busy;
    if (directoryText.empty()) {
        ShowMessage(Msg::OutputInternalError);
        return OutputStart::NoDirectory;
    }
    // The writer needs 1 <= colors <= depth; the window's button already keeps to it.
    if (FileCount() > 0 && !OutputRuleHolds()) return OutputStart::ColorsDoNotFit;
    outDir_ = directoryText;
    OutputJob();
    return OutputStart::Started;
}

// Files are taken in list order. Everything that can end the job or ask the user (abort,
// same file, existing output, opening the input, creating the output) is settled for one
// file before the next is looked at, and waits until every earlier write is named. The
// writing itself runs on the workers, up to one write per worker, but files get their
// names strictly in list order, here on the owner: a file is named only after every
// earlier one, its row is selected while it is the file in hand, and nothing is named
// after an abort or after a failure that ends the job; a write that was under way for a
// later file is then discarded, leaving its target as it was.
void Workspace::OutputJob() {
    EnterBusy(true);
    runner_.NewJob();
    output_ = std::make_unique<OutputRun>();
    OutputRun& run = *output_;
    run.directory = outDir_;
    run.inputs = files_.Paths();
    for (const FileRecord& record : files_)
        run.formats.push_back(outputFormat_.value_or(record.fileFormat));
    run.colors = std::make_shared<const std::vector<Rgb>>(table_.Palette());
    run.depth = settings_.outputDepth;
    for (const std::string& input : run.inputs) {
        if (const auto id = native::IdentityOf(PathFromUtf8(input))) run.inputIds.push_back(*id);
    }
    RunJob();
}

void Workspace::AdvanceOutput() {
    OutputRun& run = *output_;
    for (;;) {
        while (!run.stopped && !run.writing.empty() && run.writing.front().result)
            FinishOldestWrite();
        if (run.stopped) {
            // Discarded writes end on their workers; the job ends when the last has.
            std::erase_if(run.writing, [](const OutputRun::Write& w) { return w.result; });
            if (run.writing.empty()) EndOutput();
            return;
        }
        if (run.takingEnded) {
            if (run.writing.empty()) EndOutput();
            return;
        }
        // Files being made durable leave their worker free for the next one; as many more
        // as there are workers may wait for the disk, so open files stay few.
        const auto working = std::count_if(run.writing.begin(), run.writing.end(),
                                           [](const OutputRun::Write& w) { return !w.written; });
        if (static_cast<unsigned>(working) >= runner_.Threads() ||
            run.writing.size() >= 2 * std::size_t{runner_.Threads()}) {
            return;
        }
        if (!TakeNextOutput()) return;
    }
}

bool Workspace::TakeNextOutput() {
    OutputRun& run = *output_;
    if (run.next >= run.inputs.size() || runner_.AbortRequested()) {
        run.takingEnded = true;
        return true;
    }
    const int row = static_cast<int>(run.next);
    const std::string& input = run.inputs[run.next];
    const std::string output = OutputPathFor(run.directory, input, run.formats[run.next]);
    run.lastOutput = output;
    // A message or a question about this file comes after every earlier file is named.
    const bool drained = run.writing.empty();
    const auto endWith = [&](Msg msg, const std::string& path) {
        if (!drained) return false;
        run.takingEnded = true;
        if (msg != Msg::None) {
            ShowMessage(msg, path);
            view_.FileDone({row, input, output, FileOutcome::Kind::Failed, msg, true});
        }
        return true;
    };
    // Creating the output would destroy a file of the list, this one before it is read.
    const auto outputId = native::IdentityOf(PathFromUtf8(output));
    if (output == input || (outputId && std::find(run.inputIds.begin(), run.inputIds.end(),
                                                  *outputId) != run.inputIds.end())) {
        return endWith(Msg::SameFile, input);
    }
    if (IsPathTooLong(output)) return endWith(Msg::PathTooLong, output);
    const bool exists = !run.overwriteAll && Exists(output);
    bool replace =
        run.overwriteAll || (exists && view_.OverwriteRule(output) == OverwriteAnswer::Yes);
    if (exists && !replace) {
        if (!drained) return false;
        switch (view_.AskOverwrite(output)) {
            case OverwriteAnswer::No:
                view_.FileDone({row, input, output, FileOutcome::Kind::LeftAlone, Msg::None});
                ++run.next;
                return true;
            case OverwriteAnswer::Cancel:
                return endWith(Msg::None, {});
            case OverwriteAnswer::Unanswered:
                return endWith(Msg::InexplicableError, {});
            case OverwriteAnswer::All:
                run.overwriteAll = true;
                break;
            case OverwriteAnswer::Yes:
                break;
        }
        replace = true;
    }

    auto in = std::make_shared<InputFile>(PathFromUtf8(input));
    if (!in->IsOpen()) return endWith(Msg::CannotOpen, input);
    std::shared_ptr<OutputFile> out = OutputFile::Create(PathFromUtf8(output));
    if (!out) return endWith(Msg::CannotCreate, output);

    if (run.writing.empty()) TakeWriteInHand(row);
    SubmitWrite(OutputRun::Write{row, input, output, replace, std::move(out), false, {}},
                std::move(in));
    ++run.next;
    return true;
}

void Workspace::SubmitWrite(OutputRun::Write write, std::shared_ptr<InputFile> in) {
    OutputRun& run = *output_;
    const FileRecord& record = files_.At(write.row);
    const OutputIndexMap map = table_.BuildOutputIndexMap(record.indexMap);
    // Runs on a worker: touches no Workspace state, only the files and values it holds. The
    // map fits only the content that was analysed; a file rewritten since then is refused
    // before its output is named, so whatever stands at the output stays as it was.
    runner_.Submit([row = write.row, output = write.output, in = std::move(in), out = write.file,
                    map, rule = record.rule, analysed = record.analysed, colors = run.colors,
                    depth = run.depth, format = run.formats[write.row]] {
        // Made durable afterwards, on the runner's waiting thread.
        const Msg msg = out->Write(
            [&](std::ostream& os) {
                if (!SameContent(analysed, in->Fingerprint())) return Msg::ChangedSinceAnalysis;
                const Msg result =
                    WriteBitmap(in->Stream(), os, OutputPalette{*colors, depth}, map, rule, format);
                return SameContent(analysed, in->Fingerprint()) ? result
                                                                : Msg::ChangedSinceAnalysis;
            },
            false);
        return JobResult(WriteResult{row, output, msg});
    });
    run.writing.push_back(std::move(write));
}

// The file taken in hand: its row selected, and which of how many it is in the status.
void Workspace::TakeWriteInHand(int row) {
    view_.SetRowSelected(ListId::Files, row, true);
    SetText(ControlId::StatusField,
            Substitute(MessageText(Msg::OutputProgress),
                       {std::to_string(row + 1), std::to_string(output_->inputs.size())}));
}

// Names the oldest write's file, now complete, and shows its message, if any. The writer
// never says "cannot create": that comes from naming the file, which names the output and
// ends the job like any other failure to create it. After it, an abort ends the job before
// the next file is taken in hand.
void Workspace::FinishOldestWrite() {
    OutputRun& run = *output_;
    OutputRun::Write w = std::move(run.writing.front());
    run.writing.pop_front();
    Msg result = *w.result;
    bool leftAlone = false;
    if (result == Msg::None) {
        result = CommitWrite(w);
        leftAlone = result == Msg::None && !w.file;
    }
    // A failure to make or write the output names the output; the message text alone would
    // not say which of many files failed.
    const bool aboutOutput = result == Msg::CannotCreate || result == Msg::WriteError;
    const std::string& named = aboutOutput                        ? w.output
                               : result == Msg::InexplicableError ? std::string()
                                                                  : w.input;
    view_.SetRowSelected(ListId::Files, w.row, false);
    if (result != Msg::None) ShowMessage(result, named);
    const FileOutcome::Kind kind = result != Msg::None ? FileOutcome::Kind::Failed
                                   : leftAlone         ? FileOutcome::Kind::LeftAlone
                                                       : FileOutcome::Kind::Written;
    view_.FileDone({w.row, w.input, w.output, kind, result, run.stopped});
    run.stopped = run.stopped || runner_.AbortRequested();
    if (!run.stopped && !run.writing.empty()) TakeWriteInHand(run.writing.front().row);
}

// Asks, as for a file that was there before, when another program took the output's name
// while the file was written. A file left alone or cancelled drops its OutputFile.
Msg Workspace::CommitWrite(OutputRun::Write& w) {
    OutputRun& run = *output_;
    for (;;) {
        switch (w.file->Commit(w.replace || run.overwriteAll)) {
            case native::CommitResult::Committed:
                ++run.written;
                return Msg::None;
            case native::CommitResult::Failed:
                run.stopped = true;
                return Msg::CannotCreate;
            case native::CommitResult::Exists:
                break;
        }
        switch (view_.AskOverwrite(w.output)) {
            case OverwriteAnswer::No:
                w.file.reset();
                return Msg::None;
            case OverwriteAnswer::Cancel:
                w.file.reset();
                run.stopped = true;
                return Msg::None;
            case OverwriteAnswer::All:
                run.overwriteAll = true;
                break;
            case OverwriteAnswer::Yes:
                w.replace = true;
                break;
            case OverwriteAnswer::Unanswered:
                run.stopped = true;
                return Msg::InexplicableError;
        }
    }
}

void Workspace::EndOutput() {
    const OutputRun run = std::move(*output_);
    output_.reset();
    if (run.lastOutput) outDir_ = OutDirFromOutputPath(*run.lastOutput);
    LeaveBusy();
    if (run.written > 0) {
        SetText(ControlId::StatusField,
                Substitute(MessageText(Msg::OutputDone), {std::to_string(run.written), outDir_}));
    }
    FinishJob();
}

}  // namespace tintwell
