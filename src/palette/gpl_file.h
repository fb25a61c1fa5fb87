#pragma once

#include <span>
#include <string>
#include <string_view>

#include "palette/color.h"
#include "palette/palette_codec.h"

namespace tintwell {

// A GIMP palette (.gpl) is text, one line each:
//
//   GIMP Palette                the first line, always
//   Name: Sprites               optional, the palette's name (UTF-8)
//   Columns: 16                 optional, 0..255, how GIMP lays the swatches out
//   # anything                  a comment, wherever it stands
//   255 128   0   Orange        red, green, blue 0..255, set apart by blanks, then a name
//
// Empty lines are skipped. GIMP writes LF line breaks; CR LF is taken as well.
inline constexpr std::string_view kGplSignature = "GIMP Palette";

[[nodiscard]] DecodedPalette DecodeGpl(std::string_view text);

// The text GIMP's own writer produces: header, name, 16 columns, then "%3d %3d %3d\tIndex n".
[[nodiscard]] std::string EncodeGpl(std::span<const Rgb> colors, std::string_view name);

}  // namespace tintwell
