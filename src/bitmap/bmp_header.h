#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string_view>

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

// biCompression values. 3 and 4 mean Huffman 1D and RLE24 behind an OS/2 2.x header.
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitfields = 3;
inline constexpr std::uint32_t kBiJpeg = 4;
inline constexpr std::uint32_t kBiPng = 5;
inline constexpr std::uint32_t kBiAlphaBitfields = 6;

// How the pixel rows are stored; one decoder each.
enum class PixelEncoding : std::uint8_t {
    Paletted,   // 1, 2, 4 or 8 bits of palette index per pixel
    Rle8,       // run-length coded 8-bit indices
    Rle4,       // run-length coded 4-bit indices
    Bitfields,  // 16 or 32 bits per pixel, channels picked out by masks
    Rgb24,      // blue, green, red bytes
};

// The channel masks of a 16- or 32-bit pixel; alpha 0 when the pixels carry no alpha.
struct ChannelMasks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    std::uint32_t alpha = 0;
};

// What reader and writer need of an input bitmap's headers, read once.
//
// File header (14 bytes)          Information header (at 14; 12 and 16 bytes and longer forms)
//   0  bfType      "BM"             0  biSize         12 (OS/2 core), 16..64 (OS/2 2.x), 40..
//   2  bfSize      unused           4  biWidth        i32 (core: u16 at 4)
//   6  bfReserved1 carried over     8  biHeight       i32, < 0 = top-down (core: u16 at 6)
//   8  bfReserved2 carried over    12  biPlanes       u16 (core: at 8)
//  10  bfOffBits   pixel rows      14  biBitCount     u16 (core: at 10)
//                                  16  biCompression  see kBi... (core and 16-byte: none)
//                                  24  biXPelsPerMeter, 28 biYPelsPerMeter
//                                  40  red, green, blue masks (52 bytes and longer), 52 alpha
// The color table follows the information header (behind the three or four masks that a
// 40-byte header with bit fields has there): 4-byte entries (blue, green, red, reserved),
// 3-byte entries behind a core header. It ends where the pixel rows begin.
struct BmpHeader {
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t offBits = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // as stored: negative for top-down rows
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;

    PixelEncoding encoding = PixelEncoding::Paletted;
    ChannelMasks masks;          // Bitfields only
    std::uint64_t rows = 0;      // |height|
    std::uint64_t stride = 0;    // bytes per stored row (uncompressed encodings)
    std::uint64_t dataSize = 0;  // bytes from the first pixel row to the end of the file
    // The color table; entries past the end of the header region are black.
    std::array<ColorQuad, kMaxPaletteEntries> palette{};
    unsigned paletteEntries = 0;  // entries that lie inside the header region

    // True when rows decode to colors rather than palette indices.
    [[nodiscard]] bool TrueColor() const {
        return encoding == PixelEncoding::Bitfields || encoding == PixelEncoding::Rgb24;
    }
};

struct HeaderResult {
    Msg error = Msg::None;
    BmpHeader header;
    std::string_view detail;  // why the file was refused, in a user's words
};

// Reads and checks the headers of a bitmap from the start of `in`, in this order:
// file header (222), "BM" (220), header region (222), header form, compression, bit count
// and masks (223), negative width (223), pixel rows against the file length (234). On
// success `in` stands at the first pixel row.
[[nodiscard]] HeaderResult ReadBmpHeader(std::istream& in);

// A short name of the file's pixel format: "bmp-1", "bmp-rle8", "bmp-16", "bmp-32" ...
[[nodiscard]] std::string_view FormatName(const BmpHeader& header);

}  // namespace tintwell
