#include "jobs/color_usage.h"

namespace tintwell {
namespace {

// The row of each slot, -1 where the slot is not listed.
std::vector<int> RowOfSlot(const ColorTable& table) {
    std::vector<int> rows(kSlotCount, -1);
    for (int row = 0; row < table.ColorCount(); ++row)
        rows[static_cast<std::size_t>(table.ListOrder(row))] = row;
    return rows;
}

}  // namespace

std::vector<std::vector<FileUse>> UsageByColor(const FileList& files, const ColorTable& table) {
    const std::vector<int> rowOfSlot = RowOfSlot(table);
    std::vector<std::vector<FileUse>> usage(static_cast<std::size_t>(table.ColorCount()));
    int file = 0;
    for (const FileRecord& record : files) {
        // Several file indices may map to one color (after a merge, in a fixed palette):
        // they add up in one entry per file, which is the row's last while this file is read.
        for (int k = 0; k < kFileIndexCount; ++k) {
            if (record.indexCounts[k] <= 0) continue;
            const int row = rowOfSlot[static_cast<std::size_t>(record.indexMap[k])];
            if (row < 0) continue;
            std::vector<FileUse>& users = usage[static_cast<std::size_t>(row)];
            if (users.empty() || users.back().file != file) users.push_back({file, 0});
            users.back().pixels += record.indexCounts[k];
        }
        ++file;
    }
    return usage;
}

std::vector<std::int64_t> PixelsOfRows(const FileList& files, const ColorTable& table,
                                       std::span<const int> rows) {
    std::vector<char> chosen(kSlotCount, 0);
    for (int row : rows) {
        if (row >= 0 && row < table.ColorCount())
            chosen[static_cast<std::size_t>(table.ListOrder(row))] = 1;
    }
    std::vector<std::int64_t> pixels;
    pixels.reserve(static_cast<std::size_t>(files.Count()));
    for (const FileRecord& record : files) {
        std::int64_t sum = 0;
        for (int k = 0; k < kFileIndexCount; ++k) {
            if (record.indexCounts[k] > 0 && chosen[static_cast<std::size_t>(record.indexMap[k])])
                sum += record.indexCounts[k];
        }
        pixels.push_back(sum);
    }
    return pixels;
}

}  // namespace tintwell
