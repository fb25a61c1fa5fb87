#pragma once

#include <array>
#include <cstdint>
#include <istream>

#include "palette/color.h"
#include "resources/string_table.h"

namespace tintwell {

// Bytes in one stored row of `width` pixels at `bitsPerPixel`: rows are padded to a
// multiple of 4 bytes. The one place this formula is written; reader and writer share it.
[[nodiscard]] constexpr std::uint64_t RowStride(std::int64_t width, unsigned bitsPerPixel) {
    return ((static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
inline constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 BITMAPCOREHEADER
inline constexpr std::size_t kMaxPaletteEntries = 256;

// What reader and writer need of an input bitmap's headers, read once.
//
// File header (14 bytes)          Information header (at 14; 40 bytes and longer forms)
//   0  bfType      "BM"             0  biSize         12 (OS/2 core) or >= 40
//   2  bfSize      unused           4  biWidth        i32 (core: u16 at 4)
//   6  bfReserved1 carried over     8  biHeight       i32, < 0 = top-down (core: u16 at 6)
//   8  bfReserved2 carried over    12  biPlanes       u16 (core: at 8)
//  10  bfOffBits   pixel rows      14  biBitCount     u16 (core: at 10)
//                                  16  biCompression  0 = uncompressed (core: none)
//                                  24  biXPelsPerMeter, 28 biYPelsPerMeter
// The color table follows the information header: 4-byte entries (blue, green, red,
// reserved), 3-byte entries behind a core header. It ends where the pixel rows begin.
struct BmpHeader {
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t offBits = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // as stored: negative for top-down rows
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;

    std::uint64_t rows = 0;    // |height|
    std::uint64_t stride = 0;  // bytes per stored row
    // The color table; entries past the end of the header region are black.
    std::array<ColorQuad, kMaxPaletteEntries> palette{};
    unsigned paletteEntries = 0;  // entries that lie inside the header region
};

struct HeaderResult {
    Msg error = Msg::None;
    BmpHeader header;
};

// Reads and checks the headers of a bitmap from the start of `in`, in this order:
// file header (222), "BM" (220), header region (222), header form, compression and bit
// count (223), negative width (223), pixel rows against the file length (234). On success
// `in` stands at the first pixel row.
[[nodiscard]] HeaderResult ReadBmpHeader(std::istream& in);

}  // namespace tintwell
