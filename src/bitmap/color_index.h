#pragma once

#include <array>
#include <cstdint>

#include "palette/color.h"

namespace tintwell {

// The distinct colors of a 24-bit file in order of first occurrence (rows in stored order,
// pixels left to right). A color's position here is its file palette index; the analyser
// and the writer both number colors with this class, so they agree pixel for pixel.
//
// The lookup is hashed (with a one-entry cache for runs of equal pixels) and gives exactly
// the positions of a linear scan from the first entry.
class FirstOccurrenceIndex {
  public:
    static constexpr int kCapacity = 256;
    static constexpr int kFull = -1;

    FirstOccurrenceIndex();

    // The file index of the pixel with bytes blue, green, red; a new color is appended.
    // Returns kFull when the color is new and 256 colors are already known.
    int IndexOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

    [[nodiscard]] int Size() const { return size_; }
    // Color `i` (0 <= i < Size()), reserved byte 0.
    [[nodiscard]] ColorQuad ColorAt(int i) const;

    void Clear();

  private:
    // Open addressing with linear probing; at most 256 of 1024 buckets are ever used, so
    // probe runs stay short and the whole table (5 KiB) stays in the first-level cache.
    static constexpr int kBuckets = 1024;
    // No 24-bit key has a bit above 23 set, so this marks an empty bucket (and an empty cache).
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    // The hash-table half of IndexOf, for a pixel that differs from the previous one.
    int Lookup(std::uint32_t key);

    std::array<std::uint32_t, kBuckets> keys_;
    std::array<std::uint8_t, kBuckets> values_;
    std::array<std::uint32_t, kCapacity> colors_;  // 0xRRGGBB in order of first occurrence
    std::uint32_t lastKey_ = kEmpty;
    int lastIndex_ = 0;
    int size_ = 0;
};

// Most pixels repeat their left neighbour, so the cache test stays inline.
inline int FirstOccurrenceIndex::IndexOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    const std::uint32_t key = static_cast<std::uint32_t>(blue) |
                              (static_cast<std::uint32_t>(green) << 8) |
                              (static_cast<std::uint32_t>(red) << 16);
    if (key == lastKey_) return lastIndex_;
    return Lookup(key);
}

}  // namespace tintwell
