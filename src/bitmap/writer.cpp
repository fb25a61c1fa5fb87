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
#include "bitmap/image_rows.h"
#include "bitmap/png_writer.h"

namespace tintwell {
namespace {

// Input rows are read, and output rows written, in blocks of about this many bytes.
constexpr std::uint64_t kBlockBytes = 64 * 1024;
constexpr std::size_t kMaxHeadersSize = kFileHeaderSize + kInfoHeaderSize + 4 * 256;

// Output indices of one row of file indices, one a byte; eight equal ones in one step.
void TranslateIndices(const std::uint8_t* row, std::size_t width, const OutputIndexMap& map,
                      std::uint8_t* indices) {
    std::size_t x = 0;
    for (; x + 8 <= width; x += 8) {
        if (EightEqual(row + x)) {
            std::memset(indices + x, map[row[x]], 8);
            continue;
        }
        for (std::size_t k = 0; k < 8; ++k)
            indices[x + k] = map[row[x + k]];
    }
    for (; x < width; ++x)
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

// The headers of the output file: the file header, a 40-byte information header and
// `depth` color-table entries (blue, green, red, 0). The reserved words, the size (its
// height's sign too, so the row order is kept) and the resolution are the input's; the
// output is uncompressed, with one plane, and uses all `depth` entries.
std::size_t BuildHeaders(const BmpHeader& in, const OutputPalette& palette, int depth,
                         unsigned bitCount, std::uint64_t imageSize,
                         std::array<std::uint8_t, kMaxHeadersSize>& b) {
    const std::size_t size =
        kFileHeaderSize + kInfoHeaderSize + 4 * static_cast<std::size_t>(depth);
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
    writeU16le(info, info_header::kBitCount, static_cast<std::uint16_t>(bitCount));
    writeU32le(info, info_header::kSizeImage, static_cast<std::uint32_t>(imageSize));
    writeU32le(info, info_header::kXPelsPerMeter, static_cast<std::uint32_t>(in.xPelsPerMeter));
    writeU32le(info, info_header::kYPelsPerMeter, static_cast<std::uint32_t>(in.yPelsPerMeter));
    writeU32le(info, info_header::kClrUsed, static_cast<std::uint32_t>(depth));
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

// Numbers the pixels of true-color rows as the analyser did, or translates the file indices
// of indexed rows, into output indices one a byte.
class RowTranslator {
  public:
    RowTranslator(const ImageInfo& info, const OutputIndexMap& map, const TrueColorRule& rule)
        : info_(info), map_(map) {
        if (info.trueColor && rule.numbering == TrueColorNumbering::Reduced) {
            reducedColors_.emplace(rule.mask);
        } else if (info.trueColor && rule.numbering == TrueColorNumbering::Nearest &&
                   rule.candidates) {
            nearestColors_.emplace(rule.candidates);
        }
    }

    // False at a color the analysis never saw.
    bool Translate(const std::uint8_t* row, std::uint8_t* target) {
        const std::size_t width = info_.width;
        if (!info_.trueColor) {
            TranslateIndices(row, width, map_, target);
            return true;
        }
        if (reducedColors_) return TranslateColors(row, width, map_, *reducedColors_, target);
        if (nearestColors_) return TranslateColors(row, width, map_, *nearestColors_, target);
        return TranslateColors(row, width, map_, firstColors_, target);
    }

  private:
    const ImageInfo& info_;
    const OutputIndexMap& map_;
    FirstOccurrenceIndex firstColors_;
    std::optional<ReducedColorIndex> reducedColors_;
    std::optional<NearestColorIndex> nearestColors_;
};

}  // namespace

// Writes the headers, then the rows: block by block when the output keeps the input's row
// order, else all rows into one buffer in the output's order, then written.
Msg WriteBitmap(std::istream& in, std::ostream& out, const OutputPalette& palette,
                const OutputIndexMap& map, const TrueColorRule& rule, ImageFormat output) {
    ImageRows rows(in, rule.keyColor, PngChecksums::Skip);
    if (rows.Open() != Msg::None) return rows.Error();
    const ImageInfo& info = rows.Info();

    const int depth = palette.depth == 16 ? 16 : 256;
    const unsigned outBits = depth == 16 ? 4 : 8;
    const bool png = output == ImageFormat::Png;
    const std::uint64_t outStride = png ? (info.width * outBits + 7) / 8
                                        : RowStride(static_cast<std::int64_t>(info.width), outBits);
    // A bitmap from a PNG image is stored bottom-up, as most bitmaps are; a PNG image is
    // always top-down. A bitmap's own order is kept.
    const bool reverse = png ? !info.topDown : info.format == ImageFormat::Png;

    PngWriter pngOut(out);
    if (png) {
        const Msg begun = pngOut.Begin(static_cast<std::uint32_t>(info.width),
                                       static_cast<std::uint32_t>(info.rows), palette);
        if (begun != Msg::None) return begun;
    } else {
        std::array<std::uint8_t, kMaxHeadersSize> headers{};
        const std::size_t headersSize =
            BuildHeaders(info.bmp, palette, depth, outBits, outStride * info.rows, headers);
        // The file and image sizes are 32-bit fields: a bitmap that would not fit them is
        // not written at all, rather than written with sizes that wrap.
        if (headersSize + outStride * info.rows > std::numeric_limits<std::uint32_t>::max()) {
            return Msg::Unsupported;
        }
        // The size is known before the first row, so the file is written front to back in
        // one pass and needs no seeking: a pipe or any other stream serves.
        if (!WriteAll(out, std::span(headers).first(headersSize))) return Msg::WriteError;
    }
    if (info.rows == 0) return Msg::None;

    if (rows.Start() != Msg::None) return rows.Error();
    const std::uint64_t blockRows =
        reverse ? info.rows : std::clamp<std::uint64_t>(kBlockBytes / outStride, 1, info.rows);
    std::vector<std::uint8_t> outBlock;
    std::vector<std::uint8_t> indices;
    try {
        outBlock.resize(static_cast<std::size_t>(blockRows * outStride));
        // 4-bit output is translated one index per byte first, then packed.
        if (depth == 16) indices.resize(info.width);
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
    // The first `n` rows of the block, to the output.
    const auto emit = [&](std::uint64_t n) {
        if (png) {
            for (std::uint64_t k = 0; k < n; ++k) {
                const Msg written = pngOut.WriteRow(outBlock.data() + k * outStride);
                if (written != Msg::None) return written;
            }
            return Msg::None;
        }
        const std::span<const std::uint8_t> bytes(outBlock.data(), n * outStride);
        for (std::size_t at = 0; at < bytes.size(); at += kBlockBytes) {
            const std::size_t length = std::min<std::size_t>(kBlockBytes, bytes.size() - at);
            if (!WriteAll(out, bytes.subspan(at, length))) return Msg::WriteError;
        }
        return Msg::None;
    };

    const std::size_t used = depth == 16 ? (info.width + 1) / 2 : info.width;
    RowTranslator translator(info, map, rule);
    for (std::uint64_t r = 0; r < info.rows; ++r) {
        const std::uint8_t* row = rows.Next();
        if (row == nullptr) return rows.Error();
        const std::uint64_t slot = reverse ? info.rows - 1 - r : r % blockRows;
        std::uint8_t* outRow = outBlock.data() + slot * outStride;
        std::uint8_t* target = depth == 16 ? indices.data() : outRow;
        if (!translator.Translate(row, target)) return Msg::FullColorOverflow;
        if (depth == 16) PackNibbles(target, info.width, outRow);
        std::memset(outRow + used, 0, static_cast<std::size_t>(outStride) - used);
        if (!reverse && (slot + 1 == blockRows || r + 1 == info.rows)) {
            if (const Msg emitted = emit(slot + 1); emitted != Msg::None) return emitted;
        }
    }
    return reverse ? emit(info.rows) : Msg::None;
}

}  // namespace tintwell
