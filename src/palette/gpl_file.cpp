#include "palette/gpl_file.h"

#include <algorithm>
#include <cstdio>

namespace tintwell {

DecodedPalette DecodeGpl(std::string_view text) {
    TextLines lines(text);
    std::string_view line;
    if (!lines.Next(line) || TrimSpace(line) != kGplSignature) return BadLine(1);

    DecodedPalette result;
    bool inHeader = true;
    while (lines.Next(line)) {
        if (TrimSpace(line).empty() || line.starts_with('#')) continue;
        // "Name:" and "Columns:" belong to the header, before the first color.
        if (inHeader && (line.starts_with("Name:") || line.starts_with("Columns:"))) continue;
        inHeader = false;
        Rgb color;
        std::string_view name;
        if (!ParseDecimalTriple(line, color, name)) return BadLine(lines.Number());
        if (result.colors.size() == kPaletteEntries) {
            return {PaletteFault::TooManyEntries, lines.Number(), {}};
        }
        result.colors.push_back(color);
    }
    return result;
}

std::string EncodeGpl(std::span<const Rgb> colors, std::string_view name) {
    std::string text = std::string(kGplSignature) + "\nName: ";
    // The name is one line of the header: a line break in it would end the header early.
    for (const char c : name)
        text += (c == '\n' || c == '\r') ? ' ' : c;
    text += "\nColumns: 16\n#\n";
    const std::size_t count = std::min(colors.size(), kPaletteEntries);
    for (std::size_t i = 0; i < count; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "%3d %3d %3d\t", colors[i].red, colors[i].green,
                      colors[i].blue);
        text += line;
        text += "Index " + std::to_string(i) + "\n";
    }
    return text;
}

}  // namespace tintwell
