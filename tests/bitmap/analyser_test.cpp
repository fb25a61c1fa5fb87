#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/bmp_header.h"
#include "bitmap/byte_io.h"
#include "bitmap/writer.h"
#include "palette/fixed_palettes.h"
#include "support/bmp_builder.h"

namespace tintwell {
namespace {

using test::BmpBuilder;

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;

BitmapScan Scan(const std::vector<std::uint8_t>& bytes) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    return ScanBitmap(in);
}

PaletteSettings RgbSettings(ChannelBits bits = {}) {
    PaletteSettings s;
    s.mode = PaletteMode::RgbBits;
    s.bits = bits;
    s.mask = MaskFor(bits);
    return s;
}

// Counts per file index, as a sparse list of (index, count) for readable expectations.
std::vector<std::pair<int, std::int64_t>> UsedCounts(const IndexCounts& counts) {
    std::vector<std::pair<int, std::int64_t>> used;
    for (int k = 0; k < kFileIndexCount; ++k) {
        if (counts[k] != 0) used.emplace_back(k, counts[k]);
    }
    return used;
}

struct CountCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::vector<std::pair<int, std::int64_t>> counts;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const CountCase& c, std::ostream* os) {
    *os << c.name;
}

class PixelCounts : public testing::TestWithParam<CountCase> {};

TEST_P(PixelCounts, MatchTheRows) {
    const BitmapScan scan = Scan(GetParam().bytes);
    ASSERT_EQ(scan.error, Msg::None);
    EXPECT_EQ(UsedCounts(scan.useCounts), GetParam().counts);
}

std::vector<CountCase> CountCases() {
    return {
        {"Paletted8",
         BmpBuilder(3, 2, 8).DistinctPalette(8).Pixels({1, 2, 1, 7, 7, 7}).Bytes(),
         {{1, 2}, {2, 1}, {7, 3}}},
        // Padding bytes of a row are not pixels.
        {"Paletted8PaddingIgnored",
         BmpBuilder(3, 2, 8).DistinctPalette(8).PadByte(5).Pixels({1, 2, 1, 7, 7, 7}).Bytes(),
         {{1, 2}, {2, 1}, {7, 3}}},
        // A 5-pixel 4-bit row: both nibbles of bytes 0 and 1, the high nibble of byte 2.
        {"Paletted4OddWidth",
         BmpBuilder(5, 1, 4).DistinctPalette(16).PadByte(0xEE).Pixels({1, 2, 3, 4, 5}).Bytes(),
         {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}},
        {"Paletted4HighNibbleLeft",
         BmpBuilder(2, 2, 4).DistinctPalette(16).Pixels({0xA, 0x3, 0xA, 0xA}).Bytes(),
         {{3, 1}, {10, 3}}},
        {"Rgb24FirstOccurrence",
         BmpBuilder(4, 2, 24).Pixels({kRed, kGreen, kRed, kBlue, kBlue, kBlue, kRed, 0}).Bytes(),
         {{0, 3}, {1, 1}, {2, 3}, {3, 1}}},
        // Seven pixels a row: one group of four, then three left over, on both rows.
        {"Paletted8WidthNotAMultipleOfFour",
         BmpBuilder(7, 2, 8)
             .DistinctPalette(256)
             .Pixels({255, 255, 255, 255, 0, 0, 255, 3, 3, 3, 3, 3, 255, 0})
             .Bytes(),
         {{0, 3}, {3, 5}, {255, 6}}},
        {"Rgb24RunsEndAtRowEnds",
         BmpBuilder(3, 3, 24)
             .Pixels({kBlue, kBlue, kBlue, kBlue, kRed, kRed, kRed, kRed, kRed})
             .Bytes(),
         {{0, 4}, {1, 5}}},
        // Words of eight equal indices are counted whole; a mixed word and the tail by pixel.
        {"Paletted8WordsOfOneIndex",
         BmpBuilder(19, -2, 8)
             .DistinctPalette(16)
             .Pixels({4, 4, 4, 4, 4, 4, 4, 4, 3, 5, 5, 5, 5, 5, 5, 5, 9, 9, 9,
                      7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 2, 2, 2})
             .Bytes(),
         {{2, 3}, {3, 1}, {4, 8}, {5, 7}, {7, 16}, {9, 3}}},
        {"TopDownRowsAreRead",
         BmpBuilder(2, -3, 8).DistinctPalette(4).Pixels({0, 1, 1, 2, 2, 3}).Bytes(),
         {{0, 1}, {1, 2}, {2, 2}, {3, 1}}},
        {"HeightZero", BmpBuilder(4, 0, 8).DistinctPalette(4).Bytes(), {}},
        {"CoreHeader",
         BmpBuilder(3, 1, 8).InfoSize(12).DistinctPalette(4).Pixels({3, 3, 0}).Bytes(),
         {{0, 1}, {3, 2}}},
        {"V5Header",
         BmpBuilder(3, 1, 4).InfoSize(124).DistinctPalette(4).Pixels({3, 3, 0}).Bytes(),
         {{0, 1}, {3, 2}}},
        {"LongRegion",
         BmpBuilder(2, 1, 8).DistinctPalette(256).Gap(5000).Pixels({9, 200}).Bytes(),
         {{9, 1}, {200, 1}}},
    };
}

INSTANTIATE_TEST_SUITE_P(Cases, PixelCounts, testing::ValuesIn(CountCases()),
                         [](const testing::TestParamInfo<CountCase>& info) {
                             return std::string(info.param.name);
                         });

// Colors are numbered by first occurrence over the rows in stored order, left to right.
TEST(ScanBitmap, Rgb24PaletteIsFirstOccurrenceOrder) {
    const auto scan = Scan(BmpBuilder(4, 1, 24).Pixels({kRed, kGreen, kRed, kBlue}).Bytes());
    ASSERT_EQ(scan.error, Msg::None);
    EXPECT_EQ(UsedCounts(scan.useCounts),
              (std::vector<std::pair<int, std::int64_t>>{{0, 2}, {1, 1}, {2, 1}}));
    EXPECT_EQ(scan.palette[0].red, 255);
    EXPECT_EQ(scan.palette[0].green, 0);
    EXPECT_EQ(scan.palette[1].green, 255);
    EXPECT_EQ(scan.palette[2].blue, 255);
    EXPECT_EQ(scan.palette[2].red, 0);
}

// Top-down files are numbered in stored order too: the first stored row is the top one.
TEST(ScanBitmap, TopDownNumbersInStoredOrder) {
    const auto scan = Scan(BmpBuilder(1, -2, 24).Pixels({kBlue, kRed}).Bytes());
    ASSERT_EQ(scan.error, Msg::None);
    EXPECT_EQ(scan.palette[0].blue, 255);
    EXPECT_EQ(scan.palette[1].red, 255);
}

std::vector<std::uint32_t> DistinctColors(int n) {
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < n; ++i)
        pixels.push_back(static_cast<std::uint32_t>(i * 65537 + 11));
    return pixels;
}

TEST(ScanBitmap, ColorLimitIs256) {
    struct {
        int colors;
        std::int32_t width;
        Msg expected;
    } const cases[] = {{256, 256, Msg::None},
                       {257, 257, Msg::TooManyColors24},
                       {256, 300, Msg::None},
                       {300, 17, Msg::TooManyColors24}};
    for (const auto& c : cases) {
        std::vector<std::uint32_t> pixels = DistinctColors(c.colors);
        const std::int32_t height =
            static_cast<std::int32_t>((pixels.size() + c.width - 1) / c.width);
        pixels.resize(static_cast<std::size_t>(c.width * height), pixels[0]);
        const auto scan = Scan(BmpBuilder(c.width, height, 24).Pixels(pixels).Bytes());
        EXPECT_EQ(scan.error, c.expected) << c.colors << " colors";
    }
}

TEST(AnalyseBitmap, RgbModeEntersColorsInIndexOrder) {
    ColorTable table;
    IndexMap map{};
    IndexCounts counts{};
    const auto bytes = BmpBuilder(4, 1, 24).Pixels({kRed, kGreen, kRed, kBlue}).String();
    std::istringstream in(bytes);
    ASSERT_EQ(AnalyseBitmap(in, RgbSettings(), table, map, counts), Msg::None);
    ASSERT_EQ(table.ColorCount(), 3);
    EXPECT_EQ(table.AtPosition(0).red, 255);
    EXPECT_EQ(table.AtPosition(0).pixelCount, 2);
    EXPECT_EQ(table.AtPosition(1).green, 255);
    EXPECT_EQ(table.AtPosition(2).blue, 255);
    EXPECT_EQ(map[0], table.ListOrder(0));
    EXPECT_EQ(map[1], table.ListOrder(1));
    EXPECT_EQ(map[2], table.ListOrder(2));
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(counts[1], 1);
    EXPECT_EQ(counts[2], 1);
    EXPECT_EQ(counts[3], 0);
}

// Equal colors under the masks share one slot: the first creates it, the second adds.
TEST(AnalyseBitmap, RepeatedAndMaskedColorsShareASlot) {
    struct {
        int bits;
        std::vector<ColorQuad> palette;
        int colors;
        std::uint8_t red0;
    } const cases[] = {
        {8, {{0, 0, 10, 0}, {0, 0, 10, 0}}, 1, 10}, {8, {{0, 0, 10, 0}, {0, 0, 11, 0}}, 2, 10},
        {7, {{0, 0, 10, 0}, {0, 0, 11, 0}}, 1, 11}, {5, {{0, 0, 0, 0}, {0, 0, 7, 0}}, 1, 4},
        {1, {{0, 0, 0, 0}, {0, 0, 127, 0}}, 1, 64},
    };
    for (const auto& c : cases) {
        ColorTable table;
        IndexMap map{};
        IndexCounts counts{};
        std::istringstream in(BmpBuilder(3, 1, 8).Palette(c.palette).Pixels({0, 1, 1}).String());
        ASSERT_EQ(AnalyseBitmap(in, RgbSettings({c.bits, c.bits, c.bits}), table, map, counts),
                  Msg::None);
        ASSERT_EQ(table.ColorCount(), c.colors) << c.bits;
        EXPECT_EQ(table.AtPosition(0).red, c.red0) << c.bits;
        if (c.colors == 1) {
            EXPECT_EQ(map[0], map[1]);
            EXPECT_EQ(table.AtPosition(0).pixelCount, 3);
        }
        EXPECT_EQ(counts[0], 1);
        EXPECT_EQ(counts[1], 2);
    }
}

// In the fixed modes the list keeps its fixed colors; only counts of the nearest grow.
TEST(AnalyseBitmap, FixedModesCountTheNearestColor) {
    const auto bytes = BmpBuilder(3, 1, 24).Pixels({0x000001, 0xFFFFFE, 0x000001}).String();
    for (PaletteMode mode : {PaletteMode::Fixed256, PaletteMode::Fixed16}) {
        ColorTable table;
        if (mode == PaletteMode::Fixed256) {
            table.FillFixedPalette(BuiltInPalette256());
        } else {
            table.FillFixedPalette(BuiltInPalette16());
        }
        const int listed = table.ColorCount();
        PaletteSettings settings;
        settings.mode = mode;
        IndexMap map{};
        IndexCounts counts{};
        std::istringstream in(bytes);
        ASSERT_EQ(AnalyseBitmap(in, settings, table, map, counts), Msg::None);
        EXPECT_EQ(table.ColorCount(), listed);
        EXPECT_EQ(map[0], table.FindNearestColor({1, 0, 0, 0}));
        EXPECT_EQ(map[1], table.FindNearestColor({254, 255, 255, 0}));
        EXPECT_EQ(table.Slot(map[0]).pixelCount, 2);
        EXPECT_EQ(table.Slot(map[1]).pixelCount, 1);
        EXPECT_EQ(counts[0], 2);
    }
}

// A fixed mode with an empty table has no nearest color: no used index may then be left
// mapped to slot -1, which removing the file would subtract its pixels from.
TEST(AnalyseBitmap, EmptyFixedTableLeavesNoIndexMappedToNothing) {
    const auto bytes = BmpBuilder(3, 1, 24).Pixels({0x000001, 0xFFFFFE, 0x000001}).String();
    for (PaletteMode mode : {PaletteMode::Fixed256, PaletteMode::Fixed16}) {
        ColorTable table;
        PaletteSettings settings;
        settings.mode = mode;
        IndexMap map{};
        IndexCounts counts{};
        std::istringstream in(bytes);
        ASSERT_EQ(AnalyseBitmap(in, settings, table, map, counts), Msg::None);
        EXPECT_EQ(table.ColorCount(), 0);
        for (int k = 0; k < kFileIndexCount; ++k) {
            EXPECT_TRUE(counts[k] == 0 || (map[k] >= 0 && table.Slot(map[k]).InUse()))
                << "index " << k << " count " << counts[k] << " slot " << map[k];
        }
    }
}

// Indices whose color-table entry lies past the header region are black; unused ones
// never enter the table.
TEST(AnalyseBitmap, EntriesPastTheRegionAreBlack) {
    ColorTable table;
    IndexMap map{};
    IndexCounts counts{};
    std::istringstream in(
        BmpBuilder(2, 1, 8).Palette({{9, 9, 9, 0}, {1, 2, 3, 0}}).Pixels({200, 1}).String());
    ASSERT_EQ(AnalyseBitmap(in, RgbSettings(), table, map, counts), Msg::None);
    ASSERT_EQ(table.ColorCount(), 2);
    EXPECT_EQ(table.AtPosition(0).red, 3);  // index 1 comes first
    const ColorSlot& black = table.AtPosition(1);
    EXPECT_EQ(black.red + black.green + black.blue, 0);
    EXPECT_EQ(map[200], table.ListOrder(1));
    EXPECT_EQ(map[0], 0);
    EXPECT_EQ(counts[0], 0);
}

// A refused file leaves the table and the index map as they were.
TEST(AnalyseBitmap, FailureLeavesTableUntouched) {
    std::vector<std::uint32_t> pixels = DistinctColors(257);
    const std::vector<std::string> files = {
        BmpBuilder(257, 1, 24).Pixels(pixels).String(),
        [] {
            auto s = BmpBuilder(4, 3, 8).DistinctPalette(4).Pixels({1, 2, 3}).String();
            s.pop_back();
            return s;
        }(),
    };
    const Msg expected[] = {Msg::TooManyColors24, Msg::ReadError};
    for (std::size_t i = 0; i < files.size(); ++i) {
        ColorTable table;
        IndexMap map{};
        IndexCounts counts{};
        std::istringstream first(BmpBuilder(1, 1, 24).Pixels({0x123456}).String());
        ASSERT_EQ(AnalyseBitmap(first, RgbSettings(), table, map, counts), Msg::None);
        const IndexMap mapBefore = map;
        std::istringstream in(files[i]);
        EXPECT_EQ(AnalyseBitmap(in, RgbSettings(), table, map, counts), expected[i]);
        EXPECT_EQ(table.ColorCount(), 1);
        EXPECT_EQ(table.AtPosition(0).pixelCount, 1);
        EXPECT_EQ(map, mapBefore);
    }
}

// Every proper prefix of a good file is refused (but run-length data that ends early),
// never read past its end, and the writer reads it as the analyser does.
TEST(ScanBitmap, TruncationSweep) {
    const std::vector<std::vector<std::uint8_t>> files = {
        BmpBuilder(5, 3, 4).DistinctPalette(16).Pixels({1, 2, 3, 4, 5, 6, 7}).Bytes(),
        BmpBuilder(3, -2, 8).DistinctPalette(5).Pixels({1, 2, 3, 4}).Bytes(),
        BmpBuilder(3, 2, 24).Pixels({kRed, kGreen, kBlue, kRed}).Bytes(),
        BmpBuilder(2, 2, 8).InfoSize(12).DistinctPalette(3).Pixels({1, 2}).Bytes(),
        BmpBuilder(2, 2, 8).InfoSize(124).DistinctPalette(3).Pixels({1, 2}).Bytes(),
        BmpBuilder(9, 2, 1).DistinctPalette(2).Pixels({1, 0, 1, 1, 0, 1}).Bytes(),
        BmpBuilder(3, 2, 16).Compression(3).Masks(0xF800, 0x07E0, 0x001F).Pixels({1, 2}).Bytes(),
        BmpBuilder(2, 2, 32)
            .InfoSize(124)
            .Compression(3)
            .Masks(0xFF0000, 0xFF00, 0xFF, 0xFF000000)
            .Pixels({0xFF000000, 5})
            .Bytes(),
        // Run-length data may end early: its prefixes past the header are taken.
        BmpBuilder(4, 2, 8)
            .Compression(1)
            .DistinctPalette(3)
            .Data({2, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1})
            .Bytes(),
        BmpBuilder(5, 2, 4).Compression(2).DistinctPalette(3).Data({3, 0x12, 0, 1}).Bytes(),
    };
    for (const auto& file : files) {
        ASSERT_EQ(Scan(file).error, Msg::None);
        std::istringstream whole(std::string(file.begin(), file.end()));
        const PixelEncoding encoding = ReadBmpHeader(whole).header.encoding;
        const bool runLength = encoding == PixelEncoding::Rle8 || encoding == PixelEncoding::Rle4;
        for (std::size_t n = 0; n < file.size(); ++n) {
            const std::vector<std::uint8_t> prefix(file.begin(), file.begin() + n);
            const Msg scanned = Scan(prefix).error;
            if (!runLength || n < readU32le(file, 10)) {
                EXPECT_NE(scanned, Msg::None) << "prefix " << n << " of " << file.size();
            }
            std::istringstream in(std::string(prefix.begin(), prefix.end()));
            std::ostringstream out;
            const std::vector<Rgb> colors(16);
            const OutputIndexMap map{};
            EXPECT_EQ(WriteBitmap(in, out, OutputPalette{colors, 16}, map), scanned);
        }
    }
}

}  // namespace
}  // namespace tintwell
