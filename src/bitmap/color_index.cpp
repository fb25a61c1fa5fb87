#include "bitmap/color_index.h"

namespace tintwell {
FirstOccurrenceIndex::FirstOccurrenceIndex() {
    Clear();
}

// Probes from the key's bucket to the key or the first empty bucket. Colors are only ever
// appended, so the found position is the color's first occurrence, as a linear scan gives.
int FirstOccurrenceIndex::Lookup(std::uint32_t key) {
    std::uint32_t b = HomeBucket(key);
    while (keys_[b] != kEmpty) {
        if (keys_[b] == key) {
            lastKey_ = key;
            lastIndex_ = values_[b];
            return lastIndex_;
        }
        b = (b + 1) & (kBuckets - 1);
    }
    if (size_ == kCapacity) return kFull;
    keys_[b] = key;
    values_[b] = static_cast<std::uint8_t>(size_);
    colors_[size_] = key;
    lastKey_ = key;
    lastIndex_ = size_;
    return size_++;
}

ColorQuad FirstOccurrenceIndex::ColorAt(int i) const {
    const std::uint32_t c = colors_[i];
    return ColorQuad{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                     static_cast<std::uint8_t>(c >> 16), 0};
}

// Forgets every color, ready for the next file.
void FirstOccurrenceIndex::Clear() {
    keys_.fill(kEmpty);
    values_.fill(0);
    colors_.fill(0);
    lastKey_ = kEmpty;
    lastIndex_ = 0;
    size_ = 0;
}

}  // namespace tintwell
