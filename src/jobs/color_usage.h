#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jobs/file_list.h"
#include "palette/color_table.h"

namespace tintwell {

// Which listed files use which colors, read from what the analysis already keeps for each
// file (its index map and counts): no file is read again.

// The pixels of one listed file (its list position) that map to a color.
struct FileUse {
    int file = 0;
    std::int64_t pixels = 0;

    friend bool operator==(const FileUse&, const FileUse&) = default;
};

// For each row of the color list, the files whose pixels map to it, in file list order.
[[nodiscard]] std::vector<std::vector<FileUse>> UsageByColor(const FileList& files,
                                                             const ColorTable& table);

// For each file, in list order, its pixels that map to any of the color rows `rows`.
// Rows outside the list count for nothing.
[[nodiscard]] std::vector<std::int64_t> PixelsOfRows(const FileList& files, const ColorTable& table,
                                                     std::span<const int> rows);

}  // namespace tintwell
