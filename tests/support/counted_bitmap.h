#pragma once

#include <cstdint>
#include <vector>

#include "support/bmp_builder.h"

namespace tintwell::test {

// A color given as 0xRRGGBB.
inline ColorQuad Quad(std::uint32_t rgb) {
    return ColorQuad{static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb >> 16), 0};
}

// An 8-bit bitmap of one row whose palette index i is used by counts[i] pixels, so a test
// knows every color and every pixel count of the file.
inline std::vector<std::uint8_t> CountedBitmap(const std::vector<std::uint32_t>& colors,
                                               const std::vector<int>& counts) {
    std::vector<ColorQuad> palette;
    for (std::uint32_t rgb : colors)
        palette.push_back(Quad(rgb));
    std::vector<std::uint32_t> pixels;
    for (std::size_t i = 0; i < counts.size(); ++i)
        pixels.insert(pixels.end(), static_cast<std::size_t>(counts[i]), i);
    const int width = static_cast<int>(pixels.size());
    return BmpBuilder(width, 1, 8).Palette(palette).Pixels(pixels).Bytes();
}

}  // namespace tintwell::test
