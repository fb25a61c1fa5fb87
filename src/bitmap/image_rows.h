#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string_view>

#include "bitmap/bmp_header.h"
#include "bitmap/image_format.h"
#include "bitmap/pixel_rows.h"
#include "bitmap/png_rows.h"
#include "palette/color.h"
#include "resources/string_table.h"

namespace tintwell {

// What the analyser and the writer need of an input image, whatever its format.
struct ImageInfo {
    ImageFormat format = ImageFormat::Bmp;
    std::size_t width = 0;
    std::uint64_t rows = 0;
    bool trueColor = false;  // rows decode to colors rather than palette indices
    bool topDown = false;    // rows are stored top row first
    std::array<ColorQuad, kMaxPaletteEntries> palette{};  // the file palette
    std::string_view formatName;                          // "bmp-8", "png-rgba8" ...
    // What a bitmap written from this image carries over: the input's own headers for a
    // bitmap; for a PNG image no reserved words, bottom-up rows and the pHYs resolution.
    BmpHeader bmp;
};

// The pixel rows of a bitmap or a PNG image (told by its first bytes) in stored order, in
// the forms PixelRows hands them out: one palette index per byte, or blue, green, red bytes.
class ImageRows {
  public:
    ImageRows(std::istream& in, Rgb keyColor, PngChecksums checksums = PngChecksums::Check);

    // Reads and checks the headers from the start of the stream. Msg::None, or the failure
    // (Detail() says why).
    [[nodiscard]] Msg Open();
    [[nodiscard]] const ImageInfo& Info() const { return info_; }

    // Readies the first row; again after rows were read, the first row once more.
    [[nodiscard]] Msg Start();
    // The next row, or nullptr at a failure.
    [[nodiscard]] const std::uint8_t* Next();

    [[nodiscard]] Msg Error() const { return error_; }
    [[nodiscard]] std::string_view Detail() const { return detail_; }

  private:
    Msg Fail(Msg error, std::string_view detail);

    std::istream& in_;
    Rgb key_;
    PngChecksums checksums_;
    ImageInfo info_;
    std::optional<PixelRows> bmpRows_;
    std::unique_ptr<PngRows> pngRows_;
    bool started_ = false;
    Msg error_ = Msg::None;
    std::string_view detail_;
};

}  // namespace tintwell
