#include "bitmap/true_color.h"

#include <utility>

namespace tintwell {

NearestColorIndex::NearestColorIndex(std::shared_ptr<const std::vector<ColorQuad>> candidates)
    : candidates_(std::move(candidates)) {
    keys_.fill(kEmpty);
}

int NearestColorIndex::IndexOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    const std::uint32_t key = static_cast<std::uint32_t>(blue) |
                              (static_cast<std::uint32_t>(green) << 8) |
                              (static_cast<std::uint32_t>(red) << 16);
    const std::uint32_t bucket = (key * 2654435761u) >> 20;
    if (keys_[bucket] == key) return values_[bucket];
    // Larger than any squared distance, so the first candidate is always taken first.
    int best = 16777215;
    int result = 0;
    const std::vector<ColorQuad>& colors = *candidates_;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const int dr = red - colors[i].red;
        const int dg = green - colors[i].green;
        const int db = blue - colors[i].blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best) {
            best = distance;
            result = static_cast<int>(i);
        }
    }
    keys_[bucket] = key;
    values_[bucket] = static_cast<std::uint8_t>(result);
    return result;
}

}  // namespace tintwell
