#pragma once

// What every reader of the writer's output relies on, checked field by field: the fuzz
// targets call it on each file written, so an output that another program would refuse is
// a finding even when our own reader takes it.
#include <cstdint>
#include <span>

#include "bitmap/bmp_header.h"
#include "bitmap/byte_io.h"
#include "palette/output_depth.h"

namespace tintwell::fuzz {

// Null when `b` is a well-formed output of `depth` (16 or 256) colors for an input of
// `width` x `height` (height signed as stored); otherwise what is wrong.
[[nodiscard]] inline const char* OutputHeaderFault(std::span<const std::uint8_t> b, int depth,
                                                   std::int64_t width, std::int64_t height) {
    const auto entries = static_cast<std::uint64_t>(OutputDepth(depth).Entries());
    const unsigned bits = OutputDepth(depth).BitsPerPixel();
    const std::uint64_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * entries;
    if (b.size() < offset) return "the output is shorter than its headers";
    if (b[0] != 'B' || b[1] != 'M') return "the output does not start with BM";
    if (readU32le(b, 2) != b.size()) return "bfSize is not the file size";
    if (readU32le(b, 10) != offset) return "bfOffBits is not 54 + 4 x depth";
    if (readU32le(b, 14) != kInfoHeaderSize) return "biSize is not 40";
    if (readI32le(b, 18) != width) return "biWidth changed";
    if (readI32le(b, 22) != height) return "biHeight changed";
    if (readU16le(b, 26) != 1) return "biPlanes is not 1";
    if (readU16le(b, 28) != bits) return "biBitCount does not match the depth";
    if (readU32le(b, 30) != 0) return "biCompression is not 0";
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t image = RowStride(width, bits) * rows;
    if (readU32le(b, 34) != image) return "biSizeImage is not stride x rows";
    if (readU32le(b, 46) != entries) return "biClrUsed is not the depth";
    if (readU32le(b, 50) != 0) return "biClrImportant is not 0";
    if (b.size() != offset + image) return "the file size is not headers + rows";
    for (std::uint64_t j = 0; j < entries; ++j) {
        if (b[kFileHeaderSize + kInfoHeaderSize + 4 * j + 3] != 0) {
            return "a color-table entry's reserved byte is not 0";
        }
    }
    return nullptr;
}

}  // namespace tintwell::fuzz
