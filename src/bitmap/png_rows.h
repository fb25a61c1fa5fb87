#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string_view>
#include <vector>

#include "bitmap/image_format.h"
#include "palette/color.h"
#include "resources/string_table.h"

namespace tintwell {

// What the engine needs of a PNG image's header chunks, read once.
struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colorType = 0;  // 0 gray, 2 RGB, 3 palette, 4 gray + alpha, 6 RGBA
    bool interlaced = false;
    // PLTE, entries past its end black; an entry whose tRNS alpha is 0 holds the key color.
    std::array<ColorQuad, 256> palette{};
    // pHYs in pixels per metre; 0 when the file has none or gives only an aspect ratio.
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;

    // True when rows decode to colors rather than palette indices.
    [[nodiscard]] bool TrueColor() const { return colorType != 3; }
};

// The pixel rows of a PNG image, top row first, in the two forms the bitmap rows come in:
// one palette index per byte (palette images, PLTE as the file palette), or blue, green,
// red bytes (gray, RGB, with or without alpha). Samples of 16 bits are cut to their high 8
// bits, gray is spread to three equal channels, and no gamma is applied.
//
// Transparency, as in bitmaps with alpha: a pixel whose alpha is 0 (from its alpha channel,
// or tRNS) takes `keyColor`, a palette entry whose tRNS alpha is 0 holds it; any other alpha
// is ignored.
//
// Rows are decoded one at a time as they are asked for; an interlaced image is decoded
// whole at Start, since its passes spread every row over the whole data stream.
// Whether the CRCs of the chunks and the Adler-32 sum of the image data are checked. A file
// is read a second time (to write it) only after a first reading checked it, and the bytes
// read then are compared with those read first; the sums need not be computed twice.
enum class PngChecksums { Check, Skip };

class PngRows {
  public:
    // `in` stands at the start of the file.
    PngRows(std::istream& in, Rgb keyColor, PngChecksums checksums = PngChecksums::Check);
    ~PngRows();
    PngRows(const PngRows&) = delete;
    PngRows& operator=(const PngRows&) = delete;

    // Reads the signature and the chunks before the image data and checks them: header
    // chunks that cannot be read (222), a side of 0 (222), dimensions past kMaxDecodedPixels
    // (223).
    [[nodiscard]] Msg Open();
    [[nodiscard]] const PngHeader& Header() const { return header_; }
    // A short name of the file's pixel format: "png-pal4", "png-gray16", "png-rgba8" ...
    [[nodiscard]] std::string_view FormatName() const;

    // Readies the decoder (and decodes an interlaced image). Msg::None, or the failure.
    [[nodiscard]] Msg Start();
    // The next row (`width` indices or `width` triples), or nullptr at a failure. After the
    // last row, the chunks up to the end of the file are read and checked too.
    [[nodiscard]] const std::uint8_t* Next();

    [[nodiscard]] Msg Error() const { return error_; }
    [[nodiscard]] std::string_view Detail() const { return detail_; }

  private:
    struct Decoder;

    const std::uint8_t* Fail(Msg error, std::string_view detail);
    Msg FailWith(int code, Msg error);
    // The refusal of a header whose width (or height) the decoder did not take.
    Msg FailOnSize(bool width);
    const std::uint8_t* Convert(const std::uint8_t* decoded);

    std::istream& in_;
    Rgb key_;
    PngChecksums checksums_;
    std::unique_ptr<Decoder> decoder_;
    PngHeader header_;
    std::size_t decodedRowBytes_ = 0;
    bool plainRgb_ = false;  // 8-bit RGB without tRNS, decoded as RGB rather than RGBA
    std::uint32_t rowsRead_ = 0;
    std::vector<std::uint8_t> decoded_;  // one decoded row, or the whole interlaced image
    std::vector<std::uint8_t> row_;      // the row as handed out
    Msg error_ = Msg::None;
    std::string_view detail_;
};

}  // namespace tintwell
