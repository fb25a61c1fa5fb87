#pragma once

// Every pixel of an accepted input with the file index the analyser gives it, for checking
// each output pixel against the slot its index maps to, whatever the input's encoding.
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bitmap/bmp_header.h"
#include "bitmap/pixel_rows.h"
#include "bitmap/true_color.h"
#include "palette/color.h"

namespace tintwell::fuzz {

struct IndexedPixels {
    bool ok = false;
    std::int64_t width = 0;
    std::int64_t height = 0;   // as stored
    std::vector<Rgb> colors;   // each pixel's decoded color, rows in stored order
    std::vector<int> indices;  // and its file index
};

// Decodes `input` row by row and numbers its pixels by `rule`, as the scan that reported
// `rule` did; ok is false when the input does not decode or a pixel has no index.
[[nodiscard]] inline IndexedPixels IndexPixels(const std::string& input,
                                               const TrueColorRule& rule) {
    IndexedPixels p;
    std::istringstream in(input);
    const HeaderResult read = ReadBmpHeader(in);
    if (read.error != Msg::None) return p;
    const BmpHeader& h = read.header;
    PixelRows rows(h, in, rule.keyColor);
    if (rows.Start() != Msg::None) return p;
    FirstOccurrenceIndex first;
    std::optional<ReducedColorIndex> reduced;
    std::optional<NearestColorIndex> nearest;
    if (rule.numbering == TrueColorNumbering::Reduced) reduced.emplace(rule.mask);
    if (rule.numbering == TrueColorNumbering::Nearest) nearest.emplace(rule.candidates);
    for (std::uint64_t r = 0; r < h.rows; ++r) {
        const std::uint8_t* row = rows.Next();
        if (row == nullptr) return p;
        for (std::size_t x = 0; x < static_cast<std::size_t>(h.width); ++x) {
            if (!h.TrueColor()) {
                const ColorQuad c = h.palette[row[x]];
                p.colors.push_back(Rgb{c.red, c.green, c.blue});
                p.indices.push_back(row[x]);
                continue;
            }
            const std::uint8_t* q = row + 3 * x;
            const int index = reduced   ? reduced->IndexOf(q[0], q[1], q[2])
                              : nearest ? nearest->IndexOf(q[0], q[1], q[2])
                                        : first.IndexOf(q[0], q[1], q[2]);
            if (index < 0) return p;
            p.colors.push_back(Rgb{q[2], q[1], q[0]});
            p.indices.push_back(index);
        }
    }
    p.width = h.width;
    p.height = h.height;
    p.ok = true;
    return p;
}

}  // namespace tintwell::fuzz
