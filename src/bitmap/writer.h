#pragma once

#include <istream>
#include <ostream>

#include "bitmap/image_format.h"
#include "bitmap/row_sink.h"
#include "bitmap/true_color.h"
#include "palette/color_table.h"
#include "resources/string_table.h"

namespace tintwell {

// Reads the input image (bitmap or PNG, told by its first bytes) again from the start of
// `in` and writes it to `out` (empty, at its start) in the format `output`, with the common
// palette, every pixel's file index translated through `map`: the input's rows
// (RemappedRows) go to the format's writer (BmpWriter, PngWriter). The pixels of a
// true-color input are numbered by `rule`, the rule its scan reported. A bitmap keeps the
// input bitmap's row order and is stored bottom-up when made from a PNG image; a PNG image
// is always top-down. Returns Msg::None or the message number of the failure.
[[nodiscard]] Msg WriteBitmap(std::istream& in, std::ostream& out, const OutputPalette& palette,
                              const OutputIndexMap& map, const TrueColorRule& rule = {},
                              ImageFormat output = ImageFormat::Bmp);

}  // namespace tintwell
