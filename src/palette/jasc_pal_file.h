#pragma once

#include <span>
#include <string>
#include <string_view>

#include "palette/color.h"
#include "palette/palette_codec.h"

namespace tintwell {

// A JASC-PAL palette (.pal, Paint Shop Pro) is text with CR LF line breaks:
//
//   JASC-PAL        the signature
//   0100            the version, always 0100
//   16              the number of entries that follow
//   255 0 0         red, green, blue 0..255 of each entry, one a line
//
// Some writers add an alpha value after blue; it is ignored. Lines after the counted
// entries are ignored. The binary RIFF palette that shares the extension is another format.
inline constexpr std::string_view kJascSignature = "JASC-PAL";

[[nodiscard]] DecodedPalette DecodeJascPal(std::string_view text);

[[nodiscard]] std::string EncodeJascPal(std::span<const Rgb> colors);

}  // namespace tintwell
