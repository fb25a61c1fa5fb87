#pragma once

#include <cstdint>
#include <memory>
#include <ostream>

#include "bitmap/writer.h"
#include "resources/string_table.h"

namespace tintwell {

// Writes an indexed PNG image, top row first: IHDR (color type 3, bit depth 4 for a
// 16-entry palette, 8 for a 256-entry one, not interlaced), PLTE with every entry of the
// output palette (list colors, then zeros), IDAT, IEND; no other chunks. Rows are not
// filtered: the rows of indexed images compress best as they are (bench/bmp_bench.cpp
// measures the filters). The image data is compressed by ImageDeflater, and the bytes go to
// the stream in blocks of 64 KiB.
class PngWriter {
  public:
    explicit PngWriter(std::ostream& out);
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

    void PutChunk(const char type[4], const std::uint8_t* data, std::size_t size);
    [[nodiscard]] bool Flush(bool all);

    std::ostream& out_;
    std::unique_ptr<Encoder> encoder_;
    std::size_t rowBytes_ = 0;
    std::uint32_t rowsLeft_ = 0;
};

}  // namespace tintwell
