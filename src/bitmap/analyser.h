#pragma once

#include <array>
#include <cstdint>
#include <istream>

#include "palette/color.h"
#include "palette/color_table.h"
#include "palette/palette_settings.h"
#include "resources/string_table.h"

namespace tintwell {

// The pure half of the analysis: what one file holds, read without touching the table.
// Several files can be scanned at once; their results then enter the table in list order.
struct BitmapScan {
    Msg error = Msg::None;
    IndexCounts useCounts{};                           // pixels per file palette index
    std::array<ColorQuad, kFileIndexCount> palette{};  // color of each file palette index
};

// Reads a bitmap from the start of `in`, checks it and counts the pixels of each of its
// palette indices (for 24-bit files: of each color, numbered by first occurrence).
[[nodiscard]] BitmapScan ScanBitmap(std::istream& in);

// The map half: enters the used colors of a successful scan into the table, in ascending
// file index order, and fills the file's IndexMap and IndexCounts (which the caller has
// zeroed). RgbBits mode: masked search, else AddColor. Fixed modes: nearest color; with
// an empty table (which the fixed modes never have) the indices are left unused.
// Every used index (count != 0) maps to a slot in use.
void MapScan(const BitmapScan& scan, const PaletteSettings& settings, ColorTable& table,
             IndexMap& indexMap, IndexCounts& indexCounts);

// Scan and map in one: Msg::None, or the message that refuses the file; on failure the
// table is unchanged.
[[nodiscard]] Msg AnalyseBitmap(std::istream& in, const PaletteSettings& settings,
                                ColorTable& table, IndexMap& indexMap, IndexCounts& indexCounts);

}  // namespace tintwell
