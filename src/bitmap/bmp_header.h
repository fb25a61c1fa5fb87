#pragma once

#include <array>
#include <cstddef>
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

// Where each header field lies: the one table of offsets that reader and writer use.
// All fields are little-endian.
//
// The file header, from the start of the file (kFileHeaderSize bytes).
namespace file_header {
inline constexpr std::size_t kType = 0;       // "BM"
inline constexpr std::size_t kSize = 2;       // u32 file size; not trusted on reading
inline constexpr std::size_t kReserved1 = 6;  // u16, carried over to the output
inline constexpr std::size_t kReserved2 = 8;  // u16, carried over to the output
inline constexpr std::size_t kOffBits = 10;   // u32 offset of the first pixel row
}  // namespace file_header

// The information header, from its own start (file offset 14). biSize tells its form: 12
// bytes is the OS/2 1.x core header (see core_header), 16..39 and 64 the OS/2 2.x one, 40
// and longer the Windows one. A field lies past the end of a shorter header and reads as
// 0 there: a 16-byte header has no compression, a 40-byte one no masks (with bit fields
// they follow it, where the color table would start).
namespace info_header {
inline constexpr std::size_t kSize = 0;            // u32 biSize
inline constexpr std::size_t kWidth = 4;           // i32; negative refused
inline constexpr std::size_t kHeight = 8;          // i32; negative = rows stored top-down
inline constexpr std::size_t kPlanes = 12;         // u16
inline constexpr std::size_t kBitCount = 14;       // u16: 1, 2, 4, 8, 16, 24 or 32
inline constexpr std::size_t kCompression = 16;    // u32: see kBi...
inline constexpr std::size_t kSizeImage = 20;      // u32 bytes of pixel rows; may be 0
inline constexpr std::size_t kXPelsPerMeter = 24;  // i32
inline constexpr std::size_t kYPelsPerMeter = 28;  // i32
inline constexpr std::size_t kClrUsed = 32;        // u32 color-table entries; 0 = all
inline constexpr std::size_t kClrImportant = 36;   // u32
inline constexpr std::size_t kRedMask = 40;        // u32, in headers of 52 bytes and longer
inline constexpr std::size_t kGreenMask = 44;      // u32
inline constexpr std::size_t kBlueMask = 48;       // u32
inline constexpr std::size_t kAlphaMask = 52;      // u32, in headers of 56 bytes and longer
}  // namespace info_header

// The OS/2 1.x core header (12 bytes; biSize at 0 as above), with 16-bit fields.
namespace core_header {
inline constexpr std::size_t kWidth = 4;      // u16
inline constexpr std::size_t kHeight = 6;     // u16; rows always bottom-up
inline constexpr std::size_t kPlanes = 8;     // u16
inline constexpr std::size_t kBitCount = 10;  // u16
}  // namespace core_header

// What reader and writer need of an input bitmap's headers, read once. The color table
// follows the information header (behind the three or four masks that a 40-byte header
// with bit fields has there): 4-byte entries (blue, green, red, reserved), 3-byte entries
// behind a core header. It ends where the pixel rows begin.
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
// and masks (223), negative width (223), more pixels than kMaxDecodedPixels (223), pixel
// rows against the file length (234). On
// success `in` stands at the first pixel row.
[[nodiscard]] HeaderResult ReadBmpHeader(std::istream& in);

// A short name of the file's pixel format: "bmp-1", "bmp-rle8", "bmp-16", "bmp-32" ...
[[nodiscard]] std::string_view FormatName(const BmpHeader& header);

}  // namespace tintwell
