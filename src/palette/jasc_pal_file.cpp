#include "palette/jasc_pal_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace tintwell {

DecodedPalette DecodeJascPal(std::string_view text) {
    TextLines lines(text);
    std::string_view line;
    if (!lines.Next(line) || TrimSpace(line) != kJascSignature) return BadLine(1);
    if (!lines.Next(line) || TrimSpace(line) != "0100") return BadLine(2);

    std::size_t count = 0;
    if (!lines.Next(line)) return BadLine(3);
    const std::string_view countText = TrimSpace(line);
    const char* last = countText.data() + countText.size();
    const auto [end, ec] = std::from_chars(countText.data(), last, count);
    if (ec == std::errc::result_out_of_range) return {PaletteFault::TooManyEntries, 3, {}};
    if (ec != std::errc{} || end != last) return BadLine(3);
    if (count > kPaletteEntries) return {PaletteFault::TooManyEntries, 3, {}};

    DecodedPalette result;
    while (result.colors.size() < count) {
        // A file that ends early names the line where the missing entry should be.
        if (!lines.Next(line)) return BadLine(lines.Number() + 1);
        Rgb color;
        std::string_view rest;
        if (!ParseDecimalTriple(line, color, rest)) return BadLine(lines.Number());
        // An optional fourth number (alpha); nothing else may follow.
        const std::string_view alpha = TrimSpace(rest);
        if (!alpha.empty()) {
            unsigned value = 0;
            const char* alphaEnd = alpha.data() + alpha.size();
            const auto [p, e] = std::from_chars(alpha.data(), alphaEnd, value);
            if (e != std::errc{} || p != alphaEnd || value > 255) return BadLine(lines.Number());
        }
        result.colors.push_back(color);
    }
    return result;
}

std::string EncodeJascPal(std::span<const Rgb> colors) {
    const std::size_t count = std::min(colors.size(), kPaletteEntries);
    std::string text =
        std::string(kJascSignature) + "\r\n0100\r\n" + std::to_string(count) + "\r\n";
    for (std::size_t i = 0; i < count; ++i) {
        char line[24];
        std::snprintf(line, sizeof line, "%d %d %d\r\n", colors[i].red, colors[i].green,
                      colors[i].blue);
        text += line;
    }
    return text;
}

}  // namespace tintwell
