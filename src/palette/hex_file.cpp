#include "palette/hex_file.h"

#include <algorithm>
#include <cstdio>

namespace tintwell {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The six digits of an entry, without the optional '#'; empty when `line` is no entry.
std::string_view Digits(std::string_view line) {
    line = TrimSpace(line);
    if (line.starts_with('#')) line.remove_prefix(1);
    if (line.size() != 6 ||
        !std::all_of(line.begin(), line.end(), [](char c) { return HexDigit(c) >= 0; })) {
        return {};
    }
    return line;
}

std::uint8_t HexByte(std::string_view digits, std::size_t at) {
    return static_cast<std::uint8_t>(HexDigit(digits[at]) * 16 + HexDigit(digits[at + 1]));
}

}  // namespace

bool IsHexEntry(std::string_view line) {
    return !Digits(line).empty();
}

DecodedPalette DecodeHex(std::string_view text) {
    DecodedPalette result;
    TextLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (TrimSpace(line).empty()) continue;
        const std::string_view digits = Digits(line);
        if (digits.empty()) return BadLine(lines.Number());
        if (result.colors.size() == kPaletteEntries) {
            return {PaletteFault::TooManyEntries, lines.Number(), {}};
        }
        result.colors.push_back(Rgb{HexByte(digits, 0), HexByte(digits, 2), HexByte(digits, 4)});
    }
    return result;
}

std::string EncodeHex(std::span<const Rgb> colors) {
    const std::size_t count = std::min(colors.size(), kPaletteEntries);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char line[8];
        std::snprintf(line, sizeof line, "%02x%02x%02x", colors[i].red, colors[i].green,
                      colors[i].blue);
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace tintwell
