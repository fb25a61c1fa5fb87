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
#include "palette/act_file.h"

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
        ShowText(kOutputInternalError);
        return OutputStart::NoDirectory;
    }
    // The writer needs 1 <= colors <= depth; the window's button already keeps to it.
    if (FileCount() > 0 && !OutputRuleHolds()) return OutputStart::ColorsDoNotFit;
    outDir_ = directoryText;
    return runner_.Start([this] { OutputJob(); }) ? OutputStart::Started : OutputStart::Busy;
}

// Files are taken in list order. Everything that can end the job or ask the user (abort,
// same file, existing output, opening the input, creating the output) is settled for one
// file before the next is looked at; the writing itself may overlap with the next files, up
// to one write per scanning thread. Messages of finished writes are shown in list order,
// before anything about a later file.
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
    const auto show = [this](Msg msg, const std::string& path) {
        OnOwner([&] { ShowMessage(msg, path); });
    };

    struct Write {
        int row;
        std::string input;
        std::string output;
        std::future<Msg> result;
    };
    std::deque<Write> writing;
    const std::size_t maxWriting = std::max(1u, scanThreads_);
    // Waits for the oldest write and shows its message, if any. The writer never says
    // "cannot create": that comes from renaming the finished file over the target, which
    // names the output and ends the job like any other failure to create it.
    bool stopped = false;
    const auto finishOldest = [&] {
        Write w = std::move(writing.front());
        writing.pop_front();
        const Msg result = w.result.get();
        const bool notCreated = result == Msg::CannotCreate;
        OnOwner([&] {
            view_.SetRowSelected(ListId::Files, w.row, false);
            if (result != Msg::None) ShowMessage(result, notCreated ? w.output : w.input);
        });
        stopped = stopped || notCreated;
    };
    const auto finishAll = [&] {
        while (!writing.empty())
            finishOldest();
    };

    bool overwriteAll = false;
    std::optional<std::string> lastOutput;
    for (std::size_t i = 0; i < inputs.size() && !stopped; ++i) {
        bool aborted = false;
        OnOwner([&] { aborted = runner_.TakeAbort(); });
        if (aborted) break;

        const std::string& input = inputs[i];
        const std::string output = OutputPathFor(directory, input);
        lastOutput = output;
        // Creating the output would destroy the input before it is read, also when the two
        // paths are spelled differently (case, relative form, a link).
        if (output == input || IsSameFile(PathFromUtf8(output), PathFromUtf8(input))) {
            finishAll();
            show(Msg::SameFile, input);
            break;
        }
        if (IsPathTooLong(output)) {
            finishAll();
            show(Msg::PathTooLong, output);
            break;
        }
        if (!overwriteAll && Exists(output)) {
            finishAll();
            if (stopped) break;
            int answer = 0;
            OnOwner([&] { answer = view_.AskOverwrite(output); });
            if (answer == kOverwriteNo) continue;
            if (answer == kOverwriteCancel) break;
            if (answer == kOverwriteAll) {
                overwriteAll = true;
            } else if (answer != kOverwriteYes) {
                show(Msg::InexplicableError, {});
                break;
            }
        }

        auto in = std::make_unique<InputFile>(PathFromUtf8(input));
        if (!in->IsOpen()) {
            finishAll();
            show(Msg::CannotOpen, input);
            break;
        }
        // Written beside the target and renamed over it when complete: a failure leaves
        // the old file as it was and no half file.
        std::shared_ptr<OutputFile> out = OutputFile::Create(PathFromUtf8(output));
        if (!out) {
            finishAll();
            show(Msg::CannotCreate, output);
            break;
        }
        if (writing.size() >= maxWriting) finishOldest();
        if (stopped) break;

        OutputIndexMap map{};
        const int row = static_cast<int>(i);
        OnOwner([&] {
            map = table_.BuildOutputIndexMap(files_.At(row).indexMap);
            view_.SetRowSelected(ListId::Files, row, true);
        });
        std::shared_ptr<InputFile> source = std::move(in);
        auto task = [source, out, map, &colors, depth] {
            const Msg written = out->Write([&](std::ostream& os) {
                return WriteBitmap(source->Stream(), os, OutputPalette{colors, depth}, map);
            });
            if (written != Msg::None) return written;
            return out->Commit(true) == native::CommitResult::Committed ? Msg::None
                                                                        : Msg::CannotCreate;
        };
        writing.push_back(Write{row, input, output,
                                maxWriting > 1
                                    ? std::async(std::launch::async, std::move(task))
                                    : std::async(std::launch::deferred, std::move(task))});
        if (maxWriting == 1) finishOldest();
    }
    finishAll();

    OnOwner([&] {
        if (lastOutput) outDir_ = OutDirFromOutputPath(*lastOutput);
        LeaveBusy();
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
    if (IsPathTooLong(Utf8FromPath(path))) {
        ShowMessage(Msg::PathTooLong, Utf8FromPath(path));
        return false;
    }
    *setting = fileName;

    // The per-user data folder may not exist before the first palette is saved.
    std::error_code ec;
    std::filesystem::create_directories(paletteDir_, ec);
    const Msg result = WritePaletteFile(path);
    if (result != Msg::None) {
        ShowMessage(result, Utf8FromPath(path));
        return false;
    }
    return true;
}

Msg Workspace::WritePaletteFile(const std::filesystem::path& path) const {
    if (IsPathTooLong(Utf8FromPath(path))) return Msg::PathTooLong;
    const ActBytes bytes = EncodeActPalette(table_.Palette());
    return WriteFileAtomically(path, [&bytes](std::ostream& out) {
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return out ? Msg::None : Msg::WriteError;
    });
}

}  // namespace tintwell
