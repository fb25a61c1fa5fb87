#include "bitmap/bmp_header.h"

#include <algorithm>
#include <cstddef>
#include <span>

#include "bitmap/byte_io.h"

namespace tintwell {
namespace {

// The largest information-header prefix that any field below lives in.
constexpr std::size_t kInfoFieldsSize = 32;

// The length of the stream from its start, or -1 when it cannot be told. Leaves the stream
// at its start.
std::int64_t StreamLength(std::istream& in) {
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.seekg(0, std::ios::beg);
    if (!in || end < 0) return -1;
    return static_cast<std::int64_t>(end);
}

// Reads exactly `bytes.size()` bytes; false when the stream has fewer.
bool ReadExact(std::istream& in, std::span<std::uint8_t> bytes) {
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return in.gcount() == static_cast<std::streamsize>(bytes.size());
}

// Reads up to 256 color-table entries of `entrySize` bytes (3 behind a core header, 4
// otherwise) from the `available` bytes that the header region still holds at the current
// position. Entries that do not fit stay black.
bool ReadPalette(std::istream& in, std::uint64_t available, std::size_t entrySize,
                 BmpHeader& header) {
    const std::size_t count = static_cast<std::size_t>(
        std::min<std::uint64_t>(kMaxPaletteEntries, available / entrySize));
    std::array<std::uint8_t, kMaxPaletteEntries * 4> raw{};
    if (!ReadExact(in, std::span(raw).first(count * entrySize))) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = raw.data() + i * entrySize;
        header.palette[i] = ColorQuad{e[0], e[1], e[2], 0};
    }
    header.paletteEntries = static_cast<unsigned>(count);
    return true;
}

}  // namespace

// File header (14 bytes)        Information header, 40 bytes or longer (at 14)
//   0  "BM"                       0  biSize          >= 40, or 12 for the OS/2 core form
//   6  reserved words             4  biWidth         i32, negative refused
//  10  bfOffBits                  8  biHeight        i32, negative = top-down rows
//                                12  biPlanes        u16
// OS/2 core header (12 bytes)    14  biBitCount      4, 8 or 24
//   4  width u16, 6 height u16   16  biCompression   0 only
//   8  planes u16, 10 bits u16   24  biXPelsPerMeter, 28 biYPelsPerMeter
// The header region runs from 14 to bfOffBits; the color table starts right behind the
// information header, at 14 + biSize, and only the entries inside the region are read.
HeaderResult ReadBmpHeader(std::istream& in) {
    HeaderResult result;
    BmpHeader& h = result.header;
    const std::int64_t length = StreamLength(in);

    std::array<std::uint8_t, kFileHeaderSize> file{};
    if (length < 0 || !ReadExact(in, file)) return {Msg::InvalidData, {}};
    if (file[0] != 'B' || file[1] != 'M') return {Msg::NotBitmap, {}};
    h.reserved1 = readU16le(file, 6);
    h.reserved2 = readU16le(file, 8);
    h.offBits = readU32le(file, 10);

    // The whole region must be in the file even though only its start is looked at.
    if (h.offBits <= kFileHeaderSize || static_cast<std::int64_t>(h.offBits) > length) {
        return {Msg::InvalidData, {}};
    }
    const std::uint64_t region = h.offBits - kFileHeaderSize;

    std::array<std::uint8_t, kInfoFieldsSize> info{};
    const std::size_t prefix =
        static_cast<std::size_t>(std::min<std::uint64_t>(region, kInfoFieldsSize));
    if (!ReadExact(in, std::span(info).first(prefix))) return {Msg::InvalidData, {}};
    if (region < 4) return {Msg::Unsupported, {}};
    h.infoSize = readU32le(info, 0);

    std::uint32_t compression = 0;
    std::size_t entrySize = 4;
    if (h.infoSize == kCoreHeaderSize && region >= kCoreHeaderSize) {
        h.width = readU16le(info, 4);
        h.height = readU16le(info, 6);
        h.planes = readU16le(info, 8);
        h.bitCount = readU16le(info, 10);
        entrySize = 3;
    } else if (h.infoSize >= kInfoHeaderSize && h.infoSize <= region) {
        h.width = readI32le(info, 4);
        h.height = readI32le(info, 8);
        h.planes = readU16le(info, 12);
        h.bitCount = readU16le(info, 14);
        compression = readU32le(info, 16);
        h.xPelsPerMeter = readI32le(info, 24);
        h.yPelsPerMeter = readI32le(info, 28);
    } else {
        return {Msg::Unsupported, {}};
    }
    if (compression != 0) return {Msg::Unsupported, {}};
    if (h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24) return {Msg::Unsupported, {}};
    // The stride formula has no meaning for a negative width.
    if (h.width < 0) return {Msg::Unsupported, {}};

    h.rows = h.height < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(h.height))
                          : static_cast<std::uint64_t>(h.height);
    h.stride = RowStride(h.width, h.bitCount);

    in.seekg(static_cast<std::streamoff>(kFileHeaderSize + h.infoSize), std::ios::beg);
    if (!in || !ReadPalette(in, region - h.infoSize, entrySize, h)) {
        return {Msg::InvalidData, {}};
    }

    // Rows of no pixels are no image: the header's data is invalid.
    if (h.rows > 0 && h.stride == 0) return {Msg::InvalidData, {}};
    // Every row must be in the file before a buffer is sized for it; the division keeps a
    // huge claimed size from overflowing.
    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(length) - h.offBits;
    if (h.rows > 0 && pixelBytes / h.stride < h.rows) return {Msg::ReadError, {}};

    in.seekg(static_cast<std::streamoff>(h.offBits), std::ios::beg);
    if (!in) return {Msg::ReadError, {}};
    return result;
}

}  // namespace tintwell
