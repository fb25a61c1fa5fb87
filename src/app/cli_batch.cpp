#include "app/cli_batch.h"

#include <filesystem>
#include <string>
#include <utility>

#include "app/cli_kept_output.h"
#include "app/json_writer.h"
#include "jobs/dropped_items.h"
#include "jobs/file_paths.h"
#include "jobs/output_directory.h"
#include "palette/palette_file.h"

namespace tintwell::cli {

namespace fs = std::filesystem;

// The Workspace starts as the window would: stored settings (here: the command line), both
// fixed palettes loaded, the mode applied; bits and depth are then set as the window's
// palette dialog and depth button set them.
bool Batch::Setup() {
    Settings settings = DefaultSettings();
    settings.type = static_cast<int>(o_.mode);
    std::filesystem::path paletteDir;
    std::string paletteName;
    if (o_.paletteFile) {
        view_.SetPaletteFile(*o_.paletteFile);
        const fs::path file = PathFromUtf8(*o_.paletteFile);
        paletteDir = file.parent_path().empty() ? fs::path(".") : file.parent_path();
        // The options took only a file whose name gives a palette name.
        paletteName = PaletteNameOfFile(Utf8FromPath(file.filename())).value_or("");
        (o_.mode == PaletteMode::Fixed256 ? settings.pal256 : settings.pal16) = paletteName;
    }
    ws_.emplace(view_, settings,
                WorkspaceOptions{paletteDir, RunMode::Inline, DefaultWorkerCount()});
    SetRunning(&*ws_);
    ws_->SetKeyColor(o_.keyColor);
    ws_->SetOutputFormat(o_.format);
    ws_->Initialise();
    if (view_.SetupFailed()) return false;  // a short palette file: its message is out
    if (o_.paletteFile) {
        const std::string& loaded =
            o_.mode == PaletteMode::Fixed256 ? ws_->Pal256Name() : ws_->Pal16Name();
        if (loaded.empty()) {
            const std::string why = FormatMessage(Msg::CannotOpen, *o_.paletteFile);
            RefuseAll(why);
            view_.Print(why);
            return false;
        }
    }
    const ChannelBits& b = o_.bits;
    if (o_.mode == PaletteMode::RgbBits && (b.red != 8 || b.green != 8 || b.blue != 8)) {
        PaletteChoice choice;
        choice.mode = o_.mode;
        choice.bits = b;
        choice.pal256Name = ws_->Pal256Name();
        choice.pal16Name = ws_->Pal16Name();
        ws_->OnPaletteSettings(choice);
    }
    if (ws_->Palette().outputDepth != o_.OutputDepth()) ws_->OnToggleOutputDepth();
    return true;
}

// Files are dropped in base-name order, a later one behind an equal one, so colors enter
// the table in the order the file list shows them.
void Batch::Analyse() {
    std::vector<std::string> paths;
    for (const FileEntry& e : files_)
        paths.push_back(e.path);
    view_.SetPhase(CliView::Phase::Adding);
    ws_->OnDropFiles(paths);
    view_.EndProgress();

    for (FileEntry& e : files_) {
        if (e.listed) {
            e.status = Status::Analysed;
            for (const FileRecord& record : ws_->Files()) {
                if (record.path == e.path) e.format = record.format;
            }
        } else if (e.status == Status::Pending) {
            e.status = Status::Skipped;
            e.message = ImageFormatOfExtension(e.path)
                            ? e.path + ": skipped, a file of the same name is already listed"
                            : e.path + ": skipped, not a .bmp or .png file";
            if (!o_.quiet) view_.Print(e.message);
        }
    }
}

// A click on the pixel-count heading sorts most pixels first; a second click, fewest first.
void Batch::Sort() {
    if (o_.sort == SortOrder::None) return;
    ws_->OnColorColumnClick(1, {});
    if (o_.sort == SortOrder::PixelsAscending) ws_->OnColorColumnClick(1, {});
}

// Why nothing is written when the colors do not fit, and what would make them fit.
void Batch::ExplainColorsDoNotFit(int colors, int depth) {
    err_ << "tintwell-cli: " << colors << " colors do not fit a " << depth
         << "-color palette; nothing written.";
    std::vector<std::string> hints;
    const ChannelBits& b = o_.bits;
    if (o_.mode == PaletteMode::RgbBits && (b.red > 1 || b.green > 1 || b.blue > 1)) {
        hints.push_back("keep fewer bits per channel (-b, now " + std::to_string(b.red) + "," +
                        std::to_string(b.green) + "," + std::to_string(b.blue) + ")");
    }
    if (depth == 16) hints.push_back("write 256 colors (-d 256)");
    if (o_.mode == PaletteMode::RgbBits) {
        hints.push_back(depth == 16 ? "map onto the 16-color palette (-m fixed16)"
                                    : "map onto a fixed palette (-m fixed256)");
    }
    for (std::size_t i = 0; i < hints.size(); ++i) {
        err_ << (i == 0 ? " To fit, " : i + 1 == hints.size() ? " or " : ", ") << hints[i];
    }
    err_ << (hints.empty() ? "\n" : ".\n");
}

// The output folder, made when it does not exist; false (and the reason on err) when it
// is something else or cannot be made.
bool Batch::MakeOutputFolder() {
    switch (MakeFolder(*o_.outputDir)) {
        case Msg::None:
            return true;
        case Msg::NotADirectory:
            err_ << "tintwell-cli: " << *o_.outputDir << " is not a folder\n";
            return false;
        default:
            err_ << MessageText(Msg::CannotCreateDirectory) << " (" << *o_.outputDir << ")\n";
            return false;
    }
}

Batch::OutputEnd Batch::Output() {
    const int colors = ws_->ColorCount();
    const int depth = ws_->Palette().outputDepth;
    if (colors == 0) {
        err_ << "tintwell-cli: nothing to write: the files use no colors\n";
        return OutputEnd::NotBegun;
    }
    if (colors > depth) {
        ExplainColorsDoNotFit(colors, depth);
        return OutputEnd::NotBegun;
    }
    if (!MakeOutputFolder()) return OutputEnd::NotBegun;

    view_.SetOutputCount(static_cast<std::size_t>(ws_->FileCount()));
    view_.SetPhase(CliView::Phase::Writing);
    ws_->OnOutput(*o_.outputDir);
    view_.EndProgress();
    view_.EndWriting();
    // Files the job never reached stay as analysed, saying why they were not written.
    std::size_t written = 0;
    std::size_t unreached = 0;
    for (FileEntry& e : files_) {
        if (e.status != Status::Analysed) continue;
        if (e.written) {
            e.status = Status::Written;
            ++written;
        } else {
            e.message = e.path + ": not written, the output job ended at an earlier file";
            ++unreached;
        }
    }
    if (!view_.OutputEnded()) return OutputEnd::Done;
    if (!o_.quiet && unreached > 0) {
        view_.Print("tintwell-cli: the output job ended early; " + std::to_string(unreached) +
                    (unreached == 1 ? " file was" : " files were") + " not written");
    }
    return written == 0 ? OutputEnd::NotBegun : OutputEnd::Stopped;
}

// A signal stopped the run: the job under way ended as the abort button ends it, the file in
// hand finished or discarded and nothing half-made left behind. Nothing more is done (no
// palette file either), and the exit status names the signal as a shell does.
int Batch::Interrupted() {
    const int signal = StopSignal();
    for (FileEntry& e : files_) {
        if (e.status == Status::Pending || (e.status == Status::Analysed && o_.outputDir)) {
            e.message = e.path + ": not written, the run was stopped";
        }
    }
    view_.Print("tintwell-cli: stopped by signal " + std::to_string(signal) +
                "; the files written before it are whole");
    if (o_.json) PrintJson();
    return 128 + signal;
}

// A run that ends before any file is read: every file gets the reason.
void Batch::RefuseAll(const std::string& why) {
    for (FileEntry& e : files_) {
        e.status = Status::Refused;
        e.message = why;
    }
}

// The palette file follows the rule of the outputs: a file at its path is kept and
// reported unless -f; a folder, a named pipe or a device is refused at once.
bool Batch::SavePalette() {
    const std::string& path = *o_.savePalette;
    KeptOutput outcome{Status::Written, {}};
    if (PathTaken(path)) outcome = KeptOutputAt(path);
    if (outcome.status == Status::Exists && o_.force) outcome.status = Status::Written;
    if (outcome.status == Status::Written) {
        const Msg result = ws_->WritePaletteFile(PathFromUtf8(path), o_.force);
        if (result != Msg::None) {
            outcome = {Status::Failed, FormatMessage(result, path)};
            if (outcome.message.find(path) == std::string::npos)
                outcome.message += " (" + path + ")";
        }
    }
    palette_.status = outcome.status;
    palette_.message = std::move(outcome.message);
    if (palette_.status == Status::Written) return true;
    view_.Print(palette_.message);
    return false;
}

// The files of the command line in base-name order, each with its entry; false when the
// run cannot begin (too many files, or the palette file would overwrite one of them).
bool Batch::TakeFiles() {
    // A folder argument stands for the bitmaps inside it, as a dropped folder does.
    for (const std::string& path : ExpandFolders(o_.files)) {
        FileEntry entry;
        entry.path = path;
        files_.push_back(std::move(entry));
    }
    if (static_cast<int>(files_.size()) > kMaxFiles) {
        err_ << MessageText(Msg::TooManyFiles) << '\n';
        RefuseAll(std::string(MessageText(Msg::TooManyFiles)));
        if (o_.json) PrintJson();
        return false;
    }
    if (o_.savePalette) {
        // The palette file is never written over a file of the list, whatever path or link
        // leads there.
        for (const FileEntry& e : files_) {
            if (e.path == *o_.savePalette ||
                IsSameFile(PathFromUtf8(*o_.savePalette), PathFromUtf8(e.path))) {
                const std::string why =
                    "--save-palette " + *o_.savePalette + " names an input file";
                err_ << "tintwell-cli: " << why << '\n';
                if (o_.json) out_ << JsonError(why);
                return false;
            }
        }
    }
    std::stable_sort(files_.begin(), files_.end(), [](const FileEntry& a, const FileEntry& b) {
        return CompareBaseNames(BaseNamePart(a.path), BaseNamePart(b.path)) < 0;
    });
    return true;
}

int Batch::Run() {
    if (!TakeFiles()) return 2;
    if (!Setup()) {
        if (view_.SetupFailed()) RefuseAll(view_.SetupMessage());
        if (o_.json) PrintJson();
        return 2;
    }
    if (StopSignal() != 0) return Interrupted();
    Analyse();
    if (StopSignal() != 0) return Interrupted();
    if (ws_->FileCount() == 0) {
        if (o_.json) PrintJson();
        if (!o_.quiet) err_ << "tintwell-cli: no file could be read\n";
        return 2;
    }
    Sort();
    const OutputEnd end = o_.outputDir ? Output() : OutputEnd::Done;
    if (StopSignal() != 0) return Interrupted();
    if (end == OutputEnd::NotBegun) {
        if (o_.json) PrintJson();
        return 2;
    }
    // The run ends where the output job ended: no palette file for a half-written set.
    bool failed = end == OutputEnd::Stopped;
    if (end == OutputEnd::Done && o_.savePalette && !SavePalette()) failed = true;
    for (const FileEntry& e : files_) {
        failed = failed || e.status == Status::Refused || e.status == Status::Exists ||
                 e.status == Status::Failed;
    }

    if (o_.json) {
        PrintJson();
    } else if (!o_.quiet) {
        PrintSummary();
    }
    return failed ? 1 : 0;
}

}  // namespace tintwell::cli
