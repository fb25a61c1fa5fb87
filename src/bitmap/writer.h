#pragma once

#include <istream>
#include <ostream>
#include <span>

#include "bitmap/image_format.h"
#include "bitmap/true_color.h"
#include "palette/color.h"
#include "palette/color_table.h"
#include "resources/string_table.h"

namespace tintwell {

// What the writer needs of the color list: the common palette in list order and the
// output depth. 1 <= palette.size() <= depth is the caller's guarantee.
struct OutputPalette {
    std::span<const Rgb> colors;  // list order
    int depth = 256;              // 16 -> 4-bit output, 256 -> 8-bit output
};

// Reads the input image (bitmap or PNG, told by its first bytes) again from the start of
// `in` and writes it to `out` (empty, at its start) in the format `output`, with the common
// palette, every pixel's file index translated through `map`. A PNG image's checksums are
// not computed again: its scan checked them, and the output job compares the bytes read
// now with those its scan read (FileFingerprint).
//
// Bitmap output: 14-byte file header (reserved words carried over, size written last), a 40-byte
// information header (width, height with its sign and resolutions carried over; planes 1;
// bit count 4 or 8; image size = stride x rows; colors used = depth; important 0), `depth`
// color-table entries (list colors, then zeros), then the rows in the input's order,
// padded with zero bytes. The pixels of a true-color input are numbered by `rule`, the rule
// its scan reported. Returns Msg::None or the message number of the failure.
[[nodiscard]] Msg WriteBitmap(std::istream& in, std::ostream& out, const OutputPalette& palette,
                              const OutputIndexMap& map, const TrueColorRule& rule = {},
                              ImageFormat output = ImageFormat::Bmp);

}  // namespace tintwell
