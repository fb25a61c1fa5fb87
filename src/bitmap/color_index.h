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
    // ...
    int size_ = 0;
};

}  // namespace tintwell
