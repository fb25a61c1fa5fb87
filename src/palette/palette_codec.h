#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "palette/color.h"

namespace tintwell {

// Every palette file fills the same table of 256 entries that a 768-byte .act holds.
inline constexpr std::size_t kPaletteEntries = 256;

// Why the content of a palette file was refused.
enum class PaletteFault {
    None,
    CannotOpen,      // missing, not a regular file, or unreadable
    TooShort,        // under 768 bytes and no text palette either
    TooLarge,        // larger than any palette file can be
    TooManyEntries,  // more entries than the table holds
    BadEntry,        // a line of a text palette that is not what its format allows there
    RiffPalette,     // a Microsoft RIFF palette, which is not read
    NoColors,        // a palette of no entries: every pixel would become black
};

// What one format's decoder found: the entries in file order, or the fault and, for
// BadEntry, the line (counted from 1) that caused it.
struct DecodedPalette {
    PaletteFault fault = PaletteFault::None;
    std::size_t line = 0;
    std::vector<Rgb> colors;
};

[[nodiscard]] inline DecodedPalette BadLine(std::size_t line) {
    return {PaletteFault::BadEntry, line, {}};
}

// The lines of a text palette, LF or CR LF separated, numbered from 1. A UTF-8 byte-order
// mark before the first line is skipped (Windows editors write one).
class TextLines {
  public:
    explicit TextLines(std::string_view text);

    // The next line without its line break; false at the end of the text.
    [[nodiscard]] bool Next(std::string_view& line);
    [[nodiscard]] std::size_t Number() const { return number_; }

  private:
    std::string_view rest_;
    std::size_t number_ = 0;
};

[[nodiscard]] std::string_view TrimSpace(std::string_view text);

// Reads "red green blue" at the start of `line` (leading blanks allowed): three decimal
// numbers 0..255 separated by blanks. `rest` is what follows the third number; it is
// empty or starts with a blank.
[[nodiscard]] bool ParseDecimalTriple(std::string_view line, Rgb& color, std::string_view& rest);

}  // namespace tintwell
