#pragma once

#include <array>
#include <cstdint>

#include "jobs/file_list.h"
#include "jobs/preview_job.h"
#include "palette/color.h"
#include "palette/color_table.h"
#include "palette/palette_settings.h"
#include "resources/string_table.h"

namespace tintwell {

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
