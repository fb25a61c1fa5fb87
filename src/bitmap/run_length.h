#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string_view>
#include <vector>

#include "resources/string_table.h"

namespace tintwell {

// Bytes of a stream read through a buffer of a few kilobytes, one at a time.
class ByteSource {
  public:
    explicit ByteSource(std::istream& in) : in_(in) {}

    // The next byte, or -1 at the end of the stream.
    int Next() {
        if (at_ == size_ && !Refill()) return -1;
        return buffer_[at_++];
    }

  private:
    bool Refill();

    std::istream& in_;
    std::vector<std::uint8_t> buffer_;
    std::size_t at_ = 0;
    std::size_t size_ = 0;
};

// Decodes RLE8 or RLE4 pixel data row by row, bottom row first, into one palette index per
// byte. The data is a sequence of two-byte commands:
//   n > 0, c       encoded run: n pixels of index c (RLE4: the nibbles of c by turns)
//   0, 0           end of line: the rest of the row is index 0
//   0, 1           end of bitmap: the rest of the image is index 0
//   0, 2, dx, dy   delta: move dx right and dy rows on; skipped pixels are index 0
//   0, n >= 3      absolute run: n indices follow (RLE4: two a byte), padded to 2 bytes
// Data that ends without an end-of-bitmap leaves the rest of the image at index 0, as other
// decoders take it. Runs may cover the row's padding up to its 4-byte boundary, as
// ImageMagick writes them for odd widths; those pixels are dropped. A run or delta past
// that is refused. Data after the last row is never read, and a delta past the last row
// ends the image, as ImageMagick and Pillow take both.
class RunLengthDecoder {
  public:
    RunLengthDecoder(std::istream& in, std::size_t width, std::uint64_t rows, bool fourBit);

    // Decodes the next row into `row` (width bytes). Msg::None or ReadError with `detail`.
    [[nodiscard]] Msg DecodeRow(std::uint8_t* row, std::string_view& detail);

  private:
    // Fills `count` pixels from x on with a run; false when the data ended inside it.
    bool Absolute(std::uint8_t* row, std::size_t count);
    // Puts one pixel at x and moves on; a pixel in the row's padding is dropped.
    void Put(std::uint8_t* row, int index) {
        if (x_ < width_) row[x_] = static_cast<std::uint8_t>(index);
        ++x_;
    }

    ByteSource bytes_;
    std::size_t width_;
    std::size_t paddedWidth_;  // pixels up to the row's 4-byte boundary
    std::uint64_t rows_;
    bool fourBit_;
    std::size_t x_ = 0;           // where the next pixel of the current row goes
    std::uint64_t row_ = 0;       // the row being decoded
    std::uint64_t skipRows_ = 0;  // empty rows a delta left before the next pixels
    bool ended_ = false;
};

}  // namespace tintwell
