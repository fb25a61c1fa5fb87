#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "palette/color.h"
#include "palette/palette_codec.h"

namespace tintwell {

// An .act palette is 768 bytes: red, green, blue of entries 0..255, with no header or
// signature. Adobe's longer form adds four bytes, both numbers big-endian:
//
//   offset  size  content
//   0       768   red, green, blue of entries 0..255
//   768     2     number of entries in use, 1..256
//   770     2     index of the transparent entry, 0xFFFF for none
//
// Only a file of exactly 772 bytes carries that count; from any other file of 768 bytes or
// more the first 768 bytes are taken and the rest is ignored.
inline constexpr std::size_t kActFileSize = 768;
inline constexpr std::size_t kActFileWithCountSize = 772;
using ActBytes = std::array<std::uint8_t, kActFileSize>;

// The entries of an .act file's bytes: 256 of them, or the count of the 772-byte form.
// A count of 0 or above 256 is no count (such files were read whole before this form was
// known). Fewer than 768 bytes: TooShort.
[[nodiscard]] DecodedPalette DecodeAct(std::span<const std::uint8_t> bytes);

// The palette file's bytes for a list of colors: at most 256 entries, then zero bytes.
[[nodiscard]] ActBytes EncodeActPalette(std::span<const Rgb> colors);

}  // namespace tintwell
