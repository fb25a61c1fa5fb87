#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>

#include "bitmap/row_sink.h"
#include "resources/string_table.h"

namespace tintwell {

// Writes an indexed PNG image, top row first: IHDR (color type 3, bit depth 4 for a
// 16-entry palette, 8 for a 256-entry one, not interlaced), PLTE with every entry of the
// output palette (list colors, then zeros), IDAT, IEND; no other chunks. Rows are not
// filtered: the rows of indexed images compress best as they are (bench/bmp_bench.cpp
// measures the filters). The image data is compressed by ImageDeflater, and the bytes go to
// the stream in blocks of 64 KiB.
class PngWriter final : public RowSink {
  public:
    // A row is PackedRowBytes(width, bits per pixel) bytes: PNG pads no further.
    PngWriter(std::ostream& out, std::uint64_t width, std::uint64_t height,
              const OutputPalette& palette);
    ~PngWriter() override;
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    [[nodiscard]] std::uint64_t RowBytes() const override { return rowBytes_; }
    [[nodiscard]] bool TopDown() const override { return true; }

    // Writes the chunks before the image data. An image of no pixels is no PNG image, and
    // a side is at most 2^31 - 1: otherwise Msg::Unsupported.
    [[nodiscard]] Msg Begin() override;
    [[nodiscard]] Msg Write(std::span<const std::uint8_t> rows) override;
    // Ends the image data and the file.
    [[nodiscard]] Msg Finish() override;

  private:
    struct Encoder;

    void Deflate(const std::uint8_t* row);
    void PutChunk(const char type[4], const std::uint8_t* data, std::size_t size);
    [[nodiscard]] bool Flush(bool all);

    std::ostream& out_;
    std::uint64_t width_;
    std::uint64_t height_;
    OutputPalette palette_;
    std::uint64_t rowBytes_;
    std::unique_ptr<Encoder> encoder_;
};

}  // namespace tintwell
