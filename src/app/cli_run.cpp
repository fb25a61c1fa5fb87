#include "app/cli_run.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "app/cli_options.h"
#include "app/json_writer.h"
#include "bitmap/analyser.h"
#include "bitmap/writer.h"
#include "jobs/file_io.h"
#include "jobs/file_paths.h"
#include "jobs/scan_pipeline.h"
#include "palette/act_file.h"
#include "palette/color_table.h"
#include "palette/fixed_palettes.h"

namespace tintwell::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxFiles = 128;
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
    IndexMap indexMap{};
    IndexCounts indexCounts{};
};

unsigned WorkerThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : std::min(n, 4u);
}

class Batch {
  public:
    Batch(Options options, std::ostream& out, std::ostream& err, bool progress)
        : o_(std::move(options)), out_(out), err_(err), progress_(progress && !o_.quiet) {
        settings_.mode = o_.mode;
        settings_.bits = o_.bits;
        settings_.mask = MaskFor(o_.bits);
        settings_.outputDepth = o_.OutputDepth();
    }

    int Run();

  private:
    bool LoadPalette();
    void Analyse();
    void Sort();
    bool CheckOutput();
    void WriteOutputs();
    bool SavePalette();
    void Report(const FileEntry& e);
    void Progress(std::string_view verb, std::size_t done, std::size_t total);
    void EndProgress();
    void PrintSummary();
    void PrintJson();

    Options o_;
    std::ostream& out_;
    std::ostream& err_;
    bool progress_;
    PaletteSettings settings_;
    ColorTable table_;
    std::vector<FileEntry> files_;     // in base-name order
    std::vector<std::size_t> listed_;  // accepted files, in list order
    std::mutex reportMutex_;
    bool progressShown_ = false;
    bool failed_ = false;  // something was refused, skipped as existing or failed
};

void Batch::Progress(std::string_view verb, std::size_t done, std::size_t total) {
    if (!progress_) return;
    std::lock_guard lock(reportMutex_);
    err_ << "\r\x1b[K" << verb << ' ' << done << '/' << total << std::flush;
    progressShown_ = true;
}

void Batch::EndProgress() {
    if (!progressShown_) return;
    err_ << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

// Messages go out one per line, after clearing the progress line.
void Batch::Report(const FileEntry& e) {
    if (e.status == Status::Refused || e.status == Status::Exists || e.status == Status::Failed) {
        failed_ = true;
    }
    if (e.message.empty()) return;
    if (e.status == Status::Skipped && o_.quiet) return;
    std::lock_guard lock(reportMutex_);
    if (progressShown_) err_ << "\r\x1b[K";
    err_ << e.message << '\n';
}

bool Batch::LoadPalette() {
    if (o_.mode == PaletteMode::RgbBits) return true;
    const bool big = o_.mode == PaletteMode::Fixed256;
    std::vector<Rgb> colors;
    if (o_.paletteFile) {
        const ActReadResult read = ReadActFile(*o_.paletteFile);
        if (read.status == ActReadStatus::CannotOpen) {
            err_ << FormatMessage(Msg::CannotOpen, *o_.paletteFile) << '\n';
            return false;
        }
        if (read.status == ActReadStatus::TooShort) {
            err_ << MessageText(big ? Msg::BadPalette256 : Msg::BadPalette16) << " ("
                 << *o_.paletteFile << ")\n";
            return false;
        }
        const std::size_t entries = big ? 256 : 16;
        for (std::size_t i = 0; i < entries; ++i) {
            colors.push_back({read.bytes[3 * i], read.bytes[3 * i + 1], read.bytes[3 * i + 2]});
        }
    } else if (big) {
        colors.assign(BuiltInPalette256().begin(), BuiltInPalette256().end());
    } else {
        colors.assign(BuiltInPalette16().begin(), BuiltInPalette16().end());
    }
    table_.FillFixedPalette(colors);
    return true;
}

// Files are listed by base name, a later one behind an equal one; colors enter the table
// in that order, each file's scan read ahead on the other cores.
void Batch::Analyse() {
    for (const std::string& path : o_.files) {
        FileEntry entry;
        entry.path = path;
        files_.push_back(std::move(entry));
    }
    std::stable_sort(files_.begin(), files_.end(), [](const FileEntry& a, const FileEntry& b) {
        return CompareBaseNames(BaseNamePart(a.path), BaseNamePart(b.path)) < 0;
    });

    std::vector<std::string> paths;
    for (FileEntry& e : files_) {
        if (!HasBmpExtension(e.path)) {
            e.status = Status::Skipped;
            e.message = e.path + ": skipped, not a .bmp file";
        } else if (IsPathTooLong(e.path)) {
            e.status = Status::Refused;
            e.message = FormatMessage(Msg::PathTooLong, e.path);
        }
        paths.push_back(e.path);
    }

    const auto want = [&](std::size_t i) { return files_[i].status == Status::Pending; };
    const auto deliver = [&](std::size_t i, const BitmapScan& scan) {
        FileEntry& e = files_[i];
        Progress("analysing", i + 1, files_.size());
        if (e.status != Status::Pending) {
            Report(e);
            return true;
        }
        const std::string_view base = BaseNamePart(e.path);
        for (std::size_t k : listed_) {
            if (CompareBaseNames(BaseNamePart(files_[k].path), base) == 0) {
                e.status = Status::Skipped;
                e.message = e.path + ": skipped, " + files_[k].path + " has the same name";
                Report(e);
                return true;
            }
        }
        if (scan.error != Msg::None) {
            e.status = Status::Refused;
            e.message = FormatMessage(scan.error, e.path);
            Report(e);
            return true;
        }
        MapScan(scan, settings_, table_, e.indexMap, e.indexCounts);
        e.status = Status::Analysed;
        listed_.push_back(i);
        return true;
    };
    ScanInOrder(paths, WorkerThreads(), want, deliver);
    EndProgress();
}

// Reorders the color list by pixel count; equal counts keep their order, so runs repeat.
void Batch::Sort() {
    if (o_.sort == SortOrder::None) return;
    std::vector<int> order(table_.ListOrder().begin(), table_.ListOrder().end());
    const bool descending = o_.sort == SortOrder::PixelsDescending;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto ca = table_.Slot(a).pixelCount;
        const auto cb = table_.Slot(b).pixelCount;
        return descending ? ca > cb : ca < cb;
    });
    table_.SetListOrder(std::move(order));
}

bool Batch::CheckOutput() {
    const int colors = table_.ColorCount();
    const int depth = settings_.outputDepth;
    if (colors == 0) {
        err_ << "tintwell-cli: nothing to write: the files use no colors\n";
        return false;
    }
    if (colors > depth) {
        err_ << "tintwell-cli: " << colors << " colors do not fit a " << depth
             << "-color palette; nothing written.";
        std::vector<std::string> hints;
        const ChannelBits& b = settings_.bits;
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
        return false;
    }
    std::error_code ec;
    const fs::path dir = *o_.outputDir;
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
        err_ << "tintwell-cli: " << dir.string() << " is not a folder\n";
        return false;
    }
    if (!fs::exists(dir, ec)) {
        fs::create_directories(dir, ec);
        if (ec) {
            err_ << MessageText(Msg::CannotCreateDirectory) << " (" << dir.string() << ")\n";
            return false;
        }
    }
    return true;
}

// Every accepted file is written in list order into the output folder under its own name.
// What happens to each file is decided first, in order, so that a file that would overwrite
// its own input stops the run before anything after it is touched; the writing itself then
// runs on all cores.
void Batch::WriteOutputs() {
    struct Task {
        std::size_t file;
        fs::path target;
        Msg result = Msg::None;
    };
    std::vector<Task> tasks;
    for (std::size_t k : listed_) {
        FileEntry& e = files_[k];
        const std::string name =
            std::string(BaseNamePart(e.path)) + std::string(ExtensionPart(e.path));
        fs::path target = fs::path(*o_.outputDir) / name;
        if (IsSameFile(target, e.path)) {
            e.status = Status::Failed;
            e.message = FormatMessage(Msg::SameFile, e.path);
            Report(e);
            break;
        }
        if (IsPathTooLong(target.string())) {
            e.status = Status::Failed;
            e.message = FormatMessage(Msg::PathTooLong, target.string());
            Report(e);
            continue;
        }
        std::error_code ec;
        if (!o_.force && fs::exists(fs::symlink_status(target, ec))) {
            e.status = Status::Exists;
            e.message = target.string() + ": exists, left alone (use -f to overwrite)";
            Report(e);
            continue;
        }
        tasks.push_back(Task{k, std::move(target), Msg::None});
    }

    const std::vector<Rgb> palette = table_.Palette();
    const OutputPalette out{palette, settings_.outputDepth};
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    const auto work = [&] {
        for (std::size_t t; (t = next.fetch_add(1)) < tasks.size();) {
            Task& task = tasks[t];
            const FileEntry& e = files_[task.file];
            const OutputIndexMap map = table_.BuildOutputIndexMap(e.indexMap);
            InputFile in(e.path);
            if (!in.IsOpen()) {
                task.result = Msg::CannotOpen;
            } else {
                task.result = WriteFileAtomically(task.target, [&](std::ostream& os) {
                    return WriteBitmap(in.Stream(), os, out, map);
                });
            }
            Progress("writing", done.fetch_add(1) + 1, tasks.size());
        }
    };
    {
        std::vector<std::jthread> pool;
        const unsigned threads = std::min<std::size_t>(WorkerThreads(), tasks.size());
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(work);
        work();
    }
    EndProgress();

    for (const Task& task : tasks) {
        FileEntry& e = files_[task.file];
        if (task.result == Msg::None) {
            e.status = Status::Written;
            continue;
        }
        e.status = Status::Failed;
        // Creating names the output file; everything else is about the input.
        const bool aboutOutput = task.result == Msg::CannotCreate;
        e.message = FormatMessage(task.result, aboutOutput ? task.target.string() : e.path);
        if (task.result == Msg::WriteError || task.result == Msg::ReadError ||
            task.result == Msg::OutOfMemory) {
            e.message += " (" + e.path + ")";
        }
        Report(e);
    }
}

bool Batch::SavePalette() {
    const ActBytes bytes = EncodeActPalette(table_.Palette());
    const Msg result = WriteFileAtomically(*o_.savePalette, [&](std::ostream& os) {
        os.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return os ? Msg::None : Msg::WriteError;
    });
    if (result == Msg::None) return true;
    err_ << FormatMessage(result, *o_.savePalette);
    if (result == Msg::WriteError) err_ << " (" << *o_.savePalette << ")";
    err_ << '\n';
    return false;
}

void Batch::PrintSummary() {
    const ChannelBits& b = settings_.bits;
    out_ << "mode " << ModeName(settings_.mode);
    if (settings_.mode == PaletteMode::RgbBits) {
        out_ << " (bits " << b.red << ',' << b.green << ',' << b.blue << ')';
    }
    out_ << ", " << listed_.size() << " of " << files_.size() << " files, " << table_.ColorCount()
         << " colors, output depth " << settings_.outputDepth << '\n';
    out_ << "index  red green  blue        pixels\n";
    char line[80];
    for (int p = 0; p < table_.ColorCount(); ++p) {
        const ColorSlot& s = table_.AtPosition(p);
        std::snprintf(line, sizeof line, "%5d  %3d  %3d   %3d  %12lld\n", p, s.red, s.green, s.blue,
                      static_cast<long long>(s.pixelCount));
        out_ << line;
    }
    std::size_t written = 0;
    for (const FileEntry& e : files_)
        written += e.status == Status::Written ? 1 : 0;
    if (o_.outputDir) out_ << written << " files written to " << *o_.outputDir << '\n';
}

void Batch::PrintJson() {
    const ChannelBits& b = settings_.bits;
    out_ << "{\"mode\":" << JsonString(ModeName(settings_.mode)) << ",\"bits\":[" << b.red << ','
         << b.green << ',' << b.blue << "],\"depth\":" << settings_.outputDepth << ",\"colors\":[";
    for (int p = 0; p < table_.ColorCount(); ++p) {
        const ColorSlot& s = table_.AtPosition(p);
        out_ << (p ? "," : "") << "{\"index\":" << p << ",\"red\":" << int{s.red}
             << ",\"green\":" << int{s.green} << ",\"blue\":" << int{s.blue}
             << ",\"pixels\":" << s.pixelCount << '}';
    }
    out_ << "],\"files\":[";
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const FileEntry& e = files_[i];
        out_ << (i ? "," : "") << "{\"path\":" << JsonString(e.path)
             << ",\"status\":" << JsonString(StatusName(e.status))
             << ",\"message\":" << (e.message.empty() ? "null" : JsonString(e.message)) << '}';
    }
    out_ << "]}\n";
}

int Batch::Run() {
    if (static_cast<int>(o_.files.size()) > kMaxFiles) {
        err_ << MessageText(Msg::TooManyFiles) << '\n';
        return 2;
    }
    if (!LoadPalette()) return 2;
    Analyse();
    if (listed_.empty()) {
        if (o_.json) PrintJson();
        if (!o_.quiet) err_ << "tintwell-cli: no file could be read\n";
        return 2;
    }
    Sort();
    if (o_.outputDir) {
        if (!CheckOutput()) {
            if (o_.json) PrintJson();
            return 2;
        }
        WriteOutputs();
    }
    if (o_.savePalette && !SavePalette()) failed_ = true;

    if (o_.json) {
        PrintJson();
    } else if (!o_.quiet) {
        PrintSummary();
    }
    return failed_ ? 1 : 0;
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
    return batch.Run();
}

}  // namespace tintwell::cli
