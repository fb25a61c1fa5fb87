#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "palette/color.h"
#include "palette/fixed_palettes.h"
#include "palette/palette_codec.h"
#include "resources/string_table.h"

namespace tintwell {

// The palette file formats read and written: .act (768 bytes, or 772 with a count),
// GIMP's .gpl, the JASC-PAL text .pal and .hex (one rrggbb a line).
enum class PaletteFormat { Act, Gpl, JascPal, Hex };

// A palette file as the table sees it: 256 entries, those the file does not hold black,
// as in a 768-byte .act whose remaining bytes are zero.
struct PaletteReadResult {
    PaletteFault fault = PaletteFault::CannotOpen;
    PaletteFormat format = PaletteFormat::Act;
    std::size_t count = 0;  // entries the file holds
    std::size_t line = 0;   // the line a BadEntry or TooManyEntries fault names
    std::array<Rgb, kPaletteEntries> entries{};
};

// No palette file is larger: 256 GIMP lines with long names and comments fit many times.
inline constexpr std::size_t kMaxPaletteFileSize = 1 << 20;

// Decodes a palette file by its content: a RIFF palette is refused, the signatures
// "GIMP Palette" and "JASC-PAL" choose those formats, text made only of rrggbb lines is a
// hex palette, and 768 bytes or more are an .act. A shorter file whose first line is an
// rrggbb entry, and any text named .hex, is read as hex, so its bad line is named; any other
// is TooShort. `named` is the format the file's name gives: 768 bytes or more named .act are
// an .act even when they happen to spell rrggbb lines, so every .act written reads back as
// one. A file of no entries (empty, blank, a header alone, a count of 0) is NoColors.
[[nodiscard]] PaletteReadResult DecodePaletteFile(
    std::span<const std::uint8_t> bytes, std::optional<PaletteFormat> named = std::nullopt);

// Reads and decodes a palette file. Only a regular file is opened: a folder, a named pipe or
// a device is CannotOpen, as a missing file is.
[[nodiscard]] PaletteReadResult ReadPaletteFile(const std::filesystem::path& path);

// Why a palette file was refused, in words for the command line's detail line.
[[nodiscard]] std::string PaletteFaultText(const PaletteReadResult& result);

// The format a file name asks for by its extension, in any letter case.
[[nodiscard]] std::optional<PaletteFormat> PaletteFormatOfExtension(std::string_view fileName);

// ".act", ".gpl", ".pal", ".hex".
[[nodiscard]] std::string_view PaletteExtension(PaletteFormat format);

// A palette file's bytes for the list colors, at most 256 of them. `name` is the palette's
// name where the format stores one (GIMP's "Name:").
[[nodiscard]] std::string EncodePaletteFile(PaletteFormat format, std::span<const Rgb> colors,
                                            std::string_view name);

// Loads a fixed palette: the built-in table, replaced by the palette file named `name` in
// `dir` when `name` is not empty. A missing file, and a name IsPaletteName refuses (it would
// be read from outside the folder), clear `name` silently; a file whose content is refused
// clears it and returns BadPalette256 / BadPalette16 for the caller to show. The 16-color
// palette takes the first 16 of the file's 256 entries. Msg::None otherwise.
[[nodiscard]] Msg LoadFixedPalette256(const std::filesystem::path& dir, std::string& name,
                                      FixedPalette256& palette);
[[nodiscard]] Msg LoadFixedPalette16(const std::filesystem::path& dir, std::string& name,
                                     FixedPalette16& palette);

// The path of the palette file for a name. A name ending in .gpl, .pal or .hex (any letter
// case) is the file's whole name; any other name is an .act file's title and gets ".act"
// appended, so "x.act" gives "x.act.act". Where no such file exists but one whose ".act"
// is in other letters does ("x.ACT"), that one is the title's file, as on a file system
// that ignores case. Only a name IsPaletteName accepts is looked up in `dir`: callers that
// form a path to open or create take only such names.
[[nodiscard]] std::filesystem::path PaletteFilePath(const std::filesystem::path& dir,
                                                    const std::string& name);

// The palette name that finds the file named `fileName` (no folder) through
// PaletteFilePath: an .act file's title (".act" in any letter case), the whole name of a
// .gpl, .pal or .hex file. Empty for any other file, and for an .act file whose title
// itself ends in .gpl, .pal or .hex: that name would stand for the other file.
[[nodiscard]] std::optional<std::string> PaletteNameOfFile(std::string_view fileName);

// Whether `name` is a palette name: a file name without extension that stays inside the
// palette folder. Refused: the empty name, one holding a separator ('/'; on Windows also
// '\\' and the drive colon), so every absolute or relative path, a NUL, and "." or "..".
// A name such as "a..b" is a plain file name and accepted.
[[nodiscard]] bool IsPaletteName(std::string_view name);

// The names of the palette files in `dir` (UTF-8), in no particular order: the title of
// every .act file and the whole name of every .gpl, .pal and .hex file, so each names its
// file through PaletteFilePath. An .act file whose title itself ends in .gpl, .pal or .hex
// is left out: its name would stand for the other file.
[[nodiscard]] std::vector<std::string> PaletteNamesInFolder(const std::filesystem::path& dir);

}  // namespace tintwell
