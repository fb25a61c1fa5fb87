#include "bitmap/remapped_rows.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "bitmap/byte_io.h"

namespace tintwell {
namespace {

// Output indices of one row of file indices, one a byte; eight equal ones in one step.
void TranslateIndices(const std::uint8_t* row, std::size_t width, const OutputIndexMap& map,
                      std::uint8_t* indices) {
    std::size_t x = 0;
    for (; x + 8 <= width; x += 8) {
        if (EightEqual(row + x)) {
            std::memset(indices + x, map[row[x]], 8);
            continue;
        }
        for (std::size_t k = 0; k < 8; ++k)
            indices[x + k] = map[row[x + k]];
    }
    for (; x < width; ++x)
        indices[x] = map[row[x]];
}

// Output indices of one row of colors (blue, green, red), numbering colors exactly as the
// analyser did, one lookup per run of equal pixels. False at the first pixel that `colors`
// has no index for.
template <class Index>
bool TranslateColors(const std::uint8_t* row, std::size_t width, const OutputIndexMap& map,
                     Index& colors, std::uint8_t* indices) {
    return ForEachColorRun(row, width, colors, [&](std::size_t x, std::size_t length, int index) {
        std::fill_n(indices + x, length, map[index]);
    });
}

}  // namespace

RemappedRows::RemappedRows(std::istream& in, const OutputIndexMap& map, const TrueColorRule& rule)
    : rows_(in, rule.keyColor, PngChecksums::Skip), map_(map), rule_(rule) {}

Msg RemappedRows::Open() {
    if (rows_.Open() != Msg::None) return rows_.Error();
    if (!Info().trueColor) return Msg::None;
    if (rule_.numbering == TrueColorNumbering::Reduced) {
        reducedColors_.emplace(rule_.mask);
    } else if (rule_.numbering == TrueColorNumbering::Nearest && rule_.candidates) {
        nearestColors_.emplace(rule_.candidates);
    }
    return Msg::None;
}

Msg RemappedRows::Start() {
    return rows_.Start();
}

Msg RemappedRows::Next(std::uint8_t* indices) {
    const std::uint8_t* row = rows_.Next();
    if (row == nullptr) return rows_.Error();
    const std::size_t width = Info().width;
    bool known = true;
    if (!Info().trueColor) {
        TranslateIndices(row, width, map_, indices);
    } else if (reducedColors_) {
        known = TranslateColors(row, width, map_, *reducedColors_, indices);
    } else if (nearestColors_) {
        known = TranslateColors(row, width, map_, *nearestColors_, indices);
    } else {
        known = TranslateColors(row, width, map_, firstColors_, indices);
    }
    return known ? Msg::None : Msg::FullColorOverflow;
}

ColorQuad RemappedRows::FileColor(int index) const {
    const auto known = [index](const auto& colors) {
        return index < colors.Size() ? colors.ColorAt(index) : ColorQuad{};
    };
    if (!Info().trueColor) return Info().palette[index];
    if (reducedColors_) return known(*reducedColors_);
    if (nearestColors_) return known(*nearestColors_);
    return known(firstColors_);
}

}  // namespace tintwell
