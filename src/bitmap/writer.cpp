#include "bitmap/writer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "bitmap/bmp_writer.h"
#include "bitmap/png_writer.h"
#include "bitmap/remapped_rows.h"

namespace tintwell {
namespace {

// Rows are handed to the sink in blocks of about this many bytes.
constexpr std::uint64_t kBlockBytes = 64 * 1024;

// Packs one index per byte into two pixels per byte, left pixel in the high nibble; the
// low nibble after an odd last pixel is 0.
void PackNibbles(const std::uint8_t* indices, std::size_t width, std::uint8_t* row) {
    const std::size_t pairs = width / 2;
    for (std::size_t k = 0; k < pairs; ++k) {
        row[k] = static_cast<std::uint8_t>((indices[2 * k] << 4) | (indices[2 * k + 1] & 0x0F));
    }
    if (width % 2 != 0) row[pairs] = static_cast<std::uint8_t>(indices[width - 1] << 4);
}

// The source's rows to the sink: row by row in blocks when the sink stores them in the
// input's order, else all of them into one buffer in the sink's order, then handed over.
Msg WriteRows(RemappedRows& source, RowSink& sink, OutputDepth depth) {
    if (const Msg begun = sink.Begin(); begun != Msg::None) return begun;
    const ImageInfo& info = source.Info();
    if (info.rows == 0) return sink.Finish();
    if (const Msg started = source.Start(); started != Msg::None) return started;

    const bool reverse = sink.TopDown() != info.topDown;
    const std::uint64_t rowBytes = sink.RowBytes();
    const std::uint64_t blockRows =
        reverse ? info.rows : std::clamp<std::uint64_t>(kBlockBytes / rowBytes, 1, info.rows);
    const bool packed = depth.BitsPerPixel() < 8;
    const auto used = static_cast<std::size_t>(PackedRowBytes(info.width, depth.BitsPerPixel()));
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> indices;  // packed rows are translated one index a byte first
    try {
        block.resize(static_cast<std::size_t>(blockRows * rowBytes));
        if (packed) indices.resize(info.width);
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
    for (std::uint64_t r = 0; r < info.rows; ++r) {
        const std::uint64_t slot = reverse ? info.rows - 1 - r : r % blockRows;
        std::uint8_t* row = block.data() + slot * rowBytes;
        if (const Msg next = source.Next(packed ? indices.data() : row); next != Msg::None) {
            return next;
        }
        if (packed) PackNibbles(indices.data(), info.width, row);
        std::memset(row + used, 0, static_cast<std::size_t>(rowBytes) - used);
        if (!reverse && (slot + 1 == blockRows || r + 1 == info.rows)) {
            const Msg written = sink.Write(std::span(block).first((slot + 1) * rowBytes));
            if (written != Msg::None) return written;
        }
    }
    if (reverse) {
        if (const Msg written = sink.Write(block); written != Msg::None) return written;
    }
    return sink.Finish();
}

}  // namespace

Msg WriteBitmap(std::istream& in, std::ostream& out, const OutputPalette& palette,
                const OutputIndexMap& map, const TrueColorRule& rule, ImageFormat output) {
    RemappedRows source(in, map, rule);
    if (const Msg opened = source.Open(); opened != Msg::None) return opened;
    const ImageInfo& info = source.Info();
    if (output == ImageFormat::Png) {
        PngWriter sink(out, info.width, info.rows, palette);
        return WriteRows(source, sink, palette.depth);
    }
    BmpWriter sink(out, info.bmp, palette);
    return WriteRows(source, sink, palette.depth);
}

}  // namespace tintwell
