#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "jobs/file_list.h"
#include "palette/color.h"
#include "palette/color_table.h"
#include "palette/palette_settings.h"
#include "resources/string_table.h"

namespace tintwell {

// The pixels of one listed file as its file palette indices, one byte a pixel, top row
// first: what the analysis numbered and the writer translates. A preview keeps this and
// turns it into colors through a 256-entry lookup whenever the table changes, so the file
// is read once per preview (width x height bytes, 1 MiB for 1024 x 1024).
struct FilePixels {
    Msg error = Msg::None;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    // The file's own color of each index, as the analysis saw it.
    std::array<Rgb, kFileIndexCount> fileColors{};
};

// Reads the file of `record` again, numbering its pixels exactly as the writer does. A file
// changed since it was analysed gives Msg::ChangedSinceAnalysis, as its output would.
[[nodiscard]] FilePixels ReadFilePixels(const FileRecord& record);

// True when both rules number a file's pixels alike, so indices read under one hold under
// the other.
[[nodiscard]] bool SameNumbering(const TrueColorRule& a, const TrueColorRule& b);

// What each file index becomes in the output file: its entry (the list position; an output
// of 16 entries keeps the low four bits, as its pixels do) and that entry's color.
struct PreviewOutput {
    std::array<int, kFileIndexCount> entries{};
    std::array<Rgb, kFileIndexCount> colors{};
};

[[nodiscard]] PreviewOutput OutputOf(const FileRecord& record, const ColorTable& table,
                                     const PaletteSettings& settings);

}  // namespace tintwell
