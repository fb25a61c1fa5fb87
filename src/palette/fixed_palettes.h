#pragma once

#include <array>
#include <cstdint>

#include "palette/color.h"

namespace tintwell {

using FixedPalette256 = std::array<Rgb, 256>;
using FixedPalette16 = std::array<Rgb, 16>;

// The built-in palettes used when no palette file is chosen.
[[nodiscard]] const FixedPalette256& BuiltInPalette256();
[[nodiscard]] const FixedPalette16& BuiltInPalette16();

}  // namespace tintwell
