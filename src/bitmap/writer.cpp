#include "bitmap/writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "bitmap/bmp_header.h"
#include "bitmap/byte_io.h"
#include "bitmap/color_index.h"
#include "bitmap/pixel_rows.h"

namespace tintwell {
namespace {

// Input rows are read, and output rows written, in blocks of about this many bytes.
constexpr std::uint64_t kBlockBytes = 64 * 1024;
constexpr std::size_t kMaxHeadersSize = kFileHeaderSize + kInfoHeaderSize + 4 * 256;

// Output indices of one row of file indices, one a byte.
void TranslateIndices(const std::uint8_t* row, std::size_t width, const OutputIndexMap& map,
                      std::uint8_t* indices) {
    for (std::size_t x = 0; x < width; ++x)
        indices[x] = map[row[x]];
}

// Output indices of one row of colors (blue, green, red), numbering colors exactly as the
// analyser did, one lookup per run of equal pixels. False at the first pixel that `colors`
// has no index for.
template <class Index>
bool TranslateColors(const std::uint8_t* row, std::size_t width, const OutputIndexMap& map,
                     Index& colors, std::uint8_t* indices) {
    return ForEachColorRun(row, width, colors, [&](std::size_t x, std::size_t length, int index) {
        std::fill_n(indices + x, length, map[index]);
    });
}

// Packs one index per byte into two pixels per byte, left pixel in the high nibble; the
// low nibble after an odd last pixel is 0.
void PackNibbles(const std::uint8_t* indices, std::size_t width, std::uint8_t* row) {
    const std::size_t pairs = width / 2;
    for (std::size_t k = 0; k < pairs; ++k) {
        row[k] = static_cast<std::uint8_t>((indices[2 * k] << 4) | (indices[2 * k + 1] & 0x0F));
    }
    if (width % 2 != 0) row[pairs] = static_cast<std::uint8_t>(indices[width - 1] << 4);
}

// The headers of the output file: 14-byte file header,
// 40-byte information header, `depth` color-table entries (blue, green, red, 0).
//
//   0 "BM"  2 file size  6, 8 reserved (input's)  10 offset = 54 + 4 x depth
//  14 40  18 width  22 height (sign kept)  26 planes 1  28 bit count 4/8  30 compression 0
//  34 image size = stride x rows  38, 42 resolutions  46 colors used = depth  50 important 0
std::size_t BuildHeaders(const BmpHeader& in, const OutputPalette& palette, int depth,
                         unsigned bitCount, std::uint64_t imageSize,
                         std::array<std::uint8_t, kMaxHeadersSize>& b) {
    const std::size_t size =
        kFileHeaderSize + kInfoHeaderSize + 4 * static_cast<std::size_t>(depth);
    b.fill(0);
    b[0] = 'B';
    b[1] = 'M';
    writeU32le(b, 2, static_cast<std::uint32_t>(size + imageSize));
    writeU16le(b, 6, in.reserved1);
    writeU16le(b, 8, in.reserved2);
    writeU32le(b, 10, static_cast<std::uint32_t>(size));
    writeU32le(b, 14, kInfoHeaderSize);
    writeU32le(b, 18, static_cast<std::uint32_t>(in.width));
    writeU32le(b, 22, static_cast<std::uint32_t>(in.height));
    // The input's planes field is not read anywhere else, and any value but 1 (0 is common
    // in files from careless writers) makes other readers refuse the output.
    writeU16le(b, 26, 1);
    writeU16le(b, 28, static_cast<std::uint16_t>(bitCount));
    writeU32le(b, 34, static_cast<std::uint32_t>(imageSize));
    writeU32le(b, 38, static_cast<std::uint32_t>(in.xPelsPerMeter));
    writeU32le(b, 42, static_cast<std::uint32_t>(in.yPelsPerMeter));
    writeU32le(b, 46, static_cast<std::uint32_t>(depth));
    const std::size_t count = std::min(palette.colors.size(), static_cast<std::size_t>(depth));
    for (std::size_t j = 0; j < count; ++j) {
        std::uint8_t* e = b.data() + kFileHeaderSize + kInfoHeaderSize + 4 * j;
        e[0] = palette.colors[j].blue;
        e[1] = palette.colors[j].green;
        e[2] = palette.colors[j].red;
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

// Writes the headers, then the rows block by block.
Msg WriteBitmap(std::istream& in, std::ostream& out, const OutputPalette& palette,
                const OutputIndexMap& map, const TrueColorRule& rule, ImageFormat output) {
    if (output == ImageFormat::Png || SniffFormat(in) == ImageFormat::Png) return Msg::Unsupported;
    const HeaderResult read = ReadBmpHeader(in);
    if (read.error != Msg::None) return read.error;
    const BmpHeader& h = read.header;

    const int depth = palette.depth == 16 ? 16 : 256;
    const unsigned outBits = depth == 16 ? 4 : 8;
    const std::uint64_t outStride = RowStride(h.width, outBits);
    const std::size_t width = static_cast<std::size_t>(h.width);

    std::array<std::uint8_t, kMaxHeadersSize> headers{};
    const std::size_t headersSize =
        BuildHeaders(h, palette, depth, outBits, outStride * h.rows, headers);
    // The file and image sizes are 32-bit fields: a bitmap that would not fit them is not
    // written at all, rather than written with sizes that wrap.
    if (headersSize + outStride * h.rows > std::numeric_limits<std::uint32_t>::max()) {
        return Msg::Unsupported;
    }
    // The size is known before the first row, so the file is written front to back in one
    // pass and needs no seeking: a pipe or any other stream serves.
    if (!WriteAll(out, std::span(headers).first(headersSize))) return Msg::WriteError;

    if (h.rows > 0) {
        PixelRows rows(h, in, rule.keyColor);
        if (rows.Start() != Msg::None) return rows.Error();
        const std::uint64_t blockRows =
            std::clamp<std::uint64_t>(kBlockBytes / outStride, 1, h.rows);
        std::vector<std::uint8_t> outBlock;
        std::vector<std::uint8_t> indices;
        try {
            outBlock.resize(static_cast<std::size_t>(blockRows * outStride));
            // 4-bit output is translated one index per byte first, then packed.
            if (depth == 16) indices.resize(width);
        } catch (const std::bad_alloc&) {
            return Msg::OutOfMemory;
        }
        const std::size_t used = depth == 16 ? (width + 1) / 2 : width;
        FirstOccurrenceIndex firstColors;
        std::optional<ReducedColorIndex> reducedColors;
        std::optional<NearestColorIndex> nearestColors;
        if (h.TrueColor() && rule.numbering == TrueColorNumbering::Reduced) {
            reducedColors.emplace(rule.mask);
        } else if (h.TrueColor() && rule.numbering == TrueColorNumbering::Nearest &&
                   rule.candidates) {
            nearestColors.emplace(rule.candidates);
        }
        const auto translate = [&](const std::uint8_t* row, std::uint8_t* target) {
            if (!h.TrueColor()) {
                TranslateIndices(row, width, map, target);
                return true;
            }
            if (reducedColors) return TranslateColors(row, width, map, *reducedColors, target);
            if (nearestColors) return TranslateColors(row, width, map, *nearestColors, target);
            return TranslateColors(row, width, map, firstColors, target);
        };
        for (std::uint64_t done = 0; done < h.rows;) {
            const std::uint64_t n = std::min(blockRows, h.rows - done);
            for (std::uint64_t r = 0; r < n; ++r) {
                const std::uint8_t* row = rows.Next();
                if (row == nullptr) return rows.Error();
                std::uint8_t* outRow = outBlock.data() + r * outStride;
                std::uint8_t* target = depth == 16 ? indices.data() : outRow;
                if (!translate(row, target)) return Msg::FullColorOverflow;
                if (depth == 16) PackNibbles(target, width, outRow);
                std::memset(outRow + used, 0, static_cast<std::size_t>(outStride) - used);
            }
            if (!WriteAll(out,
                          std::span(outBlock).first(static_cast<std::size_t>(n * outStride)))) {
                return Msg::WriteError;
            }
            done += n;
        }
    }
    return Msg::None;
}

}  // namespace tintwell
