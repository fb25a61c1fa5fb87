#include "bitmap/analyser.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include "bitmap/bmp_header.h"
#include "bitmap/color_index.h"

namespace tintwell {
namespace {

// Rows are read in blocks of about this many bytes (at least one row), so big files go
// through the stream in few large reads while memory stays at a few rows.
constexpr std::uint64_t kBlockBytes = 64 * 1024;

// Counts the pixels of one 8-bit row: each of the first `width` bytes is a palette index.
void CountPaletted8(const std::uint8_t* row, std::size_t width, IndexCounts& counts) {
    for (std::size_t x = 0; x < width; ++x)
        ++counts[row[x]];
}

// Counts the pixels of one 4-bit row: the high nibble is the left pixel of each pair. In a
// row of odd width the low nibble of the last byte is padding.
void CountPaletted4(const std::uint8_t* row, std::size_t width, IndexCounts& counts) {
    const std::size_t pairs = width / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        ++counts[row[i] >> 4];
        ++counts[row[i] & 0x0F];
    }
    if (width % 2 != 0) ++counts[row[pairs] >> 4];
}

// Counts the pixels of one 24-bit row (blue, green, red) under their first-occurrence
// index. False at the first pixel of a 257th color.
bool CountRgb24(const std::uint8_t* row, std::size_t width, FirstOccurrenceIndex& colors,
                IndexCounts& counts) {
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint8_t* p = row + 3 * x;
        const int index = colors.IndexOf(p[0], p[1], p[2]);
        if (index == FirstOccurrenceIndex::kFull) return false;
        ++counts[index];
    }
    return true;
}

}  // namespace

// Reads the headers, then every row in stored order, counting pixels per file index.
BitmapScan ScanBitmap(std::istream& in) {
    BitmapScan scan;
    const HeaderResult read = ReadBmpHeader(in);
    if (read.error != Msg::None) {
        scan.error = read.error;
        return scan;
    }
    const BmpHeader& h = read.header;
    const std::size_t width = static_cast<std::size_t>(h.width);
    FirstOccurrenceIndex colors;

    if (h.rows > 0) {
        // The header check guarantees rows x stride bytes in the file, so the block is
        // no larger than the file.
        const std::uint64_t blockRows =
            std::clamp<std::uint64_t>(kBlockBytes / h.stride, 1, h.rows);
        std::vector<std::uint8_t> block;
        try {
            block.resize(static_cast<std::size_t>(blockRows * h.stride));
        } catch (const std::bad_alloc&) {
            scan.error = Msg::OutOfMemory;
            return scan;
        }
        for (std::uint64_t done = 0; done < h.rows;) {
            const std::uint64_t n = std::min(blockRows, h.rows - done);
            const auto bytes = static_cast<std::streamsize>(n * h.stride);
            in.read(reinterpret_cast<char*>(block.data()), bytes);
            if (in.gcount() != bytes) {
                scan.error = Msg::ReadError;
                return scan;
            }
            for (std::uint64_t r = 0; r < n; ++r) {
                const std::uint8_t* row = block.data() + r * h.stride;
                if (h.bitCount == 8) {
                    CountPaletted8(row, width, scan.useCounts);
                } else if (h.bitCount == 4) {
                    CountPaletted4(row, width, scan.useCounts);
                } else if (!CountRgb24(row, width, colors, scan.useCounts)) {
                    scan.error = Msg::TooManyColors24;
                    return scan;
                }
            }
            done += n;
        }
    }

    if (h.bitCount == 24) {
        for (int i = 0; i < colors.Size(); ++i)
            scan.palette[i] = colors.ColorAt(i);
    } else {
        scan.palette = h.palette;
    }
    return scan;
}

// Enters each used color in ascending file index order, so a file's new colors join the
// list in that order (for 24-bit files: in order of first occurrence).
void MapScan(const BitmapScan& scan, const PaletteSettings& settings, ColorTable& table,
             IndexMap& indexMap, IndexCounts& indexCounts) {
    if (scan.error != Msg::None) return;
    for (int k = 0; k < kFileIndexCount; ++k) {
        const std::int64_t n = scan.useCounts[k];
        if (n == 0) continue;
        const ColorQuad color = scan.palette[k];
        int slot = 0;
        if (settings.mode == PaletteMode::RgbBits) {
            slot = table.FindMaskedColor(color, settings.mask);
            if (slot == -1) {
                slot = table.AddColor(color, n, settings.mask);
            } else {
                table.Slot(slot).pixelCount += n;
            }
        } else {
            slot = table.FindNearestColor(color);
            // An empty fixed table breaks the caller's promise: the index then maps to no
            // color and stays unused (map 0, count 0), so nothing that walks the used
            // indices (removing the file, a merge, the output map) ever meets slot -1.
            if (slot < 0) continue;
            table.Slot(slot).pixelCount += n;
        }
        indexMap[k] = slot;
        indexCounts[k] = n;
    }
}

// Scans the whole file first, so a refused file leaves the table as it was.
Msg AnalyseBitmap(std::istream& in, const PaletteSettings& settings, ColorTable& table,
                  IndexMap& indexMap, IndexCounts& indexCounts) {
    const BitmapScan scan = ScanBitmap(in);
    if (scan.error != Msg::None) return scan.error;
    MapScan(scan, settings, table, indexMap, indexCounts);
    return Msg::None;
}

}  // namespace tintwell
