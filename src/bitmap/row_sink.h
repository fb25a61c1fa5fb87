#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "palette/color.h"
#include "palette/output_depth.h"
#include "resources/string_table.h"

namespace tintwell {

// What the writer needs of the color list: the common palette in list order and the
// output depth. 1 <= colors.size() <= depth.Entries() is the caller's guarantee.
struct OutputPalette {
    std::span<const Rgb> colors;  // list order
    OutputDepth depth;

    // Entry `j` of a written palette: the list's colors, then black up to the depth.
    [[nodiscard]] Rgb Entry(std::size_t j) const { return j < colors.size() ? colors[j] : Rgb{}; }
};

// Bytes of one row of `width` indices packed at `bitsPerPixel`: pixels of fewer than 8 bits
// share bytes, and the row ends at the next byte boundary. A PNG row is exactly this; a
// bitmap row is padded on to RowStride.
[[nodiscard]] constexpr std::uint64_t PackedRowBytes(std::uint64_t width, unsigned bitsPerPixel) {
    return (width * bitsPerPixel + 7) / 8;
}

// One output file format as the writer sees it: the headers and palette, then whole rows of
// output indices packed at the depth's bits per pixel (two a byte at 4 bits, left pixel in
// the high nibble), each padded with zeros to RowBytes(), in the order the format stores
// them, then whatever ends the file.
class RowSink {
  public:
    virtual ~RowSink() = default;

    // Bytes of one stored row, padding included.
    [[nodiscard]] virtual std::uint64_t RowBytes() const = 0;
    // True when the format stores the top row first.
    [[nodiscard]] virtual bool TopDown() const = 0;

    // Everything before the first row.
    [[nodiscard]] virtual Msg Begin() = 0;
    // Whole rows, RowBytes() each, following the rows given before.
    [[nodiscard]] virtual Msg Write(std::span<const std::uint8_t> rows) = 0;
    // Everything after the last row.
    [[nodiscard]] virtual Msg Finish() = 0;
};

}  // namespace tintwell
