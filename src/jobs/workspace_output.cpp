#include <algorithm>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <system_error>

#include "bitmap/writer.h"
#include "jobs/file_io.h"
#include "jobs/file_paths.h"
#include "jobs/output_directory.h"
#include "jobs/text_input.h"
#include "jobs/workspace.h"
#include "palette/palette_file.h"

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
    return runner_.Start([this] { OutputJob(); }) ? OutputStart::Started : OutputStart::Busy;
}

// Files are taken in list order. Everything that can end the job or ask the user (abort,
// same file, existing output, opening the input, creating the output) is settled for one
// file before the next is looked at. The writing itself may run ahead, up to one write per
// scanning thread, but files get their names strictly in list order: a file is named only
// after every earlier one, its row is selected while it is the file in hand, and nothing is
// named after an abort or after a failure that ends the job; a write that was under way for
// a later file is then discarded, leaving its target as it was.
void Workspace::OutputJob() {
    std::string directory;
    std::vector<std::string> inputs;
    std::vector<Rgb> colors;
    int depth = 256;
    OnOwner([&] {
        EnterBusy(true);
        directory = outDir_;
        inputs = files_.Paths();
        colors = table_.Palette();
        depth = settings_.outputDepth;
    });
    // No output may take the place of any file of the list, however the two paths are
    // spelled and whatever links lead from one to the other.
    std::vector<native::FileId> inputIds;
    for (const std::string& input : inputs) {
        if (const auto id = native::IdentityOf(PathFromUtf8(input))) inputIds.push_back(*id);
    }
    const auto show = [this](Msg msg, const std::string& path) {
        OnOwner([&] { ShowMessage(msg, path); });
    };

    struct Write {
        int row;
        std::string input;
        std::string output;
        bool replace;  // the user agreed to replace what stands at the output
        std::shared_ptr<OutputFile> file;
        std::future<Msg> written;
    };
    std::deque<Write> writing;
    const std::size_t maxWriting = std::max(1u, scanThreads_);
    bool overwriteAll = false;
    bool stopped = false;
    int written = 0;
    // The file taken in hand: its row selected, and which of how many it is in the status.
    const auto takeInHand = [&](int row) {
        view_.SetRowSelected(ListId::Files, row, true);
        SetText(
            ControlId::StatusField,
            Substitute(kOutputProgress, {std::to_string(row + 1), std::to_string(inputs.size())}));
    };

    // Asks, as for a file that was there before, when another program took the output's
    // name while the file was written.
    const auto commit = [&](Write& w) -> Msg {
        for (;;) {
            switch (w.file->Commit(w.replace || overwriteAll)) {
                case native::CommitResult::Committed:
                    ++written;
                    return Msg::None;
                case native::CommitResult::Failed:
                    stopped = true;
                    return Msg::CannotCreate;
                case native::CommitResult::Exists:
                    break;
            }
            OverwriteAnswer reply = OverwriteAnswer::Unanswered;
            OnOwner([&] { reply = view_.AskOverwrite(w.output); });
            switch (reply) {
                case OverwriteAnswer::No:
                    return Msg::None;
                case OverwriteAnswer::Cancel:
                    stopped = true;
                    return Msg::None;
                case OverwriteAnswer::All:
                    overwriteAll = true;
                    break;
                case OverwriteAnswer::Yes:
                    w.replace = true;
                    break;
                case OverwriteAnswer::Unanswered:
                    stopped = true;
                    return Msg::InexplicableError;
            }
        }
    };
    // Names the oldest write's file once it is complete and shows its message, if any. The
    // writer never says "cannot create": that comes from naming the file, which names the
    // output and ends the job like any other failure to create it. After it, an abort ends
    // the job before the next file is taken in hand.
    const auto finishOldest = [&] {
        Write w = std::move(writing.front());
        writing.pop_front();
        Msg result = w.written.get();
        if (result == Msg::None) result = commit(w);
        // A failure to make or write the output names the output; the message text alone
        // would not say which of many files failed.
        const bool aboutOutput = result == Msg::CannotCreate || result == Msg::WriteError;
        const std::string& named = aboutOutput                        ? w.output
                                   : result == Msg::InexplicableError ? ""
                                                                      : w.input;
        const bool reached = OnOwner([&] {
            view_.SetRowSelected(ListId::Files, w.row, false);
            if (result != Msg::None) ShowMessage(result, named);
            stopped = stopped || runner_.AbortRequested();
            if (!stopped && !writing.empty()) takeInHand(writing.front().row);
        });
        // The Workspace is going away: nothing more is named.
        stopped = stopped || !reached;
    };
    // Names every file under way in order, up to an end of the job; the rest are discarded.
    const auto finishAll = [&] {
        while (!writing.empty() && !stopped)
            finishOldest();
        for (Write& w : writing)
            w.written.wait();
        writing.clear();
    };

    std::optional<std::string> lastOutput;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (runner_.AbortRequested()) break;

        const std::string& input = inputs[i];
        const std::string output = OutputPathFor(directory, input);
        lastOutput = output;
        // Creating the output would destroy a file of the list, this one before it is read.
        const auto outputId = native::IdentityOf(PathFromUtf8(output));
        if (output == input || (outputId && std::find(inputIds.begin(), inputIds.end(),
                                                      *outputId) != inputIds.end())) {
            finishAll();
            if (!stopped) show(Msg::SameFile, input);
            break;
        }
        if (IsPathTooLong(output)) {
            finishAll();
            if (!stopped) show(Msg::PathTooLong, output);
            break;
        }
        bool replace = overwriteAll;
        if (!overwriteAll && Exists(output)) {
            finishAll();
            if (stopped) break;
            OverwriteAnswer reply = OverwriteAnswer::Unanswered;
            OnOwner([&] { reply = view_.AskOverwrite(output); });
            if (reply == OverwriteAnswer::No) continue;
            if (reply == OverwriteAnswer::Cancel) break;
            if (reply == OverwriteAnswer::Unanswered) {
                show(Msg::InexplicableError, {});
                break;
            }
            overwriteAll = reply == OverwriteAnswer::All;
            replace = true;
        }

        auto in = std::make_unique<InputFile>(PathFromUtf8(input));
        if (!in->IsOpen()) {
            finishAll();
            if (!stopped) show(Msg::CannotOpen, input);
            break;
        }
        std::shared_ptr<OutputFile> out = OutputFile::Create(PathFromUtf8(output));
        if (!out) {
            finishAll();
            if (!stopped) show(Msg::CannotCreate, output);
            break;
        }
        if (writing.size() >= maxWriting) finishOldest();
        if (stopped) break;

        OutputIndexMap map{};
        FileFingerprint analysed;
        TrueColorRule rule;
        const int row = static_cast<int>(i);
        const bool mapped = OnOwner([&] {
            map = table_.BuildOutputIndexMap(files_.At(row).indexMap);
            analysed = files_.At(row).analysed;
            rule = files_.At(row).rule;
            if (writing.empty()) takeInHand(row);
        });
        if (!mapped) break;
        std::shared_ptr<InputFile> source = std::move(in);
        // Runs on a worker: touches no Workspace state. The map fits only the content that
        // was analysed; a file rewritten since then is refused before its output is named,
        // so whatever stands at the output stays as it was.
        auto task = [source, out, map, rule, analysed = std::move(analysed), &colors, depth] {
            return out->Write([&](std::ostream& os) {
                if (!SameContent(analysed, source->Fingerprint())) return Msg::ChangedSinceAnalysis;
                const Msg result =
                    WriteBitmap(source->Stream(), os, OutputPalette{colors, depth}, map, rule);
                return SameContent(analysed, source->Fingerprint()) ? result
                                                                    : Msg::ChangedSinceAnalysis;
            });
        };
        writing.push_back(Write{row, input, output, replace, std::move(out),
                                maxWriting > 1
                                    ? std::async(std::launch::async, std::move(task))
                                    : std::async(std::launch::deferred, std::move(task))});
        if (maxWriting == 1) finishOldest();
        if (stopped) break;
    }
    finishAll();

    OnOwner([&] {
        if (lastOutput) outDir_ = OutDirFromOutputPath(*lastOutput);
        LeaveBusy();
        if (written > 0) {
            SetText(ControlId::StatusField,
                    Substitute(kOutputDone, {std::to_string(written), outDir_}));
        }
        FinishJob();
    });
}

bool Workspace::OnSavePalette(PaletteSaveChoice choice, std::string_view name) {
    if (Busy()) return false;
    const std::string newName =
        choice == PaletteSaveChoice::NewName ? TrimLeadingSpace(name) : std::string();
    // A name of only white space is no name: refused, not taken as "overwrite".
    if (choice == PaletteSaveChoice::NewName && newName.empty()) return false;

    std::string* setting = nullptr;
    switch (PaletteSettingForDepth(settings_.outputDepth)) {
        case PaletteNameSetting::Pal16:
            setting = &pal16Name_;
            break;
        case PaletteNameSetting::Pal256:
            setting = &pal256Name_;
            break;
        case PaletteNameSetting::None:
            break;
    }
    if (setting == nullptr) {
        ShowMessage(Msg::InexplicableError);
        return false;
    }
    const std::string& fileName = newName.empty() ? *setting : newName;
    if (fileName.empty()) return false;
    const std::filesystem::path path = PaletteFilePath(paletteDir_, fileName);
    // Palette names are names: one that is a path would be written outside the palette
    // folder, and is refused as a file that cannot be created there. The setting keeps
    // its old name.
    if (!IsPaletteName(fileName)) {
        ShowMessage(Msg::CannotCreate, Utf8FromPath(path));
        return false;
    }
    if (IsPathTooLong(Utf8FromPath(path))) {
        ShowMessage(Msg::PathTooLong, Utf8FromPath(path));
        return false;
    }
    // The per-user data folder may not exist before the first palette is saved.
    std::error_code ec;
    std::filesystem::create_directories(paletteDir_, ec);
    const Msg result = WritePaletteFile(path);
    if (result != Msg::None) {
        ShowMessage(result, Utf8FromPath(path));
        return false;
    }
    // Only a complete file becomes the setting: a name without its file would silently
    // give the built-in palette at the next start.
    *setting = fileName;
    return true;
}

Msg Workspace::WritePaletteFile(const std::filesystem::path& path, bool replace) const {
    if (IsPathTooLong(Utf8FromPath(path))) return Msg::PathTooLong;
    // The extension chooses the format; a file of any other name is written as an .act.
    const std::string bytes =
        EncodePaletteFile(PaletteFormatOfExtension(Utf8FromPath(path)).value_or(PaletteFormat::Act),
                          table_.Palette(), Utf8FromPath(path.stem()));
    return WriteFileAtomically(
        path,
        [&bytes](std::ostream& out) {
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            return out ? Msg::None : Msg::WriteError;
        },
        replace);
}

}  // namespace tintwell
