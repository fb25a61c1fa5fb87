#include "jobs/preview_job.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "jobs/scan_file.h"
#include "support/bmp_builder.h"
#include "support/counted_png.h"
#include "support/temp_dir.h"

namespace tintwell::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Packed(Rgb c) {
    return static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 |
           c.blue;
}

// A file, how its analysis numbers true-color pixels, and what its preview must hold: the
// indices top row first (empty: not checked) and each pixel's file color as 0xRRGGBB.
struct PixelsCase {
    std::string name;
    Bytes bytes;
    int width;
    int height;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint32_t> colors;
    TrueColorRule rule{};
};

void PrintTo(const PixelsCase& c, std::ostream* os) {
    *os << c.name;
}

// The colors of DistinctPalette's entries, as 0xRRGGBB.
std::vector<std::uint32_t> DistinctColors(const std::vector<std::uint8_t>& indices) {
    std::vector<std::uint32_t> colors;
    for (std::uint8_t i : indices)
        colors.push_back(static_cast<std::uint32_t>(i) << 16 |
                         static_cast<std::uint32_t>(255 - i) << 8 | i / 2u);
    return colors;
}

PixelsCase Indexed(std::string name, Bytes bytes, int width, int height,
                   std::vector<std::uint8_t> indices) {
    std::vector<std::uint32_t> colors = DistinctColors(indices);
    return {std::move(name), std::move(bytes),   width,
            height,          std::move(indices), std::move(colors)};
}

// 20 x 20 pixels of 400 colors: more than 256, so the analysis numbers them cut to 4 bits a
// channel, which leaves 16 x 16.
PixelsCase ManyColors() {
    std::vector<std::uint32_t> stored;
    std::vector<std::uint32_t> topFirst(400);
    for (std::uint32_t y = 0; y < 20; ++y) {
        for (std::uint32_t x = 0; x < 20; ++x) {
            const std::uint32_t color = (x * 12) << 16 | (y * 12) << 8 | 0x37;
            stored.push_back(color);
            topFirst[(19 - y) * 20 + x] = color & 0xF0F0F0;
        }
    }
    TrueColorRule rule;
    rule.numbering = TrueColorNumbering::Reduced;
    rule.mask = ChannelMask{0xF0, 0xF0, 0xF0};
    return {
        "Rgb24Reduced", BmpBuilder(20, 20, 24).Pixels(stored).Bytes(), 20, 20, {}, topFirst, rule};
}

std::vector<PixelsCase> PixelsCases() {
    const std::vector<std::uint32_t> rgb = {0x102030, 0xA0B0C0, 0x102030,
                                            0x000000, 0xFFFFFF, 0xA0B0C0};
    return {
        // Stored bottom-up: the first stored row is the bottom one.
        Indexed("Bmp8BottomUp",
                BmpBuilder(3, 2, 8).DistinctPalette(200).Pixels({7, 8, 9, 199, 0, 7}).Bytes(), 3, 2,
                {199, 0, 7, 7, 8, 9}),
        Indexed("Bmp4TopDownOddWidth",
                BmpBuilder(5, -2, 4)
                    .DistinctPalette(16)
                    .Pixels({1, 2, 3, 4, 5, 15, 14, 0, 6, 7})
                    .Bytes(),
                5, 2, {1, 2, 3, 4, 5, 15, 14, 0, 6, 7}),
        Indexed("Bmp1",
                BmpBuilder(9, 2, 1)
                    .DistinctPalette(2)
                    .Pixels({1, 0, 1, 1, 0, 0, 0, 1, 1,  //
                             0, 0, 0, 0, 0, 0, 0, 0, 1})
                    .Bytes(),
                9, 2, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0, 0, 1, 1}),
        // Two runs and an end of line; four pixels in absolute mode and the end of the image.
        Indexed("Rle8",
                BmpBuilder(4, 2, 8)
                    .Compression(1)
                    .DistinctPalette(4)
                    .Data({2, 1, 2, 2, 0, 0, 0, 4, 0, 1, 2, 3, 0, 1})
                    .Bytes(),
                4, 2, {0, 1, 2, 3, 1, 1, 2, 2}),
        // Runs of two alternating nibbles.
        Indexed("Rle4",
                BmpBuilder(5, 2, 4)
                    .Compression(2)
                    .DistinctPalette(5)
                    .Data({3, 0x12, 2, 0x30, 0, 0, 5, 0x44, 0, 1})
                    .Bytes(),
                5, 2, {4, 4, 4, 4, 4, 1, 2, 1, 3, 0}),
        {"PngIndexed",
         PngBuilder(3, 2, PngBuilder::Indexed)
             .Palette({0x112233, 0x445566, 0x778899})
             .Pixels({2, 0, 1, 1, 1, 0})
             .Bytes(),
         3,
         2,
         {2, 0, 1, 1, 1, 0},
         {0x778899, 0x112233, 0x445566, 0x445566, 0x445566, 0x112233}},
        // True color: numbered by first occurrence in stored order.
        {"PngRgb",
         PngBuilder(3, 2, PngBuilder::Rgb).Pixels(rgb).Bytes(),
         3,
         2,
         {0, 1, 0, 2, 3, 1},
         rgb},
        {"Bmp24BottomUp",
         BmpBuilder(3, 2, 24).Pixels(rgb).Bytes(),
         3,
         2,
         {2, 3, 1, 0, 1, 0},
         {0x000000, 0xFFFFFF, 0xA0B0C0, 0x102030, 0xA0B0C0, 0x102030}},
        ManyColors(),
    };
}

class PreviewPixelsTest : public ::testing::TestWithParam<PixelsCase> {
  protected:
    TempDir dir;
};

// The indices and colors are exact, and the numbering is the analysis's own: every index
// used has the color and the pixel count the scan gave it.
TEST_P(PreviewPixelsTest, NumbersPixelsAsTheAnalysis) {
    const PixelsCase& c = GetParam();
    const std::string path = dir.Write("image", c.bytes).string();
    const FileScan scan = ScanFile(path, c.rule);
    ASSERT_EQ(scan.error, Msg::None);

    const FilePixels pixels = ReadFilePixels({path, scan.fingerprint, scan.rule});
    ASSERT_EQ(pixels.error, Msg::None);
    EXPECT_EQ(pixels.width, c.width);
    EXPECT_EQ(pixels.height, c.height);
    if (!c.indices.empty()) {
        EXPECT_EQ(pixels.indices, c.indices);
    }
    ASSERT_EQ(pixels.indices.size(), c.colors.size());
    IndexCounts counts{};
    for (std::size_t p = 0; p < c.colors.size(); ++p) {
        const std::uint8_t index = pixels.indices[p];
        ++counts[index];
        EXPECT_EQ(Packed(pixels.fileColors[index]), c.colors[p]) << "pixel " << p;
    }
    EXPECT_EQ(counts, scan.useCounts);
    for (int i = 0; i < kFileIndexCount; ++i) {
        const ColorQuad& q = scan.palette[i];
        if (counts[i] != 0) {
            EXPECT_EQ(pixels.fileColors[i], (Rgb{q.red, q.green, q.blue})) << "index " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PreviewPixelsTest, ::testing::ValuesIn(PixelsCases()),
                         [](const auto& info) { return info.param.name; });

struct RefusalCase {
    std::string name;
    Bytes bytes;
    Msg error;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class PreviewRefusalTest : public ::testing::TestWithParam<RefusalCase> {
  protected:
    TempDir dir;
};

// A file the analysis refuses gives the same message, without pixels.
TEST_P(PreviewRefusalTest, GivesTheAnalysisMessage) {
    const RefusalCase& c = GetParam();
    const std::string path = dir.Write("bad", c.bytes).string();
    const FileScan scan = ScanFile(path);
    ASSERT_EQ(scan.error, c.error);
    const FilePixels pixels = ReadFilePixels({path, scan.fingerprint, scan.rule});
    EXPECT_EQ(pixels.error, c.error);
    EXPECT_TRUE(pixels.indices.empty());
}

std::vector<RefusalCase> RefusalCases() {
    Bytes truncated = BmpBuilder(8, 8, 8).DistinctPalette(4).Bytes();
    truncated.resize(truncated.size() - 20);
    return {
        {"NotBitmap", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0}, Msg::NotBitmap},
        {"TruncatedRows", truncated, Msg::ReadError},
        {"BitCount3", BmpBuilder(4, 2, 3).Bytes(), Msg::Unsupported},
    };
}

INSTANTIATE_TEST_SUITE_P(Files, PreviewRefusalTest, ::testing::ValuesIn(RefusalCases()),
                         [](const auto& info) { return info.param.name; });

// A file rewritten or removed since its analysis is not shown with the old numbering; a
// stopped read hands back nothing.
TEST(PreviewJobTest, RefusesAChangedFileAndStops) {
    TempDir dir;
    const Bytes before = BmpBuilder(4, 4, 8).DistinctPalette(4).Pixels({1, 2, 3}).Bytes();
    const std::string path = dir.Write("a.bmp", before).string();
    const FileScan scan = ScanFile(path);
    ASSERT_EQ(scan.error, Msg::None);
    const PreviewRequest request{path, scan.fingerprint, scan.rule};

    std::stop_source stopped;
    stopped.request_stop();
    const FilePixels none = ReadFilePixels(request, stopped.get_token());
    EXPECT_EQ(none.error, Msg::None);
    EXPECT_TRUE(none.indices.empty());

    dir.Write("a.bmp", BmpBuilder(4, 4, 8).DistinctPalette(4).Pixels({1, 2, 2}).Bytes());
    EXPECT_EQ(ReadFilePixels(request).error, Msg::ChangedSinceAnalysis);
    std::filesystem::remove(path);
    EXPECT_EQ(ReadFilePixels(request).error, Msg::CannotOpen);
}

}  // namespace
}  // namespace tintwell::test
