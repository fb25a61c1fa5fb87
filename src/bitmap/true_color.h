#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "bitmap/color_index.h"
#include "palette/color.h"
#include "palette/palette_settings.h"

namespace tintwell {

// How the pixels of a true-color file are numbered into its file indices.
enum class TrueColorNumbering : std::uint8_t {
    FirstOccurrence,  // each distinct color, by first occurrence; at most 256 colors
    Reduced,          // each distinct color cut to the mode's channel bits, by first occurrence
    Nearest,          // the nearest of up to 256 candidate colors (the fixed modes)
};

// What turns the pixels of a true-color file into file indices: the numbering, what it
// needs, and the color that a transparent pixel takes. A scan says which rule it used, and
// the writer numbers the pixels again by the same rule.
struct TrueColorRule {
    Rgb keyColor{255, 0, 255};
    TrueColorNumbering numbering = TrueColorNumbering::FirstOccurrence;
    ChannelMask mask;  // Reduced
    // Nearest: the candidates in the order a nearest-color search takes them.
    std::shared_ptr<const std::vector<ColorQuad>> candidates;
};

// Numbers colors cut to a channel mask by first occurrence. The color kept for an index is
// the cut color, which stands for every color of its bucket.
class ReducedColorIndex {
  public:
    explicit ReducedColorIndex(ChannelMask mask) : mask_(mask) {}

    int IndexOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
        return colors_.IndexOf(blue & mask_.blue, green & mask_.green, red & mask_.red);
    }
    [[nodiscard]] int Size() const { return colors_.Size(); }
    [[nodiscard]] ColorQuad ColorAt(int i) const { return colors_.ColorAt(i); }

  private:
    ChannelMask mask_;
    FirstOccurrenceIndex colors_;
};

// Numbers each color by the nearest candidate (smallest squared distance, the first of
// equals), as the color table's nearest-color search does. Answers are cached per color.
class NearestColorIndex {
  public:
    explicit NearestColorIndex(std::shared_ptr<const std::vector<ColorQuad>> candidates);

    int IndexOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red);
    [[nodiscard]] int Size() const { return static_cast<int>(candidates_->size()); }
    [[nodiscard]] ColorQuad ColorAt(int i) const { return (*candidates_)[i]; }

  private:
    static constexpr int kCacheSize = 4096;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    std::shared_ptr<const std::vector<ColorQuad>> candidates_;
    std::array<std::uint32_t, kCacheSize> keys_;
    std::array<std::uint8_t, kCacheSize> values_{};
};

}  // namespace tintwell
