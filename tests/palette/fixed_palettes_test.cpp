#include "palette/fixed_palettes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

namespace tintwell {
namespace {

std::tuple<int, int, int> Key(const Rgb& c) {
    return {c.red, c.green, c.blue};
}

struct Entry {
    int index;
    Rgb color;
};

// The first and last entries of every range, and the first entries after skipped corners.
constexpr Entry kBoundaries256[] = {
    {0, {0, 0, 0}},         {7, {192, 192, 192}},   {8, {192, 220, 192}},   {9, {166, 202, 240}},
    {10, {0, 0, 51}},       {13, {0, 0, 204}},      {14, {0, 51, 0}},       {41, {0, 255, 204}},
    {42, {51, 0, 0}},       {186, {255, 0, 51}},    {216, {255, 255, 153}}, {217, {255, 255, 204}},
    {218, {77, 0, 0}},      {220, {230, 0, 0}},     {221, {0, 77, 0}},      {224, {0, 0, 77}},
    {227, {77, 77, 0}},     {230, {77, 0, 77}},     {233, {0, 77, 77}},     {235, {0, 230, 230}},
    {236, {17, 17, 17}},    {245, {238, 238, 238}}, {246, {255, 251, 240}}, {247, {160, 160, 164}},
    {248, {128, 128, 128}}, {249, {255, 0, 0}},     {252, {0, 0, 255}},     {255, {255, 255, 255}},
};

TEST(BuiltInPalette256, RangeBoundaries) {
    const FixedPalette256& palette = BuiltInPalette256();
    for (const Entry& e : kBoundaries256) {
        EXPECT_EQ(palette[e.index], e.color) << "index " << e.index;
    }
}

TEST(BuiltInPalette256, CubeRangeIsOrderedCubeWithoutCorners) {
    const FixedPalette256& palette = BuiltInPalette256();
    const auto isLevel = [](int v) { return v % 51 == 0; };
    const auto isCorner = [](int v) { return v == 0 || v == 255; };
    for (int i = 10; i <= 217; ++i) {
        const Rgb& c = palette[i];
        EXPECT_TRUE(isLevel(c.red) && isLevel(c.green) && isLevel(c.blue)) << "index " << i;
        EXPECT_FALSE(isCorner(c.red) && isCorner(c.green) && isCorner(c.blue)) << "index " << i;
        // Red slowest, blue fastest: strictly increasing as (red, green, blue).
        if (i > 10) {
            EXPECT_LT(Key(palette[i - 1]), Key(c)) << "index " << i;
        }
    }
}

TEST(BuiltInPalette256, GraysAndHueGroups) {
    const FixedPalette256& palette = BuiltInPalette256();
    constexpr int kGrays[] = {17, 34, 68, 85, 119, 136, 170, 187, 221, 238};
    for (int i = 0; i < 10; ++i) {
        const std::uint8_t v = static_cast<std::uint8_t>(kGrays[i]);
        EXPECT_EQ(palette[236 + i], (Rgb{v, v, v})) << "index " << 236 + i;
    }
    constexpr int kLevels[] = {77, 179, 230};
    for (int group = 0; group < 6; ++group) {
        for (int k = 0; k < 3; ++k) {
            const Rgb& c = palette[218 + group * 3 + k];
            const int nonZero = std::max({c.red, c.green, c.blue});
            EXPECT_EQ(nonZero, kLevels[k]) << "index " << 218 + group * 3 + k;
        }
    }
}

TEST(BuiltInPalettes, HaveNoDuplicates) {
    const FixedPalette256& p256 = BuiltInPalette256();
    std::set<std::tuple<int, int, int>> seen256;
    for (const Rgb& c : p256)
        seen256.insert(Key(c));
    EXPECT_EQ(seen256.size(), 256u);

    const FixedPalette16& p16 = BuiltInPalette16();
    std::set<std::tuple<int, int, int>> seen16;
    for (const Rgb& c : p16)
        seen16.insert(Key(c));
    EXPECT_EQ(seen16.size(), 16u);
}

TEST(BuiltInPalette16, EveryEntry) {
    constexpr Rgb kExpected[16] = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
        {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
        {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    const FixedPalette16& palette = BuiltInPalette16();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(palette[i], kExpected[i]) << "index " << i;
}

}  // namespace
}  // namespace tintwell
