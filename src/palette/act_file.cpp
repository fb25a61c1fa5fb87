#include "palette/act_file.h"

#include <algorithm>

namespace tintwell {

DecodedPalette DecodeAct(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kActFileSize) return {PaletteFault::TooShort, 0, {}};
    std::size_t count = kPaletteEntries;
    if (bytes.size() == kActFileWithCountSize) {
        const std::size_t stored = std::size_t{bytes[768]} << 8 | bytes[769];
        if (stored >= 1 && stored <= kPaletteEntries) count = stored;
    }
    DecodedPalette result;
    result.colors.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        result.colors.push_back(Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]});
    }
    return result;
}

ActBytes EncodeActPalette(std::span<const Rgb> colors) {
    ActBytes bytes{};
    const std::size_t count = std::min(colors.size(), kPaletteEntries);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[3 * i] = colors[i].red;
        bytes[3 * i + 1] = colors[i].green;
        bytes[3 * i + 2] = colors[i].blue;
    }
    return bytes;
}

}  // namespace tintwell
