#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/bmp_header.h"
#include "bitmap/pixel_rows.h"
#include "bitmap/writer.h"
#include "palette/fixed_palettes.h"
#include "support/bmp_builder.h"

namespace tintwell {
namespace {

using test::BmpBuilder;
using Bytes = std::vector<std::uint8_t>;

constexpr Rgb kKey{255, 0, 255};

// What the rows of a file decode to: the failure, or every pixel's color (a palette
// index's table entry for palette encodings), rows in stored order.
struct Decoded {
    Msg error = Msg::None;
    std::string_view detail;
    std::vector<Rgb> pixels;
};

Decoded DecodeRows(const Bytes& bytes, Rgb key = kKey) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    const HeaderResult read = ReadBmpHeader(in);
    if (read.error != Msg::None) return {read.error, read.detail, {}};
    const BmpHeader& h = read.header;
    PixelRows rows(h, in, key);
    Decoded d;
    if (rows.Start() != Msg::None) return {rows.Error(), rows.Detail(), {}};
    for (std::uint64_t r = 0; r < h.rows; ++r) {
        const std::uint8_t* row = rows.Next();
        if (row == nullptr) return {rows.Error(), rows.Detail(), {}};
        for (std::size_t x = 0; x < static_cast<std::size_t>(h.width); ++x) {
            if (h.TrueColor()) {
                d.pixels.push_back(Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]});
            } else {
                const ColorQuad c = h.palette[row[x]];
                d.pixels.push_back(Rgb{c.red, c.green, c.blue});
            }
        }
    }
    return d;
}

// Palette entry i of DistinctPalette: (i, 255 - i, i / 2).
Rgb Entry(int i) {
    return Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
               static_cast<std::uint8_t>(i / 2)};
}
std::vector<Rgb> Entries(std::initializer_list<int> indices) {
    std::vector<Rgb> v;
    for (int i : indices)
        v.push_back(i < 0 ? Rgb{} : Entry(i));
    return v;
}

struct DecodeCase {
    const char* name;
    Bytes bytes;
    std::vector<Rgb> pixels;       // expected when accepted
    Msg error = Msg::None;         // expected refusal
    std::string_view detail = {};  // and its reason
};

void Check(const DecodeCase& c, Rgb key = kKey) {
    SCOPED_TRACE(c.name);
    const Decoded d = DecodeRows(c.bytes, key);
    EXPECT_EQ(d.error, c.error);
    if (c.error == Msg::None) {
        EXPECT_EQ(d.pixels, c.pixels);
    } else if (!c.detail.empty()) {
        EXPECT_EQ(d.detail, c.detail);
    }
}

// 1-, 2-, 4- and 8-bit rows: leftmost pixel in the high bits, any palette size, indices
// past a short palette read as black, every header form.
TEST(Decoders, PaletteRows) {
    const DecodeCase cases[] = {
        {"Bits1",
         BmpBuilder(9, 1, 1).DistinctPalette(2).Pixels({1, 0, 0, 1, 1, 0, 1, 0, 1}).Bytes(),
         Entries({1, 0, 0, 1, 1, 0, 1, 0, 1})},
        {"Bits1Core",
         BmpBuilder(3, 2, 1).InfoSize(12).DistinctPalette(2).Pixels({0, 1, 1, 1, 0, 0}).Bytes(),
         Entries({0, 1, 1, 1, 0, 0})},
        {"Bits2", BmpBuilder(5, 1, 2).DistinctPalette(4).Pixels({3, 2, 1, 0, 3}).Bytes(),
         Entries({3, 2, 1, 0, 3})},
        {"Bits4ShortPalette", BmpBuilder(3, 1, 4).DistinctPalette(3).Pixels({2, 5, 0}).Bytes(),
         Entries({2, -1, 0})},
        {"Bits8Os2v2Header16",
         BmpBuilder(2, 2, 8).InfoSize(16).DistinctPalette(8).Pixels({7, 1, 0, 3}).Bytes(),
         Entries({7, 1, 0, 3})},
        {"Bits8V5TopDown",
         BmpBuilder(2, -2, 8).InfoSize(124).DistinctPalette(8).Pixels({4, 5, 6, 7}).Bytes(),
         Entries({4, 5, 6, 7})},
    };
    for (const DecodeCase& c : cases)
        Check(c);
}

Bytes Rle(int width, int height, std::uint16_t bits, Bytes data) {
    return BmpBuilder(width, height, bits)
        .Compression(bits == 8 ? 1 : 2)
        .DistinctPalette(16)
        .Data(std::move(data))
        .Bytes();
}

// Encoded and absolute runs, end of line, end of bitmap, deltas; what is skipped or never
// reached is index 0; a run or delta past the row is refused.
TEST(Decoders, RunLength) {
    const DecodeCase cases[] = {
        {"Rle8Runs", Rle(4, 2, 8, {3, 5, 1, 6, 0, 0, 2, 7, 0, 0, 0, 1}),
         Entries({5, 5, 5, 6, 7, 7, 0, 0})},
        {"Rle8AbsoluteOddPadded", Rle(4, 2, 8, {0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 4, 4, 0, 1}),
         Entries({1, 2, 3, 9, 4, 4, 4, 4})},
        {"Rle8Delta", Rle(4, 4, 8, {1, 5, 0, 2, 2, 1, 1, 6, 0, 0, 0, 2, 1, 1, 1, 7, 0, 1}),
         Entries({5, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 7, 0, 0})},
        {"Rle8NoEndOfBitmap", Rle(3, 2, 8, {2, 9}), Entries({9, 9, 0, 0, 0, 0})},
        {"Rle8CutInAbsoluteRun", Rle(4, 1, 8, {0, 4, 1, 2}), Entries({1, 2, 0, 0})},
        {"Rle8RowFilledThenEndOfLine", Rle(2, 2, 8, {2, 3, 0, 0, 2, 4}), Entries({3, 3, 4, 4})},
        {"Rle4Runs", Rle(5, 1, 4, {5, 0x12, 0, 1}), Entries({1, 2, 1, 2, 1})},
        {"Rle4AbsoluteOdd", Rle(5, 1, 4, {0, 3, 0x34, 0x50, 1, 0x70, 0, 1}),
         Entries({3, 4, 5, 7, 0})},
        // ImageMagick's runs cover the padding of odd widths; the padding's pixels go.
        {"Rle8RunIntoPadding", Rle(3, 1, 8, {4, 2, 0, 1}), Entries({2, 2, 2})},
        {"Rle4AbsoluteIntoPadding", Rle(3, 1, 4, {0, 8, 0x12, 0x34, 0x56, 0x78, 0, 1}),
         Entries({1, 2, 3})},
        {"Rle8RunPastRow",
         Rle(4, 2, 8, {5, 1}),
         {},
         Msg::ReadError,
         "RLE8 with a run past the end of a row"},
        {"Rle8RunAfterFullRow",
         Rle(4, 2, 8, {4, 1, 1, 1}),
         {},
         Msg::ReadError,
         "RLE8 with a run past the end of a row"},
        {"Rle8AbsolutePastRow",
         Rle(2, 2, 8, {0, 5, 1, 2, 3, 4, 5, 0}),
         {},
         Msg::ReadError,
         "RLE8 with an absolute run past the end of a row"},
        {"Rle8DeltaPastRow",
         Rle(4, 2, 8, {0, 2, 5, 0}),
         {},
         Msg::ReadError,
         "RLE8 with a delta past the end of a row"},
        {"Rle4RunPastRow",
         Rle(3, 1, 4, {9, 0x11}),
         {},
         Msg::ReadError,
         "RLE4 with a run past the end of a row"},
        {"RleTopDown",
         Rle(2, -2, 8, {0, 1}),
         {},
         Msg::Unsupported,
         "a run-length bitmap stored top-down"},
    };
    for (const DecodeCase& c : cases)
        Check(c);
}

// The image ends at its last row whatever the data goes on to say: rows after it are never
// read, and a delta past it ends the image as an end of bitmap would (the rest index 0), as
// ImageMagick and Pillow read such files.
TEST(Decoders, RunLengthPastTheLastRow) {
    const DecodeCase cases[] = {
        {"Rle8RowsAfterTheLast", Rle(2, 2, 8, {2, 3, 0, 0, 2, 4, 0, 0, 2, 5, 0, 0, 9, 9, 0, 1}),
         Entries({3, 3, 4, 4})},
        {"Rle8EndOfLineThenEndOfBitmap", Rle(2, 1, 8, {2, 3, 0, 0, 0, 1}), Entries({3, 3})},
        {"Rle8DeltaPastTheLastRow", Rle(3, 2, 8, {1, 3, 0, 2, 1, 5, 3, 4, 0, 1}),
         Entries({3, 0, 0, 0, 0, 0})},
        {"Rle8DeltaOntoTheLastRow", Rle(3, 2, 8, {1, 3, 0, 2, 1, 1, 1, 4, 0, 1}),
         Entries({3, 0, 0, 0, 0, 4})},
        {"Rle4DeltaPastTheLastRow", Rle(4, 3, 4, {2, 0x12, 0, 2, 0, 3, 2, 0x34, 0, 1}),
         Entries({1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
    };
    for (const DecodeCase& c : cases)
        Check(c);
}

// Channels picked out by any contiguous masks and scaled to 8 bits as (v * 255 + max / 2) /
// max; alpha 0 takes the key color, other alpha is ignored, and an alpha channel that no
// pixel sets is padding.
TEST(Decoders, Bitfields) {
    const DecodeCase cases[] = {
        {"Rgb555Default",
         BmpBuilder(3, 1, 16).Pixels({0x7FFF, 0x7C00, 0x0010}).Bytes(),
         {{255, 255, 255}, {255, 0, 0}, {0, 0, 132}}},
        {"Rgb565",
         BmpBuilder(3, 1, 16)
             .Compression(3)
             .Masks(0xF800, 0x07E0, 0x001F)
             .Pixels({0xF800, 0x0400, 0x0001})
             .Bytes(),
         {{255, 0, 0}, {0, 130, 0}, {0, 0, 8}}},
        {"Rgba4444AlphaBitfields",
         BmpBuilder(3, 1, 16)
             .Compression(6)
             .Masks(0x0F00, 0x00F0, 0x000F, 0xF000)
             .Pixels({0xF800, 0x1080, 0x0FFF})
             .Bytes(),
         {{136, 0, 0}, {0, 136, 0}, kKey}},
        {"Rgb32AlphaPadding",
         BmpBuilder(2, 1, 32).Pixels({0x00102030, 0x00FFFFFF}).Bytes(),
         {{0x10, 0x20, 0x30}, {255, 255, 255}}},
        {"Rgba32BiRgb",
         BmpBuilder(3, 1, 32).Pixels({0x80102030, 0x00FFFFFF, 0xFF000001}).Bytes(),
         {{0x10, 0x20, 0x30}, kKey, {0, 0, 1}}},
        {"Xbgr32V5",
         BmpBuilder(2, 1, 32)
             .InfoSize(124)
             .Compression(3)
             .Masks(0x000000FF, 0x0000FF00, 0x00FF0000)
             .Pixels({0x00000011, 0x00330000})
             .Bytes(),
         {{0x11, 0, 0}, {0, 0, 0x33}}},
        {"Rgba1010102V5",
         BmpBuilder(2, 1, 32)
             .InfoSize(124)
             .Compression(3)
             .Masks(0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000)
             .Pixels({0x7FF00200, 0x000003FF})
             .Bytes(),
         {{255, 0, 128}, kKey}},
        {"Rgb16V3Header56Bits",
         BmpBuilder(1, 1, 16)
             .InfoSize(56)
             .Compression(3)
             .Masks(0x7C00, 0x03E0, 0x001F, 0x8000)
             .Pixels({0x0000})
             .Bytes(),
         {{0, 0, 0}}},
    };
    for (const DecodeCase& c : cases)
        Check(c);
    // The key color is the caller's.
    Check({"OtherKey",
           BmpBuilder(2, 1, 32).Pixels({0xFF000000, 0x00123456}).Bytes(),
           {{0, 0, 0}, {1, 2, 3}}},
          Rgb{1, 2, 3});
}

// 24-bit rows of `n` distinct colors, one pixel each: color i = (i % 256, i / 256, 7).
Bytes ManyColors(int n) {
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < n; ++i)
        pixels.push_back(static_cast<std::uint32_t>(((i % 256) << 16) | ((i / 256) << 8) | 7));
    return BmpBuilder(n, 1, 24).Pixels(pixels).Bytes();
}

PaletteSettings Settings(PaletteMode mode, ChannelBits bits = {}) {
    PaletteSettings s;
    s.mode = mode;
    s.bits = bits;
    s.mask = MaskFor(bits);
    return s;
}

// Scans, maps into `table` and writes `bytes`; the output's pixels, or the failure.
Decoded Through(const Bytes& bytes, const PaletteSettings& settings, ColorTable& table) {
    const std::string text(bytes.begin(), bytes.end());
    std::istringstream in(text);
    const BitmapScan scan = ScanBitmap(in, TrueColorRuleFor(settings, table));
    if (scan.error != Msg::None) return {scan.error, scan.detail, {}};
    IndexMap map{};
    IndexCounts counts{};
    MapScan(scan, settings, table, map, counts);
    const std::vector<Rgb> palette = table.Palette();
    std::istringstream again(text);
    std::stringstream out;
    const Msg written = WriteBitmap(again, out, OutputPalette{palette, 256},
                                    table.BuildOutputIndexMap(map), scan.rule);
    if (written != Msg::None) return {written, {}, {}};
    const std::string o = out.str();
    return DecodeRows(Bytes(o.begin(), o.end()));
}

// True-color files of any color count: the fixed modes take every pixel's nearest fixed
// color; RGB mode counts the colors after the bit reduction.
TEST(Decoders, TrueColorOfAnyColorCount) {
    const Bytes many = ManyColors(600);
    const auto input = DecodeRows(many).pixels;

    ColorTable fixed;
    fixed.FillFixedPalette(BuiltInPalette256());
    const Decoded nearest = Through(many, Settings(PaletteMode::Fixed256), fixed);
    ASSERT_EQ(nearest.error, Msg::None);
    ASSERT_EQ(nearest.pixels.size(), input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        const Rgb& p = input[i];
        const ColorSlot& s =
            fixed.Slot(fixed.FindNearestColor(ColorQuad{p.blue, p.green, p.red, 0}));
        EXPECT_EQ(nearest.pixels[i], (Rgb{s.red, s.green, s.blue})) << i;
    }

    // 3,3,2 bits leave at most 256 colors: each pixel becomes its bucket's color.
    ColorTable reduced;
    const Decoded cut = Through(many, Settings(PaletteMode::RgbBits, {3, 3, 2}), reduced);
    ASSERT_EQ(cut.error, Msg::None);
    const ChannelMask m = MaskFor({3, 3, 2});
    for (std::size_t i = 0; i < input.size(); ++i) {
        const Rgb& p = input[i];
        const int slot = reduced.FindMaskedColor(ColorQuad{p.blue, p.green, p.red, 0}, m);
        ASSERT_GE(slot, 0);
        const ColorSlot& s = reduced.Slot(slot);
        EXPECT_EQ(cut.pixels[i], (Rgb{s.red, s.green, s.blue})) << i;
    }

    ColorTable full;
    const Decoded refused = Through(many, Settings(PaletteMode::RgbBits), full);
    EXPECT_EQ(refused.error, Msg::TooManyColors24);
    EXPECT_EQ(refused.detail, "more than 256 colors");
    ColorTable fine;
    const Decoded stillMany = Through(many, Settings(PaletteMode::RgbBits, {8, 7, 8}), fine);
    EXPECT_EQ(stillMany.error, Msg::TooManyColors24);
    EXPECT_EQ(stillMany.detail, "more than 256 colors after the reduction to the channel bits");
    EXPECT_EQ(fine.ColorCount(), 0);
}

// A file of at most 256 colors is numbered by first occurrence whatever the mode's rule, so
// it scans exactly as it always did.
TEST(Decoders, FewColorsScanAsBefore) {
    const Bytes few = ManyColors(256);
    std::istringstream a(std::string(few.begin(), few.end()));
    const BitmapScan plain = ScanBitmap(a);
    ColorTable fixed;
    fixed.FillFixedPalette(BuiltInPalette256());
    for (const PaletteSettings& s :
         {Settings(PaletteMode::Fixed256), Settings(PaletteMode::RgbBits, {3, 3, 2})}) {
        std::istringstream b(std::string(few.begin(), few.end()));
        const BitmapScan scan = ScanBitmap(b, TrueColorRuleFor(s, fixed));
        ASSERT_EQ(scan.error, Msg::None);
        EXPECT_EQ(scan.rule.numbering, TrueColorNumbering::FirstOccurrence);
        EXPECT_EQ(scan.useCounts, plain.useCounts);
        for (int i = 0; i < kFileIndexCount; ++i) {
            EXPECT_EQ(scan.palette[i].red, plain.palette[i].red);
            EXPECT_EQ(scan.palette[i].green, plain.palette[i].green);
        }
    }
}

}  // namespace
}  // namespace tintwell
