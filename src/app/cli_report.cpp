// The run's report on standard output: the summary table or the JSON document.
#include <cstdio>
#include <string>

#include "app/cli_batch.h"
#include "app/json_writer.h"
#include "jobs/color_usage.h"

namespace tintwell::cli {

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
    std::vector<std::vector<FileUse>> usage;
    if (read) usage = UsageByColor(ws_->Files(), *table);
    for (int p = 0; table != nullptr && p < table->ColorCount(); ++p) {
        const ColorSlot& s = table->AtPosition(p);
        out_ << (p ? "," : "") << "{\"index\":" << p << ",\"red\":" << int{s.red}
             << ",\"green\":" << int{s.green} << ",\"blue\":" << int{s.blue}
             << ",\"pixels\":" << s.pixelCount << ",\"files\":[";
        // The files whose pixels map to this color, as their paths are listed below.
        const std::vector<FileUse>& users = usage[static_cast<std::size_t>(p)];
        for (std::size_t u = 0; u < users.size(); ++u) {
            out_ << (u ? "," : "")
                 << "{\"path\":" << JsonString(ws_->Files().At(users[u].file).path)
                 << ",\"pixels\":" << users[u].pixels << '}';
        }
        out_ << "]}";
    }
    out_ << "],\"files\":[";
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const FileEntry& e = files_[i];
        out_ << (i ? "," : "") << "{\"path\":" << JsonString(e.path)
             << ",\"status\":" << JsonString(StatusName(e.status))
             << ",\"message\":" << (e.message.empty() ? "null" : JsonString(e.message))
             << ",\"format\":" << (e.format.empty() ? "null" : JsonString(e.format)) << '}';
    }
    out_ << "],\"palette\":" << PaletteJson() << "}\n";
}

// The --save-palette file as a file entry: written, exists, failed, or skipped when the run
// ended before it; null without --save-palette.
std::string Batch::PaletteJson() const {
    if (!o_.savePalette) return "null";
    const std::string& path = *o_.savePalette;
    const bool tried = palette_.status != Status::Pending;
    const std::string message =
        tried ? palette_.message : path + ": not saved, the run ended before the palette file";
    return "{\"path\":" + JsonString(path) +
           ",\"status\":" + JsonString(tried ? StatusName(palette_.status) : "skipped") +
           ",\"message\":" + (message.empty() ? "null" : JsonString(message)) + '}';
}

}  // namespace tintwell::cli
