#pragma once

#include <cstdint>
#include <memory>
#include <ostream>

#include "bitmap/writer.h"
#include "resources/string_table.h"

namespace tintwell {

// How the image data of a written PNG is compressed: the row filter (one of libspng's
// filter choices) and the zlib level, strategy and memory level.
struct PngCompression {
    int filterChoice = 8;  // no filtering: the rows of indexed images compress best as they are
    int level = 6;
    int strategy = 0;  // Z_DEFAULT_STRATEGY
    int memLevel = 8;
};

// Writes an indexed PNG image, top row first: IHDR (color type 3, bit depth 4 for a
// 16-entry palette, 8 for a 256-entry one, not interlaced), PLTE with every entry of the
// output palette (list colors, then zeros), IDAT, IEND; no other chunks. The bytes go to
// the stream in blocks of 64 KiB.
class PngWriter {
  public:
    explicit PngWriter(std::ostream& out, PngCompression compression = {});
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // Writes the chunks before the image data. An image of no pixels is no PNG image:
    // Msg::Unsupported.
    [[nodiscard]] Msg Begin(std::uint32_t width, std::uint32_t height,
                            const OutputPalette& palette);
    // One row of indices packed at the bit depth (two a byte at 4 bits, left pixel in the
    // high nibble); after the last row the file is completed.
    [[nodiscard]] Msg WriteRow(const std::uint8_t* row);

  private:
    struct Encoder;

    std::ostream& out_;
    PngCompression compression_;
    std::unique_ptr<Encoder> encoder_;
    std::size_t rowBytes_ = 0;
};

}  // namespace tintwell
