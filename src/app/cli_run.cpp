#include "app/cli_run.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "app/cli_options.h"
#include "app/json_writer.h"
#include "jobs/dropped_items.h"
#include "jobs/file_paths.h"
#include "jobs/output_directory.h"
#include "jobs/workspace.h"
#include "palette/palette_file.h"

namespace tintwell::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxFiles = 128;

// A stop asked for by a signal, and the Workspace it must reach. Both are lock-free atomics,
// so the signal handler may touch them; Workspace::OnAbort only sets its abort flag.
std::atomic<int> stopSignal{0};
std::atomic<Workspace*> running{nullptr};
static_assert(std::atomic<int>::is_always_lock_free &&
              std::atomic<Workspace*>::is_always_lock_free);
constexpr const char* kVersion = "0.1.0";

enum class Status { Pending, Written, Analysed, Skipped, Refused, Exists, Failed };

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

// One command-line argument naming a file, and what became of it.
struct FileEntry {
    std::string path;
    Status status = Status::Pending;
    std::string message;
    std::string_view format;  // the input format, once the file is listed
    bool listed = false;      // in the file list after the drop
    bool written = false;     // reached by the output job
};

unsigned ScanThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : std::min(n, 4u);
}

// The Workspace's view for a run without a window: it prints the messages, answers the
// overwrite question from --force, and keeps track of which file each event is about, so
// that every file gets its status and every message names its file.
class CliView final : public HeadlessView {
  public:
    CliView(std::vector<FileEntry>& files, std::ostream& err, bool force, bool progress)
        : files_(files), err_(err), force_(force), progress_(progress) {}

    enum class Phase { Setup, Adding, Writing };
    void SetPhase(Phase phase) { phase_ = phase; }
    // The output path of each listed file, by list row.
    void SetOutputs(std::vector<std::pair<std::size_t, std::string>> outputs) {
        outputs_ = std::move(outputs);
    }
    void SetPaletteFile(std::string path) { paletteFile_ = std::move(path); }
    [[nodiscard]] bool SetupFailed() const { return setupFailed_; }
    [[nodiscard]] const std::string& SetupMessage() const { return setupMessage_; }
    // Whether a message ended the output job (the files after it are not taken).
    [[nodiscard]] bool OutputEnded() const { return outputEnded_; }

    void DrawProgress(int step, int total) override {
        PassOnStop();
        if (phase_ != Phase::Adding || step < 0) return;
        current_ = static_cast<std::size_t>(step);
        Progress("analysing", current_ + 1, static_cast<std::size_t>(total));
    }

    void FileRowInserted(int, const std::string&) override {
        if (phase_ == Phase::Adding && current_ < files_.size()) files_[current_].listed = true;
    }

    // A row is selected when its write starts and unselected when it has ended, just
    // before that write's message, if any. Writes overlap, so the file a message without a
    // path is about is the one unselected last, not the one selected last.
    void SetRowSelected(ListId list, int row, bool selected) override {
        PassOnStop();
        if (list != ListId::Files || phase_ != Phase::Writing) return;
        if (static_cast<std::size_t>(row) >= outputs_.size()) return;
        if (selected) {
            Progress("writing", static_cast<std::size_t>(row) + 1, outputs_.size());
            return;
        }
        current_ = outputs_[static_cast<std::size_t>(row)].first;
        files_[current_].written = true;
    }

    OverwriteAnswer AskOverwrite(const std::string& path) override {
        // A folder is never replaced, -f or not: the file is refused and the job goes on.
        std::error_code ec;
        if (fs::is_directory(PathFromUtf8(path), ec)) {
            if (FileEntry* e = ByOutput(path)) {
                e->status = Status::Failed;
                e->message = path + ": is a folder, not written";
                Print(e->message);
            }
            return OverwriteAnswer::No;
        }
        if (force_) return OverwriteAnswer::Yes;
        if (FileEntry* e = ByOutput(path)) {
            e->status = Status::Exists;
            e->message = path + ": exists, left alone (use -f to overwrite)";
            Print(e->message);
        }
        return OverwriteAnswer::No;
    }

    void RefusalDetail(std::string_view detail) override { detail_ = detail; }

    void ShowMessage(Msg msg, const std::string& path) override {
        const std::string text = FormatMessage(msg, path);
        const std::string_view detail = std::exchange(detail_, {});
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
        if (phase_ == Phase::Writing && EndsOutput(msg, path, *e)) outputEnded_ = true;
        // Messages such as "読み出しエラーです" do not name their file; the tool does.
        e->message = text.find(e->path) == std::string::npos ? text + " (" + e->path + ")" : text;
        if (!detail.empty()) e->message += ": " + std::string(detail);
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
    // A job clears the abort flag when it starts, so a signal that came just before would be
    // lost; it is asked for again at every file the job takes in hand.
    static void PassOnStop() {
        if (stopSignal.load() == 0) return;
        if (Workspace* ws = running.load()) ws->OnAbort();
    }

    void Progress(std::string_view verb, std::size_t done, std::size_t total) {
        if (!progress_) return;
        err_ << "\r\x1b[K" << verb << ' ' << done << '/' << total << std::flush;
        progressShown_ = true;
    }

    // The messages that end the output job: the output is the input, the input cannot be
    // opened, the output cannot be created or its path is too long.
    bool EndsOutput(Msg msg, const std::string& path, const FileEntry& e) const {
        if ((msg == Msg::SameFile || msg == Msg::CannotOpen) && path == e.path) return true;
        if (msg != Msg::CannotCreate && msg != Msg::PathTooLong) return false;
        for (const auto& [file, output] : outputs_) {
            if (&files_[file] == &e) return path == output;
        }
        return false;
    }

    FileEntry* ByOutput(const std::string& path) {
        for (const auto& [file, output] : outputs_) {
            if (output == path) return &files_[file];
        }
        return nullptr;
    }

    // The file a message is about: one whose input or output path it names, else the file
    // in hand. Messages outside adding and writing are about no file.
    FileEntry* Owner(Msg msg, const std::string& path) {
        if (phase_ == Phase::Setup) return nullptr;
        if (!path.empty()) {
            for (const auto& [file, output] : outputs_) {
                if (output == path) return &files_[file];
            }
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
    std::vector<std::pair<std::size_t, std::string>> outputs_;
    bool progressShown_ = false;
    std::string_view detail_;  // the reason for the refusal that the next message reports
    bool setupFailed_ = false;
    std::string setupMessage_;
    bool outputEnded_ = false;
    std::string paletteFile_;
};

class Batch {
  public:
    Batch(Options options, std::ostream& out, std::ostream& err, bool progress)
        : o_(std::move(options)),
          out_(out),
          err_(err),
          view_(files_, err, o_.force, progress && !o_.quiet) {}
    ~Batch() { running.store(nullptr); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    int Run();

  private:
    // How the output step ended.
    enum class OutputEnd {
        Done,      // every file was taken in turn
        Stopped,   // a file ended the job (same file, cannot open or create); later ones not
        NotBegun,  // nothing could be written at all
    };

    bool Setup();
    void Analyse();
    void Sort();
    OutputEnd Output();
    bool SavePalette();
    void RefuseAll(const std::string& why);
    int Interrupted();
    void PrintSummary();
    void PrintJson();

    Options o_;
    std::ostream& out_;
    std::ostream& err_;
    std::vector<FileEntry> files_;  // in base-name order, the order of the drop
    CliView view_;
    std::optional<Workspace> ws_;
};

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
        // The palette name finds the file again: an .act file's title, another's whole name.
        const std::string fileName = Utf8FromPath(file.filename());
        paletteName = PaletteFormatOfExtension(fileName) == PaletteFormat::Act
                          ? Utf8FromPath(file.stem())
                          : fileName;
        (o_.mode == PaletteMode::Fixed256 ? settings.pal256 : settings.pal16) = paletteName;
    }
    ws_.emplace(view_, settings, WorkspaceOptions{paletteDir, RunMode::Inline, ScanThreads()});
    running.store(&*ws_);
    ws_->SetKeyColor(o_.keyColor);
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
            e.message = HasBmpExtension(e.path) ? e.path +
                                                      ": skipped, a file of the same name "
                                                      "is already listed"
                                                : e.path + ": skipped, not a .bmp file";
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

Batch::OutputEnd Batch::Output() {
    const int colors = ws_->ColorCount();
    const int depth = ws_->Palette().outputDepth;
    if (colors == 0) {
        err_ << "tintwell-cli: nothing to write: the files use no colors\n";
        return OutputEnd::NotBegun;
    }
    if (colors > depth) {
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
        return OutputEnd::NotBegun;
    }
    std::error_code ec;
    const fs::path dir = PathFromUtf8(*o_.outputDir);
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
        err_ << "tintwell-cli: " << *o_.outputDir << " is not a folder\n";
        return OutputEnd::NotBegun;
    }
    if (!fs::exists(dir, ec)) {
        fs::create_directories(dir, ec);
        if (ec) {
            err_ << MessageText(Msg::CannotCreateDirectory) << " (" << *o_.outputDir << ")\n";
            return OutputEnd::NotBegun;
        }
    }

    std::vector<std::pair<std::size_t, std::string>> outputs;
    for (const std::string& input : ws_->Files().Paths()) {
        for (std::size_t k = 0; k < files_.size(); ++k) {
            if (files_[k].listed && files_[k].path == input) {
                outputs.emplace_back(k, OutputPathFor(*o_.outputDir, input));
                break;
            }
        }
    }
    view_.SetOutputs(std::move(outputs));
    view_.SetPhase(CliView::Phase::Writing);
    ws_->OnOutput(*o_.outputDir);
    view_.EndProgress();
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
    const int signal = stopSignal.load();
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

// The palette file follows the rule of the outputs: what stands at its path is kept and
// reported unless -f.
bool Batch::SavePalette() {
    std::error_code ec;
    if (!o_.force && fs::exists(fs::symlink_status(PathFromUtf8(*o_.savePalette), ec))) {
        view_.Print(*o_.savePalette + ": exists, left alone (use -f to overwrite)");
        return false;
    }
    const Msg result = ws_->WritePaletteFile(PathFromUtf8(*o_.savePalette), o_.force);
    if (result == Msg::None) return true;
    std::string text = FormatMessage(result, *o_.savePalette);
    if (text.find(*o_.savePalette) == std::string::npos) text += " (" + *o_.savePalette + ")";
    view_.Print(text);
    return false;
}

void Batch::PrintSummary() {
    const PaletteSettings& settings = ws_->Palette();
    const ColorTable& table = ws_->Table();
    const ChannelBits& b = settings.bits;
    out_ << "mode " << ModeName(settings.mode);
    if (settings.mode == PaletteMode::RgbBits) {
        out_ << " (bits " << b.red << ',' << b.green << ',' << b.blue << ')';
    }
    out_ << ", " << ws_->FileCount() << " of " << files_.size() << " files, " << table.ColorCount()
         << " colors, output depth " << settings.outputDepth << '\n';
    out_ << "index  red green  blue        pixels\n";
    char line[80];
    for (int p = 0; p < table.ColorCount(); ++p) {
        const ColorSlot& s = table.AtPosition(p);
        std::snprintf(line, sizeof line, "%5d  %3d  %3d   %3d  %12lld\n", p, s.red, s.green, s.blue,
                      static_cast<long long>(s.pixelCount));
        out_ << line;
    }
    if (o_.outputDir) {
        std::size_t written = 0;
        for (const FileEntry& e : files_)
            written += e.status == Status::Written ? 1 : 0;
        out_ << written << " files written to " << *o_.outputDir << '\n';
    }
}

// Before the Workspace has read a file (too many files, no palette) the mode, bits and
// depth are the ones asked for and there are no colors.
void Batch::PrintJson() {
    const bool read = ws_ && !view_.SetupFailed() && ws_->FileCount() > 0;
    const PaletteMode mode = ws_ ? ws_->Palette().mode : o_.mode;
    const ChannelBits b = ws_ ? ws_->Palette().bits : o_.bits;
    const int depth = ws_ ? ws_->Palette().outputDepth : o_.OutputDepth();
    out_ << "{\"mode\":" << JsonString(ModeName(mode)) << ",\"bits\":[" << b.red << ',' << b.green
         << ',' << b.blue << "],\"depth\":" << depth << ",\"colors\":[";
    const ColorTable* table = read ? &ws_->Table() : nullptr;
    for (int p = 0; table != nullptr && p < table->ColorCount(); ++p) {
        const ColorSlot& s = table->AtPosition(p);
        out_ << (p ? "," : "") << "{\"index\":" << p << ",\"red\":" << int{s.red}
             << ",\"green\":" << int{s.green} << ",\"blue\":" << int{s.blue}
             << ",\"pixels\":" << s.pixelCount << '}';
    }
    out_ << "],\"files\":[";
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const FileEntry& e = files_[i];
        out_ << (i ? "," : "") << "{\"path\":" << JsonString(e.path)
             << ",\"status\":" << JsonString(StatusName(e.status))
             << ",\"message\":" << (e.message.empty() ? "null" : JsonString(e.message))
             << ",\"format\":" << (e.format.empty() ? "null" : JsonString(e.format)) << '}';
    }
    out_ << "]}\n";
}

int Batch::Run() {
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
        return 2;
    }
    if (o_.savePalette) {
        // The palette file is never written over a file of the list, whatever path or link
        // leads there.
        for (const FileEntry& e : files_) {
            if (e.path == *o_.savePalette ||
                IsSameFile(PathFromUtf8(*o_.savePalette), PathFromUtf8(e.path))) {
                err_ << "tintwell-cli: --save-palette " << *o_.savePalette
                     << " names an input file\n";
                return 2;
            }
        }
    }
    std::stable_sort(files_.begin(), files_.end(), [](const FileEntry& a, const FileEntry& b) {
        return CompareBaseNames(BaseNamePart(a.path), BaseNamePart(b.path)) < 0;
    });
    if (!Setup()) {
        if (view_.SetupFailed()) RefuseAll(view_.SetupMessage());
        if (o_.json) PrintJson();
        return 2;
    }
    if (stopSignal.load() != 0) return Interrupted();
    Analyse();
    if (stopSignal.load() != 0) return Interrupted();
    if (ws_->FileCount() == 0) {
        if (o_.json) PrintJson();
        if (!o_.quiet) err_ << "tintwell-cli: no file could be read\n";
        return 2;
    }
    Sort();
    const OutputEnd end = o_.outputDir ? Output() : OutputEnd::Done;
    if (stopSignal.load() != 0) return Interrupted();
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

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool progress) {
    ParseResult parsed = ParseArguments(args);
    if (parsed.options.help) {
        out << UsageText();
        return 0;
    }
    if (parsed.options.version) {
        out << "tintwell-cli " << kVersion << '\n';
        return 0;
    }
    if (!parsed.error.empty()) {
        err << "tintwell-cli: " << parsed.error << "\n"
            << "Try 'tintwell-cli --help' for more information.\n";
        return 2;
    }
    Batch batch(std::move(parsed.options), out, err, progress);
    const int status = batch.Run();
    // A result that never reached its reader (a full disk behind standard output, say) is
    // a failure, not a success.
    out.flush();
    if (!out) {
        err << "tintwell-cli: the result could not be written to standard output\n";
        return status > 2 ? status : 2;
    }
    return status;
}

void RequestStop(int signal) noexcept {
    stopSignal.store(signal);
    if (Workspace* ws = running.load()) ws->OnAbort();
}

void InstallStopHandlers() {
#ifdef _WIN32
    for (int signal : {SIGINT, SIGTERM})
        std::signal(signal, [](int s) { RequestStop(s); });
#else
    // The first signal stops the run as the abort button would; a second one, with the
    // handler reset, ends the process at once (an anonymous output file vanishes with it).
    struct sigaction action {};
    action.sa_handler = [](int s) { RequestStop(s); };
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

}  // namespace tintwell::cli
