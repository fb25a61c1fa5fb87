#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string_view>
#include <vector>

#include "bitmap/bmp_header.h"
#include "bitmap/run_length.h"
#include "palette/color.h"
#include "resources/string_table.h"

namespace tintwell {

// Unpacks a row of 1-, 2- or 4-bit indices, leftmost pixel in the highest bits of a byte
// (as bitmaps and PNG images both store them), into one index per byte.
void UnpackIndices(const std::uint8_t* stored, std::size_t width, unsigned bits,
                   std::uint8_t* indices);

// The pixel rows of a bitmap in stored order, each decoded by the function for its encoding
// into one of two forms: one palette index per byte (1-, 2-, 4-, 8-bit, RLE4, RLE8), or
// blue, green, red bytes (16-, 24-, 32-bit). The analyser and the writer read rows only
// through this class, so both see the same pixels whatever the encoding.
//
// Pixels with an alpha channel: a pixel whose alpha is 0 takes `keyColor`; any other alpha
// is ignored. When no pixel of the image sets its alpha bits the channel is padding from an
// old writer, and every pixel is opaque.
class PixelRows {
  public:
    // `in` stands at the first pixel row, where ReadBmpHeader left it.
    PixelRows(const BmpHeader& header, std::istream& in, Rgb keyColor);

    // Sizes the buffers and, for pixels with alpha, reads the rows once to see whether any
    // pixel sets it. Msg::None, or the failure (Detail() says why).
    [[nodiscard]] Msg Start();

    // The next row (`width` indices or `width` triples), or nullptr at a failure.
    [[nodiscard]] const std::uint8_t* Next();

    [[nodiscard]] Msg Error() const { return error_; }
    [[nodiscard]] std::string_view Detail() const { return detail_; }

  private:
    // One channel of a bit-field pixel: its bits, where they start and their largest value.
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint64_t max = 1;
    };

    // Reads the next block of stored rows; false at a short read.
    bool ReadBlock();
    const std::uint8_t* Fail(Msg error, std::string_view detail);
    bool AnyAlpha();
    void DecodeBitfields(const std::uint8_t* stored);

    const BmpHeader& h_;
    std::istream& in_;
    Rgb key_;
    std::size_t width_;
    bool alpha_ = false;  // alpha 0 means the key color
    Channel red_, green_, blue_;
    std::uint64_t blockRows_ = 0;
    std::uint64_t rowsRead_ = 0;  // stored rows read into blocks so far
    std::uint64_t inBlock_ = 0;   // rows of the current block already handed out
    std::uint64_t blockCount_ = 0;
    std::vector<std::uint8_t> block_;
    std::vector<std::uint8_t> row_;  // a decoded row where the stored one is not used as is
    std::optional<RunLengthDecoder> runLength_;
    Msg error_ = Msg::None;
    std::string_view detail_;
};

}  // namespace tintwell
