#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "bitmap/color_index.h"

namespace tintwell {
namespace {

// The numbering the index must reproduce: a linear scan from the first entry.
class LinearIndex {
  public:
    int IndexOf(std::uint32_t color) {
        for (std::size_t i = 0; i < colors_.size(); ++i) {
            if (colors_[i] == color) return static_cast<int>(i);
        }
        if (colors_.size() == 256) return FirstOccurrenceIndex::kFull;
        colors_.push_back(color);
        return static_cast<int>(colors_.size() - 1);
    }

  private:
    std::vector<std::uint32_t> colors_;
};

int IndexOf(FirstOccurrenceIndex& index, std::uint32_t rgb) {
    return index.IndexOf(static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
                         static_cast<std::uint8_t>(rgb >> 16));
}

TEST(FirstOccurrenceIndex, RedGreenRedBlue) {
    FirstOccurrenceIndex index;
    EXPECT_EQ(IndexOf(index, 0xFF0000), 0);
    EXPECT_EQ(IndexOf(index, 0x00FF00), 1);
    EXPECT_EQ(IndexOf(index, 0xFF0000), 0);
    EXPECT_EQ(IndexOf(index, 0x0000FF), 2);
    ASSERT_EQ(index.Size(), 3);
    const ColorQuad green = index.ColorAt(1);
    EXPECT_EQ(green.blue, 0);
    EXPECT_EQ(green.green, 255);
    EXPECT_EQ(green.red, 0);
    EXPECT_EQ(green.reserved, 0);
}

// Pseudo-random streams over palettes of various sizes, including colors that share hash
// buckets, black and white: every answer equals the linear scan's, kFull included.
TEST(FirstOccurrenceIndex, AgreesWithLinearScan) {
    const std::uint32_t multipliers[] = {1, 4096, 0x010101, 1u << 22, 2654435761u};
    for (std::uint32_t distinct : {1u, 2u, 255u, 256u, 257u, 600u}) {
        for (std::uint32_t mul : multipliers) {
            FirstOccurrenceIndex index;
            LinearIndex reference;
            std::uint32_t state = distinct * 7919 + mul;
            for (int n = 0; n < 20000; ++n) {
                state = state * 1103515245u + 12345u;
                const std::uint32_t pick = (state >> 8) % distinct;
                const std::uint32_t color = (pick * mul) & 0xFFFFFF;
                ASSERT_EQ(IndexOf(index, color), reference.IndexOf(color))
                    << "distinct " << distinct << " mul " << mul << " step " << n;
            }
        }
    }
}

TEST(FirstOccurrenceIndex, FullAtThe257thColorAndClearForgets) {
    FirstOccurrenceIndex index;
    for (std::uint32_t c = 0; c < 256; ++c)
        ASSERT_EQ(IndexOf(index, c << 12), static_cast<int>(c));
    EXPECT_EQ(IndexOf(index, 0xFFFFFF), FirstOccurrenceIndex::kFull);
    EXPECT_EQ(index.Size(), 256);
    // Known colors are still found once full, the cached one and others.
    EXPECT_EQ(IndexOf(index, 255u << 12), 255);
    EXPECT_EQ(IndexOf(index, 0), 0);
    index.Clear();
    EXPECT_EQ(index.Size(), 0);
    EXPECT_EQ(IndexOf(index, 0xFFFFFF), 0);
    EXPECT_EQ(IndexOf(index, 0), 1);
}

// Runs of equal pixels, each with its color's index; a color met again after another keeps
// its first index, and a row of one pixel is one run.
TEST(ForEachColorRun, RunsAndTheirIndices) {
    struct Case {
        std::vector<std::uint32_t> pixels;
        std::vector<std::array<int, 3>> runs;  // start, length, index
    };
    const std::vector<Case> cases = {
        {{0x112233}, {{0, 1, 0}}},
        {{5, 5, 5, 7, 5, 5}, {{0, 3, 0}, {3, 1, 1}, {4, 2, 0}}},
        {{1, 2, 3, 3}, {{0, 1, 0}, {1, 1, 1}, {2, 2, 2}}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> row;
        for (const std::uint32_t rgb : c.pixels) {
            row.insert(row.end(),
                       {static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
                        static_cast<std::uint8_t>(rgb >> 16)});
        }
        FirstOccurrenceIndex index;
        std::vector<std::array<int, 3>> runs;
        ASSERT_TRUE(ForEachColorRun(
            row.data(), c.pixels.size(), index, [&](std::size_t x, std::size_t n, int i) {
                runs.push_back({static_cast<int>(x), static_cast<int>(n), i});
            }));
        EXPECT_EQ(runs, c.runs);
    }
}

}  // namespace
}  // namespace tintwell
