#pragma once

#include <string>
#include <string_view>

#include "palette/palette_settings.h"

namespace tintwell {

// What the palette settings dialog hands back on OK.
struct PaletteChoice {
    PaletteMode mode = PaletteMode::RgbBits;
    ChannelBits bits;
    // The chosen palette names; only the one of the chosen fixed mode is taken.
    std::string pal256Name;
    std::string pal16Name;
};

// The entry that stands for the built-in palette in both palette lists, in the current
// language. The leading blank sorts it first.
[[nodiscard]] std::string_view BuiltInPaletteEntry();

// The palette name for a list entry: empty for the built-in entry, the entry otherwise.
[[nodiscard]] std::string PaletteNameFromEntry(std::string_view entry);

// The caption of the palette settings button: "256色固定", "16色固定" or "R:8 G:8 B:8".
[[nodiscard]] std::string ModeCaption(const PaletteSettings& settings);

}  // namespace tintwell
