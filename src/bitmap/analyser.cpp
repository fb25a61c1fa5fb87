#include "bitmap/analyser.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "bitmap/byte_io.h"
#include "bitmap/color_index.h"
#include "bitmap/image_rows.h"

namespace tintwell {
namespace {

// Pixel counts per palette index kept in four histograms, pixel x going to histogram x % 4:
// runs of equal indices then increment four different counters in turn instead of waiting
// on the previous increment of the same one. Eight equal indices count as one step, their
// words spread over the histograms in turn for the same reason.
class IndexHistogram {
  public:
    void Count(const std::uint8_t* row, std::size_t width) {
        std::size_t x = 0;
        for (; x + 8 <= width; x += 8) {
            if (EightEqual(row + x)) {
                lanes_[(x / 8) % 4][row[x]] += 8;
                continue;
            }
            for (std::size_t k = 0; k < 8; ++k)
                ++lanes_[k % 4][row[x + k]];
        }
        for (; x < width; ++x)
            ++lanes_[0][row[x]];
    }

    // The four histograms folded into `counts`.
    void AddTo(IndexCounts& counts) const {
        for (std::size_t k = 0; k < counts.size(); ++k)
            counts[k] += lanes_[0][k] + lanes_[1][k] + lanes_[2][k] + lanes_[3][k];
    }

  private:
    std::array<std::array<std::int64_t, kFileIndexCount>, 4> lanes_{};
};

// Counts the pixels of one row of colors (blue, green, red) under the index `colors` gives
// them, one lookup per run of equal pixels. False at the first pixel that `colors` has no
// index for.
template <class Index>
bool CountColors(const std::uint8_t* row, std::size_t width, Index& colors, IndexCounts& counts) {
    return ForEachColorRun(row, width, colors, [&](std::size_t, std::size_t length, int index) {
        counts[index] += static_cast<std::int64_t>(length);
    });
}

// Reads every row of the image from its first, counting pixels per file index.
// `count(row)` is false when a row holds one color too many.
template <class CountRow>
void ScanRows(ImageRows& rows, BitmapScan& scan, CountRow count) {
    if (rows.Start() != Msg::None) {
        scan.error = rows.Error();
        scan.detail = rows.Detail();
        return;
    }
    for (std::uint64_t r = 0; r < rows.Info().rows; ++r) {
        const std::uint8_t* row = rows.Next();
        if (row == nullptr) {
            scan.error = rows.Error();
            scan.detail = rows.Detail();
            return;
        }
        if (!count(row)) {
            scan.error = Msg::TooManyColors24;
            scan.detail = "more than 256 colors";
            return;
        }
    }
}

// Scans a true-color image with one numbering of its colors, then takes the colors of its
// file indices from it.
template <class Index>
void ScanTrueColor(ImageRows& rows, Index& colors, BitmapScan& scan) {
    const std::size_t width = rows.Info().width;
    ScanRows(rows, scan, [&](const std::uint8_t* row) {
        return CountColors(row, width, colors, scan.useCounts);
    });
    for (int i = 0; i < colors.Size(); ++i)
        scan.palette[i] = colors.ColorAt(i);
}

}  // namespace

// Reads the headers, then every row in stored order, counting pixels per file index.
BitmapScan ScanBitmap(std::istream& in, const TrueColorRule& rule, PngChecksums checksums) {
    BitmapScan scan;
    ImageRows rows(in, rule.keyColor, checksums);
    const Msg opened = rows.Open();
    const ImageInfo& info = rows.Info();
    scan.fileFormat = info.format;
    if (opened != Msg::None) {
        scan.error = rows.Error();
        scan.detail = rows.Detail();
        return scan;
    }
    scan.format = info.formatName;
    scan.rule.keyColor = rule.keyColor;

    if (!info.trueColor) {
        IndexHistogram histogram;
        ScanRows(rows, scan, [&](const std::uint8_t* row) {
            histogram.Count(row, info.width);
            return true;
        });
        histogram.AddTo(scan.useCounts);
        scan.palette = info.palette;
        return scan;
    }

    FirstOccurrenceIndex colors;
    ScanTrueColor(rows, colors, scan);
    const bool fallback = rule.numbering == TrueColorNumbering::Reduced ||
                          (rule.numbering == TrueColorNumbering::Nearest && rule.candidates);
    if (scan.error != Msg::TooManyColors24 || !fallback) return scan;

    // More than 256 colors: the whole image again, numbered by the mode's rule.
    scan.error = Msg::None;
    scan.detail = {};
    scan.useCounts = {};
    scan.rule = rule;
    if (rule.numbering == TrueColorNumbering::Reduced) {
        ReducedColorIndex reduced(rule.mask);
        ScanTrueColor(rows, reduced, scan);
        if (scan.error == Msg::TooManyColors24) {
            scan.detail = "more than 256 colors after the reduction to the channel bits";
        }
    } else {
        NearestColorIndex nearest(rule.candidates);
        ScanTrueColor(rows, nearest, scan);
    }
    return scan;
}

TrueColorRule TrueColorRuleFor(const PaletteSettings& settings, const ColorTable& table) {
    TrueColorRule rule;
    rule.keyColor = settings.keyColor;
    if (settings.mode == PaletteMode::RgbBits) {
        const ChannelMask& m = settings.mask;
        if (m.red != 0xFF || m.green != 0xFF || m.blue != 0xFF) {
            rule.numbering = TrueColorNumbering::Reduced;
            rule.mask = m;
        }
        return rule;
    }
    // The slots that FindNearestColor searches, in its order; a fixed table has at most 256.
    auto candidates = std::make_shared<std::vector<ColorQuad>>();
    const int count = std::min({table.ColorCount(), kSlotCount, kFileIndexCount});
    for (int slot = 0; slot < count; ++slot) {
        const ColorSlot& entry = table.Slot(slot);
        candidates->push_back(ColorQuad{entry.blue, entry.green, entry.red, 0});
    }
    rule.numbering = TrueColorNumbering::Nearest;
    rule.candidates = std::move(candidates);
    return rule;
}

// Enters each used color in ascending file index order, so a file's new colors join the
// list in that order (for 24-bit files: in order of first occurrence).
void MapScan(const BitmapScan& scan, const PaletteSettings& settings, ColorTable& table,
             IndexMap& indexMap, IndexCounts& indexCounts) {
    if (scan.error != Msg::None) return;
    for (int k = 0; k < kFileIndexCount; ++k) {
        const std::int64_t n = scan.useCounts[k];
        if (n == 0) continue;
        const ColorQuad color = scan.palette[k];
        int slot = 0;
        if (settings.mode == PaletteMode::RgbBits) {
            slot = table.FindMaskedColor(color, settings.mask);
            if (slot == -1) {
                slot = table.AddColor(color, n, settings.mask);
            } else {
                table.Slot(slot).pixelCount += n;
            }
        } else {
            slot = table.FindNearestColor(color);
            // An empty fixed table breaks the caller's promise: the index then maps to no
            // color and stays unused (map 0, count 0), so nothing that walks the used
            // indices (removing the file, a merge, the output map) ever meets slot -1.
            if (slot < 0) continue;
            table.Slot(slot).pixelCount += n;
        }
        indexMap[k] = slot;
        indexCounts[k] = n;
    }
}

// Scans the whole file first, so a refused file leaves the table as it was.
Msg AnalyseBitmap(std::istream& in, const PaletteSettings& settings, ColorTable& table,
                  IndexMap& indexMap, IndexCounts& indexCounts) {
    const BitmapScan scan = ScanBitmap(in);
    if (scan.error != Msg::None) return scan.error;
    MapScan(scan, settings, table, indexMap, indexCounts);
    return Msg::None;
}

}  // namespace tintwell
