#include "bitmap/bmp_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>

#include "bitmap/byte_io.h"

namespace tintwell {
namespace {

// Rows go to the stream in writes of at most this many bytes.
constexpr std::size_t kBlockBytes = 64 * 1024;
constexpr std::size_t kMaxHeadersSize = kFileHeaderSize + kInfoHeaderSize + 4 * 256;

// The headers of the output file into `b`; returns their size. The reserved words, the size
// (its height's sign too, so the row order is kept) and the resolution are the input's; the
// output is uncompressed, with one plane, and uses every entry of its depth.
std::size_t BuildHeaders(const BmpHeader& in, const OutputPalette& palette, std::uint64_t imageSize,
                         std::array<std::uint8_t, kMaxHeadersSize>& b) {
    const auto entries = static_cast<std::size_t>(palette.depth.Entries());
    const std::size_t size = kFileHeaderSize + kInfoHeaderSize + 4 * entries;
    b.fill(0);
    b[file_header::kType] = 'B';
    b[file_header::kType + 1] = 'M';
    writeU32le(b, file_header::kSize, static_cast<std::uint32_t>(size + imageSize));
    writeU16le(b, file_header::kReserved1, in.reserved1);
    writeU16le(b, file_header::kReserved2, in.reserved2);
    writeU32le(b, file_header::kOffBits, static_cast<std::uint32_t>(size));
    const std::span<std::uint8_t> info = std::span(b).subspan(kFileHeaderSize, kInfoHeaderSize);
    writeU32le(info, info_header::kSize, kInfoHeaderSize);
    writeU32le(info, info_header::kWidth, static_cast<std::uint32_t>(in.width));
    writeU32le(info, info_header::kHeight, static_cast<std::uint32_t>(in.height));
    // The input's planes field is not read anywhere else, and any value but 1 (0 is common
    // in files from careless writers) makes other readers refuse the output.
    writeU16le(info, info_header::kPlanes, 1);
    writeU16le(info, info_header::kBitCount,
               static_cast<std::uint16_t>(palette.depth.BitsPerPixel()));
    writeU32le(info, info_header::kSizeImage, static_cast<std::uint32_t>(imageSize));
    writeU32le(info, info_header::kXPelsPerMeter, static_cast<std::uint32_t>(in.xPelsPerMeter));
    writeU32le(info, info_header::kYPelsPerMeter, static_cast<std::uint32_t>(in.yPelsPerMeter));
    writeU32le(info, info_header::kClrUsed, static_cast<std::uint32_t>(entries));
    for (std::size_t j = 0; j < entries; ++j) {
        const Rgb color = palette.Entry(j);
        std::uint8_t* e = b.data() + kFileHeaderSize + kInfoHeaderSize + 4 * j;
        e[0] = color.blue;
        e[1] = color.green;
        e[2] = color.red;
    }
    return size;
}

// Writes `bytes`; false when the stream refused them.
bool WriteAll(std::ostream& out, std::span<const std::uint8_t> bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

BmpWriter::BmpWriter(std::ostream& out, const BmpHeader& carried, const OutputPalette& palette)
    : out_(out),
      carried_(carried),
      palette_(palette),
      stride_(RowStride(carried.width, palette.depth.BitsPerPixel())) {}

Msg BmpWriter::Begin() {
    std::array<std::uint8_t, kMaxHeadersSize> headers{};
    const std::uint64_t imageSize = stride_ * carried_.rows;
    const std::size_t size = BuildHeaders(carried_, palette_, imageSize, headers);
    if (size + imageSize > std::numeric_limits<std::uint32_t>::max()) return Msg::Unsupported;
    return WriteAll(out_, std::span(headers).first(size)) ? Msg::None : Msg::WriteError;
}

Msg BmpWriter::Write(std::span<const std::uint8_t> rows) {
    for (std::size_t at = 0; at < rows.size(); at += kBlockBytes) {
        const std::size_t length = std::min(kBlockBytes, rows.size() - at);
        if (!WriteAll(out_, rows.subspan(at, length))) return Msg::WriteError;
    }
    return Msg::None;
}

}  // namespace tintwell
