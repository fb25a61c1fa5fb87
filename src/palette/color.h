#pragma once

#include <cstdint>

namespace tintwell {

// A color in the byte order of a bitmap color-table entry: blue, green, red, reserved.
// The reserved byte is carried along and ignored by every comparison.
struct ColorQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
};

// A palette entry as palette files store it: red, green, blue.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

}  // namespace tintwell
