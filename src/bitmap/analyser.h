#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string_view>

#include "bitmap/image_format.h"
#include "bitmap/png_rows.h"
#include "bitmap/true_color.h"
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
    TrueColorRule rule;       // how a true-color file's pixels were numbered
    std::string_view format;  // the input format's short name: "bmp-8", "png-rgba8" ...
    ImageFormat fileFormat = ImageFormat::Bmp;  // the file's format, told by its first bytes
    std::string_view detail;                    // why the file was refused, in a user's words
};

// Reads a bitmap or PNG image (told by its first bytes) from the start of `in`, checks it and
// counts the pixels of each of its palette indices. The pixels of a true-color file are numbered by
// first occurrence; when it has more than 256 colors, by `rule`'s numbering instead (refused when
// that is FirstOccurrence too, or when over 256 colors remain after the reduction).
// `checksums`: whether a PNG image's CRCs and Adler-32 sum are checked (they always are when
// a file is taken; a scan without them refuses exactly what WriteBitmap refuses).
[[nodiscard]] BitmapScan ScanBitmap(std::istream& in, const TrueColorRule& rule = {},
                                    PngChecksums checksums = PngChecksums::Check);

// The rule for true-color files with more than 256 colors under `settings`: the nearest
// color of the table in the fixed modes, the colors cut to the channel bits in RgbBits
// mode (none at 8 bits a channel, where nothing is cut). Carries the key color.
[[nodiscard]] TrueColorRule TrueColorRuleFor(const PaletteSettings& settings,
                                             const ColorTable& table);

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
