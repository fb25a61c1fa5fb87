#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "palette/color.h"
#include "palette/fixed_palettes.h"
#include "palette/palette_settings.h"

namespace tintwell {

inline constexpr int kSlotCount = 32768;  // 128 files x 256 colors
inline constexpr int kFileIndexCount = 256;

// One entry of the color table. A slot is free exactly when its palette number is -1;
// a free slot's pixel count is 0.
struct ColorSlot {
    std::int32_t paletteNumber = -1;  // sequence number the color got when it entered
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::int64_t pixelCount = 0;  // pixels, over all files, that map to this color

    [[nodiscard]] bool InUse() const { return paletteNumber != -1; }
};

// For each palette index of one file, the table slot that stands for it (IndexMap) and the
// number of pixels that use it (IndexCounts). Unused indices hold 0 in both.
using IndexMap = std::array<std::int32_t, kFileIndexCount>;
using IndexCounts = std::array<std::int64_t, kFileIndexCount>;
// File palette index -> output palette index (list position), built before a file is written.
using OutputIndexMap = std::array<std::uint8_t, kFileIndexCount>;

// Receives the changes of the color list that a view has to mirror. Every call is made on
// the thread that changes the table.
class ColorListObserver {
  public:
    virtual ~ColorListObserver() = default;
    virtual void ColorRowInserted(int position) = 0;
    // Before a row or every row goes, while they still exist, so a view can announce it.
    virtual void ColorRowAboutToBeRemoved(int /*position*/) {}
    virtual void ColorRowsAboutToBeCleared() {}
    virtual void ColorRowRemoved(int position) = 0;
    virtual void ColorRowsCleared() = 0;
    // Every 50th color entered by AddColor, so a growing count shows while a job adds colors.
    virtual void ColorCountMilestone() = 0;
    // AddColor found no free slot (message 241).
    virtual void ColorTableFull() = 0;
};

// The table of every color that the input files use (32768 slots), and the list order that
// puts them into rows. A color's row is its index in the common output palette.
//
// A color has three numbers: its slot (where it is stored, fixed while it lives), its list
// position (row and output index; changes with sorts, merges and removals) and its palette
// number (a sequence number that is never reused).
class ColorTable {
  public:
    ColorTable();

    void SetObserver(ColorListObserver* observer) { observer_ = observer; }

    [[nodiscard]] int ColorCount() const { return static_cast<int>(listOrder_.size()); }
    [[nodiscard]] const ColorSlot& Slot(int slot) const { return slots_[slot]; }
    // For changing channels and counts of a slot in use. Free slots only through FreeSlot,
    // RemoveAt or Clear, which keep FindFreeSlot's start point right.
    [[nodiscard]] ColorSlot& Slot(int slot) { return slots_[slot]; }
    // The slot shown in row `position`.
    [[nodiscard]] int ListOrder(int position) const { return listOrder_[position]; }
    [[nodiscard]] std::span<const int> ListOrder() const { return listOrder_; }
    // The slot of the color at `position`.
    [[nodiscard]] const ColorSlot& AtPosition(int position) const {
        return slots_[listOrder_[position]];
    }
    [[nodiscard]] std::int32_t NextPaletteNumber() const { return nextPaletteNumber_; }

    // The lowest free slot, or -1 when every slot is in use.
    [[nodiscard]] int FindFreeSlot() const;

    // Enters a new color at the end of the list, each channel set to the centre of its mask
    // bucket, with `pixels` as its count. Returns its slot; on a full table it tells the
    // observer and returns 0 without entering anything.
    int AddColor(ColorQuad color, std::int64_t pixels, ChannelMask mask);

    // The first slot in list order whose color equals `color` under the masks, or -1.
    [[nodiscard]] int FindMaskedColor(ColorQuad color, ChannelMask mask) const;

    // The slot among 0..ColorCount-1 (slot order) nearest to `color` by squared RGB distance;
    // the lowest slot wins a tie. Requires ColorCount() > 0.
    [[nodiscard]] int FindNearestColor(ColorQuad color) const;

    // Fills an empty table with a fixed palette: slot i = entry i, list position i, count 0,
    // palette numbers from 0.
    void FillFixedPalette(std::span<const Rgb> palette);

    // Frees every slot and empties the list. Channel bytes and the palette number counter
    // are left as they are.
    void Clear();

    // The list position of `slot` (first match), or -1 when it is not listed.
    [[nodiscard]] int PositionOf(int slot) const;

    // Frees the slot at list position `position` and removes its row; rows behind move up.
    void RemoveAt(int position);

    // Frees a slot without touching the list (a merge removes the rows afterwards).
    void FreeSlot(int slot);

    // Replaces the list order (same slots, new order): sorts and merges use it.
    // Precondition: `order` is a permutation of the listed slots or a subset of them, each
    // slot at most once. Slots left out stay in use until freed. The observer is not told;
    // the caller updates its view.
    void SetListOrder(std::vector<int> order);

    // File palette index -> list position of its slot; 0 where the slot is not listed.
    [[nodiscard]] OutputIndexMap BuildOutputIndexMap(const IndexMap& indexMap) const;

    // The colors of the list, in list order: the common palette.
    [[nodiscard]] std::vector<Rgb> Palette() const;

  private:
    std::vector<ColorSlot> slots_;
    std::vector<int> listOrder_;
    std::int32_t nextPaletteNumber_ = 0;
    // Every slot below this one is in use; FindFreeSlot starts here.
    int freeHint_ = 0;
    ColorListObserver* observer_ = nullptr;
};

}  // namespace tintwell
