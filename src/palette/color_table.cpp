#include "palette/color_table.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>
#include <utility>

namespace tintwell {
namespace {

// The centre of the mask bucket that holds `value`: the masked value plus half the bucket
// width. For 8 bits the offset is 0, for 1 bit it is 64, so the sum never exceeds 255.
constexpr std::uint8_t BucketCentre(std::uint8_t value, std::uint8_t mask) {
    return static_cast<std::uint8_t>((value & mask) + (256 - mask) / 2);
}

constexpr int kMilestoneStep = 50;

}  // namespace

ColorTable::ColorTable() : slots_(kSlotCount) {
    listOrder_.reserve(kSlotCount);
}

int ColorTable::FindFreeSlot() const {
    for (int slot = freeHint_; slot < kSlotCount; ++slot) {
        if (!slots_[slot].InUse()) return slot;
    }
    return -1;
}

int ColorTable::AddColor(ColorQuad color, std::int64_t pixels, ChannelMask mask) {
    const int slot = FindFreeSlot();
    if (slot < 0) {
        if (observer_ != nullptr) observer_->ColorTableFull();
        return 0;
    }
    freeHint_ = slot + 1;

    ColorSlot& entry = slots_[slot];
    entry.paletteNumber = nextPaletteNumber_++;
    entry.red = BucketCentre(color.red, mask.red);
    entry.green = BucketCentre(color.green, mask.green);
    entry.blue = BucketCentre(color.blue, mask.blue);
    entry.pixelCount += pixels;

    const int position = ColorCount();
    listOrder_.push_back(slot);
    if (observer_ != nullptr) {
        observer_->ColorRowInserted(position);
        if (ColorCount() % kMilestoneStep == 0) observer_->ColorCountMilestone();
    }
    return slot;
}

int ColorTable::FindMaskedColor(ColorQuad color, ChannelMask mask) const {
    const int red = color.red & mask.red;
    const int green = color.green & mask.green;
    const int blue = color.blue & mask.blue;
    for (int slot : listOrder_) {
        const ColorSlot& entry = slots_[slot];
        if ((entry.red & mask.red) == red && (entry.green & mask.green) == green &&
            (entry.blue & mask.blue) == blue) {
            return slot;
        }
    }
    return -1;
}

int ColorTable::FindNearestColor(ColorQuad color) const {
    // Larger than any squared distance (3 x 255^2), so slot 0 is always taken first.
    int best = 16777215;
    // An empty table has no nearest color; -1 keeps the broken precondition visible.
    int result = -1;
    const int count = std::min(ColorCount(), kSlotCount);
    for (int slot = 0; slot < count; ++slot) {
        const ColorSlot& entry = slots_[slot];
        const int dr = color.red - entry.red;
        const int dg = color.green - entry.green;
        const int db = color.blue - entry.blue;
        const int distance = dr * dr + dg * dg + db * db;
        // Strict: of two entries at the same distance the lower slot stays.
        if (distance < best) {
            best = distance;
            result = slot;
        }
    }
    return result;
}

void ColorTable::FillFixedPalette(std::span<const Rgb> palette) {
    // The table is expected to be empty; a leftover list would leave rows with no slot.
    if (!listOrder_.empty()) Clear();

    const int count = static_cast<int>(std::min<std::size_t>(palette.size(), kSlotCount));
    nextPaletteNumber_ = 0;
    for (int i = 0; i < count; ++i) {
        ColorSlot& entry = slots_[i];
        entry.paletteNumber = nextPaletteNumber_++;
        entry.red = palette[i].red;
        entry.green = palette[i].green;
        entry.blue = palette[i].blue;
        entry.pixelCount = 0;
        listOrder_.push_back(i);
        if (observer_ != nullptr) observer_->ColorRowInserted(i);
    }
    // Slots 0..count-1 are now all in use, and those below the old hint still are.
    freeHint_ = std::max(freeHint_, count);
}

void ColorTable::Clear() {
    if (observer_ != nullptr) observer_->ColorRowsAboutToBeCleared();
    for (ColorSlot& entry : slots_) {
        entry.paletteNumber = -1;
        entry.pixelCount = 0;
    }
    listOrder_.clear();
    freeHint_ = 0;
    if (observer_ != nullptr) observer_->ColorRowsCleared();
}

int ColorTable::PositionOf(int slot) const {
    const auto found = std::find(listOrder_.begin(), listOrder_.end(), slot);
    return found == listOrder_.end() ? -1 : static_cast<int>(found - listOrder_.begin());
}

void ColorTable::RemoveAt(int position) {
    if (observer_ != nullptr) observer_->ColorRowAboutToBeRemoved(position);
    FreeSlot(listOrder_[position]);
    listOrder_.erase(listOrder_.begin() + position);
    if (observer_ != nullptr) observer_->ColorRowRemoved(position);
}

void ColorTable::FreeSlot(int slot) {
    slots_[slot].paletteNumber = -1;
    slots_[slot].pixelCount = 0;
    freeHint_ = std::min(freeHint_, slot);
}

void ColorTable::SetListOrder(std::vector<int> order) {
    listOrder_ = std::move(order);
}

OutputIndexMap ColorTable::BuildOutputIndexMap(const IndexMap& indexMap) const {
    // The first list position of each slot that the file names, found in one pass over the
    // list instead of one pass per file palette index. -1: not (yet) found in the list.
    std::unordered_map<std::int32_t, int> firstPosition;
    firstPosition.reserve(indexMap.size());
    for (std::int32_t slot : indexMap)
        firstPosition.emplace(slot, -1);

    for (int position = 0; position < ColorCount(); ++position) {
        const auto found = firstPosition.find(listOrder_[position]);
        if (found != firstPosition.end() && found->second < 0) found->second = position;
    }

    OutputIndexMap output{};
    for (std::size_t i = 0; i < indexMap.size(); ++i) {
        const int position = firstPosition.find(indexMap[i])->second;
        // Positions are stored as bytes; output runs only when the list fits the palette.
        if (position >= 0) output[i] = static_cast<std::uint8_t>(position);
    }
    return output;
}

std::vector<Rgb> ColorTable::Palette() const {
    std::vector<Rgb> colors;
    colors.reserve(listOrder_.size());
    for (int slot : listOrder_) {
        const ColorSlot& entry = slots_[slot];
        colors.push_back(Rgb{entry.red, entry.green, entry.blue});
    }
    return colors;
}

}  // namespace tintwell
