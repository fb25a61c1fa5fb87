#pragma once

#include <array>
#include <cstddef>
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

    // Fibonacci hashing: the top 10 bits of the product spread neighbouring colors apart.
    // A key is most often found in this, its home bucket, so IndexOf tests it inline.
    static constexpr std::uint32_t HomeBucket(std::uint32_t key) {
        return (key * 2654435761u) >> 22;
    }

    // The probing half of IndexOf, for a key that is not in its home bucket.
    int Lookup(std::uint32_t key);

    std::array<std::uint32_t, kBuckets> keys_;
    std::array<std::uint8_t, kBuckets> values_;
    std::array<std::uint32_t, kCapacity> colors_;  // 0xRRGGBB in order of first occurrence
    std::uint32_t lastKey_ = kEmpty;
    int lastIndex_ = 0;
    int size_ = 0;
};

// Most pixels repeat their left neighbour or sit in their home bucket, so both tests stay
// inline.
inline int FirstOccurrenceIndex::IndexOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    const std::uint32_t key = static_cast<std::uint32_t>(blue) |
                              (static_cast<std::uint32_t>(green) << 8) |
                              (static_cast<std::uint32_t>(red) << 16);
    if (key == lastKey_) return lastIndex_;
    const std::uint32_t home = HomeBucket(key);
    if (keys_[home] != key) return Lookup(key);
    lastKey_ = key;
    lastIndex_ = values_[home];
    return lastIndex_;
}

}  // namespace tintwell

namespace tintwell {

// The pixel at `p` (blue, green, red) as one number, 0xRRGGBB.
inline std::uint32_t PixelKey(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}

// Calls `run(start, length, index)` for each run of equal pixels in a row of colors (blue,
// green, red), left to right, with the index `colors` gives the run's color. Colors are
// asked for in the order they occur, so first-occurrence numbering is the same as pixel by
// pixel. False at the first color `colors` has no index for.
template <class Index, class Run>
bool ForEachColorRun(const std::uint8_t* row, std::size_t width, Index& colors, Run run) {
    std::size_t x = 0;
    while (x < width) {
        const std::uint8_t* p = row + 3 * x;
        const std::uint32_t key = PixelKey(p);
        std::size_t end = x + 1;
        while (end < width && PixelKey(row + 3 * end) == key)
            ++end;
        const int index = colors.IndexOf(p[0], p[1], p[2]);
        if (index == FirstOccurrenceIndex::kFull) return false;
        run(x, end - x, index);
        x = end;
    }
    return true;
}

}  // namespace tintwell
