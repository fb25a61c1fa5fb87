#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "palette/color.h"
#include "palette/palette_settings.h"

namespace tintwell::cli {

// The whole of `text` as a decimal number.
[[nodiscard]] bool ParseInt(std::string_view text, int& value);

// "5" sets all three channels; "5,6,5" sets red, green, blue. Each is 1..8.
[[nodiscard]] bool ParseBits(std::string_view text, ChannelBits& bits);

// "R,G,B" with each 0..255, or six hex digits "rrggbb" (a leading '#' allowed).
[[nodiscard]] bool ParseKeyColor(std::string_view text, Rgb& color);

// Short flags may be grouped as usual: "-fq" is "-f -q", and "-fqo out" is "-f -q -o out".
[[nodiscard]] std::vector<std::string> SplitGroupedFlags(const std::vector<std::string>& args);

}  // namespace tintwell::cli
