#include "bitmap/bmp_header.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <span>

#include "bitmap/byte_io.h"
#include "bitmap/image_format.h"

namespace tintwell {
namespace {

// The largest information-header prefix that any field below lives in: up to the alpha mask
// of a 56-byte header, which is also where the masks behind a 40-byte header end.
constexpr std::size_t kInfoFieldsSize = info_header::kAlphaMask + 4;

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

// A mask is usable when its bits are one unbroken run: a channel with holes in it has no
// value that scales to 8 bits.
bool Contiguous(std::uint32_t mask) {
    if (mask == 0) return true;
    const std::uint32_t low = mask >> std::countr_zero(mask);
    return (low & (low + 1)) == 0;
}

// The sizes of the header forms that writers use: OS/2 1.x, every OS/2 2.x length, and the
// Windows versions 1 to 5.
bool IsKnownInfoSize(std::uint32_t size) {
    return size == kCoreHeaderSize || (size >= 16 && size <= 64) || size == 108 || size == 124;
}

// Which decoder the compression and bit count call for, or the reason none does.
// `os2` marks an OS/2 2.x header, where 3 and 4 are Huffman 1D and RLE24.
HeaderResult PickEncoding(BmpHeader& h, bool os2) {
    const auto refuse = [](std::string_view why) {
        return HeaderResult{Msg::Unsupported, {}, why};
    };
    switch (h.compression) {
        case kBiRgb:
            switch (h.bitCount) {
                case 1:
                case 2:
                case 4:
                case 8:
                    h.encoding = PixelEncoding::Paletted;
                    return {};
                case 16:
                    h.encoding = PixelEncoding::Bitfields;
                    h.masks = {0x7C00, 0x03E0, 0x001F, 0};
                    return {};
                case 24:
                    h.encoding = PixelEncoding::Rgb24;
                    return {};
                case 32:
                    // The fourth byte is alpha when any pixel sets it, else padding.
                    h.encoding = PixelEncoding::Bitfields;
                    h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
                    return {};
                default:
                    return refuse("a bit count of neither 1, 2, 4, 8, 16, 24 nor 32");
            }
        case kBiRle8:
            if (h.bitCount != 8) return refuse("RLE8 compression with a bit count other than 8");
            h.encoding = PixelEncoding::Rle8;
            return {};
        case kBiRle4:
            if (h.bitCount != 4) return refuse("RLE4 compression with a bit count other than 4");
            h.encoding = PixelEncoding::Rle4;
            return {};
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (os2) {
                return refuse(h.compression == kBiBitfields ? "Huffman 1D compression"
                                                            : "an unknown compression");
            }
            if (h.bitCount != 16 && h.bitCount != 32) {
                return refuse("bit fields with a bit count other than 16 or 32");
            }
            h.encoding = PixelEncoding::Bitfields;
            return {};
        case kBiJpeg:
            return refuse(os2 ? "RLE24 compression" : "a JPEG image inside the bitmap");
        case kBiPng:
            return refuse("a PNG image inside the bitmap");
        default:
            return refuse("an unknown compression");
    }
}

// Checks the masks of a bit-field bitmap: each inside the pixel, each one run of bits, and
// red, green and blue present.
HeaderResult CheckMasks(const BmpHeader& h) {
    const ChannelMasks& m = h.masks;
    const std::uint64_t inside = h.bitCount == 32 ? 0xFFFFFFFFu : 0xFFFFu;
    for (std::uint32_t mask : {m.red, m.green, m.blue, m.alpha}) {
        if ((mask & ~inside) != 0 || !Contiguous(mask)) {
            return {Msg::Unsupported, {}, "bit field masks with gaps or outside the pixel"};
        }
    }
    if (m.red == 0 || m.green == 0 || m.blue == 0) {
        return {Msg::Unsupported, {}, "bit field masks without red, green or blue"};
    }
    return {};
}

// The refusal of a bit-field bitmap whose masks lie outside its header region.
HeaderResult MissingMasks() {
    return {Msg::InvalidData, {}, "bit field masks missing from the header"};
}

}  // namespace

// The header region runs from the end of the file header to bfOffBits; the color table
// starts right behind the information header (and the masks a 40-byte header has behind
// it), and only the entries inside the region are read. Field offsets: file_header,
// info_header and core_header in bmp_header.h.
HeaderResult ReadBmpHeader(std::istream& in) {
    HeaderResult result;
    BmpHeader& h = result.header;
    const std::int64_t length = StreamLength(in);

    std::array<std::uint8_t, kFileHeaderSize> file{};
    if (length < 0 || !ReadExact(in, file)) return {Msg::InvalidData, {}, "a short file header"};
    if (file[file_header::kType] != 'B' || file[file_header::kType + 1] != 'M')
        return {Msg::NotBitmap, {}, "no \"BM\" at the start"};
    h.reserved1 = readU16le(file, file_header::kReserved1);
    h.reserved2 = readU16le(file, file_header::kReserved2);
    h.offBits = readU32le(file, file_header::kOffBits);

    // The whole region must be in the file even though only its start is looked at.
    if (h.offBits <= kFileHeaderSize || static_cast<std::int64_t>(h.offBits) > length) {
        return {Msg::InvalidData, {}, "a pixel offset outside the file"};
    }
    const std::uint64_t region = h.offBits - kFileHeaderSize;

    std::array<std::uint8_t, kInfoFieldsSize> info{};
    const std::size_t prefix =
        static_cast<std::size_t>(std::min<std::uint64_t>(region, kInfoFieldsSize));
    if (!ReadExact(in, std::span(info).first(prefix))) {
        return {Msg::InvalidData, {}, "a short information header"};
    }
    if (region < 4) return {Msg::Unsupported, {}, "no room for an information header"};
    h.infoSize = readU32le(info, info_header::kSize);

    const bool os2 = (h.infoSize >= 16 && h.infoSize < kInfoHeaderSize) || h.infoSize == 64;
    std::size_t entrySize = 4;
    std::uint64_t tableStart = h.infoSize;
    if (h.infoSize == kCoreHeaderSize && region >= kCoreHeaderSize) {
        h.width = readU16le(info, core_header::kWidth);
        h.height = readU16le(info, core_header::kHeight);
        h.planes = readU16le(info, core_header::kPlanes);
        h.bitCount = readU16le(info, core_header::kBitCount);
        entrySize = 3;
    } else if (h.infoSize >= 16 && h.infoSize <= region) {
        // Only the fields that the header holds are taken; the prefix beyond is not the
        // header's (a short OS/2 2.x header has no compression field).
        const auto field = [&](std::size_t at) { return at + 4 <= h.infoSize; };
        h.width = readI32le(info, info_header::kWidth);
        h.height = readI32le(info, info_header::kHeight);
        h.planes = readU16le(info, info_header::kPlanes);
        h.bitCount = readU16le(info, info_header::kBitCount);
        if (field(info_header::kCompression))
            h.compression = readU32le(info, info_header::kCompression);
        if (field(info_header::kXPelsPerMeter))
            h.xPelsPerMeter = readI32le(info, info_header::kXPelsPerMeter);
        if (field(info_header::kYPelsPerMeter))
            h.yPelsPerMeter = readI32le(info, info_header::kYPelsPerMeter);
        if (HeaderResult picked = PickEncoding(h, os2); picked.error != Msg::None) return picked;
        if (h.encoding == PixelEncoding::Bitfields && h.compression != kBiRgb) {
            const std::size_t count = h.compression == kBiAlphaBitfields ? 4 : 3;
            if (h.infoSize == kInfoHeaderSize) {
                // A 40-byte header keeps its masks where the color table would start.
                tableStart += 4 * count;
                if (tableStart > region) return MissingMasks();
            } else if (h.infoSize < info_header::kRedMask + 4 * count) {
                return MissingMasks();
            }
            const bool alpha = count == 4 || h.infoSize >= info_header::kAlphaMask + 4;
            h.masks = {readU32le(info, info_header::kRedMask),
                       readU32le(info, info_header::kGreenMask),
                       readU32le(info, info_header::kBlueMask),
                       alpha ? readU32le(info, info_header::kAlphaMask) : 0};
        }
    } else if (IsKnownInfoSize(h.infoSize)) {
        // A header of a known form that the pixel offset cuts short.
        return {Msg::InvalidData, {}, "a pixel offset inside the information header"};
    } else {
        return {Msg::Unsupported, {}, "an unknown information header size"};
    }
    if (h.infoSize == kCoreHeaderSize) {
        if (HeaderResult picked = PickEncoding(h, true); picked.error != Msg::None) return picked;
        if (h.bitCount > 8 && h.bitCount != 24) {
            return {Msg::Unsupported, {}, "an OS/2 1.x bitmap of neither 1, 2, 4, 8 nor 24 bits"};
        }
    }
    if (h.encoding == PixelEncoding::Bitfields) {
        if (HeaderResult checked = CheckMasks(h); checked.error != Msg::None) return checked;
    }
    // The stride formula has no meaning for a negative width.
    if (h.width < 0) return {Msg::Unsupported, {}, "a negative width"};

    const bool runLength = h.encoding == PixelEncoding::Rle8 || h.encoding == PixelEncoding::Rle4;
    // Run-length rows run bottom-up by definition; a top-down one is a broken file.
    if (runLength && h.height < 0) {
        return {Msg::Unsupported, {}, "a run-length bitmap stored top-down"};
    }

    h.rows = h.height < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(h.height))
                          : static_cast<std::uint64_t>(h.height);
    h.stride = RowStride(h.width, h.bitCount);

    in.seekg(static_cast<std::streamoff>(kFileHeaderSize + tableStart), std::ios::beg);
    if (!in || !ReadPalette(in, region - tableStart, entrySize, h)) {
        return {Msg::InvalidData, {}, "a short color table"};
    }

    // Rows of no pixels are no image: the header's data is invalid.
    if (h.rows > 0 && h.stride == 0) return {Msg::InvalidData, {}, "rows of no pixels"};
    // Every row must be in the file before a buffer is sized for it; the division keeps a
    // huge claimed size from overflowing. Run-length rows are any length; their decoder
    // checks each run against the row.
    h.dataSize = static_cast<std::uint64_t>(length) - h.offBits;
    if (!runLength && h.rows > 0 && h.dataSize / h.stride < h.rows) {
        return {Msg::ReadError, {}, "pixel rows missing from the end of the file"};
    }
    // The one size limit of both formats; a run-length file can claim any size in a few
    // bytes.
    if (!WithinPixelLimit(static_cast<std::uint64_t>(h.width), h.rows)) {
        return {Msg::Unsupported, {}, kTooManyPixels};
    }

    in.seekg(static_cast<std::streamoff>(h.offBits), std::ios::beg);
    if (!in) return {Msg::ReadError, {}, "pixel rows that cannot be read"};
    return result;
}

std::string_view FormatName(const BmpHeader& header) {
    switch (header.encoding) {
        case PixelEncoding::Rle8:
            return "bmp-rle8";
        case PixelEncoding::Rle4:
            return "bmp-rle4";
        case PixelEncoding::Rgb24:
            return "bmp-24";
        case PixelEncoding::Bitfields:
            return header.bitCount == 16 ? "bmp-16" : "bmp-32";
        case PixelEncoding::Paletted:
            break;
    }
    switch (header.bitCount) {
        case 1:
            return "bmp-1";
        case 2:
            return "bmp-2";
        case 4:
            return "bmp-4";
        default:
            return "bmp-8";
    }
}

}  // namespace tintwell
