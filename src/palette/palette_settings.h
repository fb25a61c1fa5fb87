#pragma once

#include <array>
#include <cstdint>

#include "palette/color.h"

namespace tintwell {

// How colors are collected. The numbers are the ones stored in the settings ("Type").
enum class PaletteMode : int {
    Fixed256 = 0,  // every color maps to the nearest entry of the 256-color palette
    Fixed16 = 1,   // every color maps to the nearest entry of the 16-color palette
    RgbBits = 2,   // colors are collected after each channel is cut to ChannelBits bits
};

// Bits kept per channel in RgbBits mode, 1..8, in the order red, green, blue.
struct ChannelBits {
    int red = 8;
    int green = 8;
    int blue = 8;
};

// Masks that keep the top ChannelBits bits of a channel byte: 0x100 - 2^(8 - bits).
struct ChannelMask {
    std::uint8_t red = 0xFF;
    std::uint8_t green = 0xFF;
    std::uint8_t blue = 0xFF;
};

// The mask for one channel kept with `bits` bits (1..8): 8 -> 0xFF, 5 -> 0xF8, 1 -> 0x80.
[[nodiscard]] constexpr std::uint8_t MaskForBits(int bits) {
    return static_cast<std::uint8_t>(0x100 - (1 << (8 - bits)));
}

[[nodiscard]] constexpr ChannelMask MaskFor(ChannelBits bits) {
    return {MaskForBits(bits.red), MaskForBits(bits.green), MaskForBits(bits.blue)};
}

// Everything that decides how colors enter the table and how output is written.
struct PaletteSettings {
    PaletteMode mode = PaletteMode::RgbBits;
    ChannelBits bits;
    ChannelMask mask;
    int outputDepth = 256;  // palette entries of the output bitmaps: 16 or 256
    // The color of every pixel whose alpha is 0 (magenta, the key color of the samples).
    Rgb keyColor{255, 0, 255};
};

// The stored "Type" value read back: anything outside 0..2 is RgbBits.
[[nodiscard]] constexpr PaletteMode PaletteModeFromSetting(long long value) {
    return value >= 0 && value <= 2 ? static_cast<PaletteMode>(value) : PaletteMode::RgbBits;
}

}  // namespace tintwell
