#pragma once

#include <span>
#include <string>
#include <string_view>

#include "palette/color.h"
#include "palette/palette_codec.h"

namespace tintwell {

// A hex palette (.hex, as pixel-art sites hand them out) is one color a line, six
// hexadecimal digits rrggbb, in either letter case. A leading '#' and blank lines are
// taken as well.
[[nodiscard]] DecodedPalette DecodeHex(std::string_view text);

// Whether `line` is one entry of a hex palette.
[[nodiscard]] bool IsHexEntry(std::string_view line);

// Lower-case rrggbb, LF after each line.
[[nodiscard]] std::string EncodeHex(std::span<const Rgb> colors);

}  // namespace tintwell
