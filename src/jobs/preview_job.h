#pragma once

#include <array>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "bitmap/true_color.h"
#include "jobs/file_fingerprint.h"
#include "jobs/file_list.h"
#include "palette/color.h"
#include "palette/color_table.h"
#include "resources/string_table.h"

namespace tintwell {

// What a preview needs of a listed file, copied out of its record so that the read can run
// while the list changes.
struct PreviewRequest {
    std::string path;
    FileFingerprint analysed;  // what the analysis read
    TrueColorRule rule;        // how the analysis numbered true-color pixels
};

[[nodiscard]] PreviewRequest PreviewRequestFor(const FileRecord& record);

// The pixels of one listed file as its file palette indices, one byte a pixel, top row
// first: what the analysis numbered and the writer translates. A preview keeps this and
// turns it into colors through a 256-entry lookup, so the file is read once per preview.
struct FilePixels {
    Msg error = Msg::None;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    // The file's own color of each index, as the analysis saw it.
    std::array<Rgb, kFileIndexCount> fileColors{};
};

// The largest image a preview reads: one byte a pixel, 1 GiB. Larger gives OutOfMemory.
inline constexpr std::uint64_t kMaxPreviewPixels = std::uint64_t{1} << 30;

// Reads the file's pixel rows once and numbers them exactly as the analysis and the writer
// do, holding nothing but the indices (width x height bytes). A file changed since it was
// analysed gives Msg::ChangedSinceAnalysis, as its output would. When `stop` is requested it
// returns early without pixels; whoever asked for the stop drops the value.
[[nodiscard]] FilePixels ReadFilePixels(PreviewRequest request, std::stop_token stop = {});

}  // namespace tintwell
