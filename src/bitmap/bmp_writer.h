#pragma once

#include <cstdint>
#include <ostream>
#include <span>

#include "bitmap/bmp_header.h"
#include "bitmap/row_sink.h"
#include "resources/string_table.h"

namespace tintwell {

// Writes a bitmap of 4 or 8 bits a pixel: the 14-byte file header (the reserved words carried
// over), a 40-byte information header (width, height with its sign and the resolution carried
// over; planes 1; bit count 4 or 8; image size = stride x rows; colors used = the depth;
// important 0), one color-table entry per palette entry (blue, green, red, 0), then the rows
// as the sink is given them. The size is known before the first row, so the file is written
// front to back in one pass and needs no seeking: a pipe or any other stream serves.
class BmpWriter final : public RowSink {
  public:
    // `carried`: what the output keeps of its input (ImageInfo::bmp), its size included.
    BmpWriter(std::ostream& out, const BmpHeader& carried, const OutputPalette& palette);

    [[nodiscard]] std::uint64_t RowBytes() const override { return stride_; }
    // The height's sign is carried over, so the output keeps the input's row order.
    [[nodiscard]] bool TopDown() const override { return carried_.height < 0; }

    // The file and image sizes are 32-bit fields: a bitmap that would not fit them is not
    // written at all (Msg::Unsupported), rather than written with sizes that wrap.
    [[nodiscard]] Msg Begin() override;
    [[nodiscard]] Msg Write(std::span<const std::uint8_t> rows) override;
    [[nodiscard]] Msg Finish() override { return Msg::None; }

  private:
    std::ostream& out_;
    const BmpHeader& carried_;
    OutputPalette palette_;
    std::uint64_t stride_;
};

}  // namespace tintwell
