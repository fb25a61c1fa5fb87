#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bitmap/bmp_header.h"
#include "bitmap/byte_io.h"
#include "support/bmp_builder.h"

namespace tintwell {
namespace {

using test::BmpBuilder;

HeaderResult ReadHeader(const std::vector<std::uint8_t>& bytes) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    return ReadBmpHeader(in);
}

std::vector<std::uint8_t> Patched32(std::vector<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    writeU32le(b, at, v);
    return b;
}

std::vector<std::uint8_t> Prefix(std::vector<std::uint8_t> b, std::size_t n) {
    b.resize(n);
    return b;
}

std::vector<std::uint8_t> Good8() {
    return BmpBuilder(4, 2, 8).DistinctPalette(4).Bytes();
}

// A 100-byte file that claims 3,000,000 x 2,000,000 24-bit pixels.
std::vector<std::uint8_t> HugeClaim() {
    auto b = BmpBuilder(0, 0, 24).Bytes();
    writeU32le(b, 18, 3'000'000);
    writeU32le(b, 22, 2'000'000);
    b.resize(100, 0);
    return b;
}

struct RefusalCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Msg expected;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(HeaderRefusal, GivesItsMessage) {
    EXPECT_EQ(ReadHeader(GetParam().bytes).error, GetParam().expected);
}

std::vector<RefusalCase> RefusalCases() {
    std::vector<RefusalCase> cases = {
        {"Empty", {}, Msg::InvalidData},
        {"ThirteenBytes", Prefix(Good8(), 13), Msg::InvalidData},
        {"NotBM",
         [] {
             auto b = Good8();
             b[1] = 'X';
             return b;
         }(),
         Msg::NotBitmap},
        // "BM" is checked before the header region is read.
        {"NotBMAndShort",
         [] {
             auto b = Good8();
             b[0] = 'b';
             b.resize(14);
             return b;
         }(),
         Msg::NotBitmap},
        {"OffBits14", BmpBuilder(4, 2, 8).OffBits(14).Bytes(), Msg::InvalidData},
        {"OffBits0", Patched32(Good8(), 10, 0), Msg::InvalidData},
        {"OffBitsHuge", Patched32(Good8(), 10, 0xFFFFFFF0u), Msg::InvalidData},
        {"RegionPastEnd", Prefix(Good8(), 14 + 40 + 10), Msg::InvalidData},
        {"RegionOf3Bytes", BmpBuilder(4, 2, 8).OffBits(17).Bytes(), Msg::Unsupported},
        {"RegionShorterThanInfo", BmpBuilder(4, 2, 8).OffBits(14 + 39).Bytes(), Msg::InvalidData},
        {"CoreInShortRegion", BmpBuilder(4, 2, 8).InfoSize(12).OffBits(14 + 11).Bytes(),
         Msg::InvalidData},
        {"InfoLargerThanRegion", BmpBuilder(4, 2, 8).InfoSize(124).OffBits(14 + 100).Bytes(),
         Msg::InvalidData},
        {"Rle8With4Bits", BmpBuilder(4, 2, 4).Compression(1).DistinctPalette(4).Bytes(),
         Msg::Unsupported},
        {"Rle4With8Bits", BmpBuilder(4, 2, 8).Compression(2).DistinctPalette(4).Bytes(),
         Msg::Unsupported},
        {"RleTopDown", BmpBuilder(4, -2, 8).Compression(1).DistinctPalette(4).Data({0, 1}).Bytes(),
         Msg::Unsupported},
        {"Jpeg", BmpBuilder(4, 2, 24).Compression(4).Bytes(), Msg::Unsupported},
        {"Png", BmpBuilder(4, 2, 24).Compression(5).Bytes(), Msg::Unsupported},
        {"Compression7", BmpBuilder(4, 2, 24).Compression(7).Bytes(), Msg::Unsupported},
        {"Os2Huffman", BmpBuilder(8, 2, 1).InfoSize(64).Compression(3).DistinctPalette(2).Bytes(),
         Msg::Unsupported},
        {"Os2Rle24", BmpBuilder(4, 2, 24).InfoSize(64).Compression(4).Bytes(), Msg::Unsupported},
        {"Core16Bits", BmpBuilder(4, 2, 16).InfoSize(12).Bytes(), Msg::Unsupported},
        {"MaskWithGap", BmpBuilder(4, 2, 16).Compression(3).Masks(0xF00F, 0x00F0, 0x0F00).Bytes(),
         Msg::Unsupported},
        {"MaskPastPixel", BmpBuilder(4, 2, 16).Compression(3).Masks(0x1F0000, 0x7E0, 0x1F).Bytes(),
         Msg::Unsupported},
        {"NoBlueMask", BmpBuilder(4, 2, 16).Compression(3).Masks(0xFF00, 0x00FF, 0).Bytes(),
         Msg::Unsupported},
        {"MasksPastRegion", BmpBuilder(4, 2, 16).Compression(3).OffBits(14 + 40 + 8).Bytes(),
         Msg::InvalidData},
        {"MasksPastHeader", BmpBuilder(4, 2, 16).InfoSize(48).Compression(3).Bytes(),
         Msg::InvalidData},
        {"Bitfields24", BmpBuilder(4, 2, 24).Compression(3).Bytes(), Msg::Unsupported},
        {"NegativeWidth", BmpBuilder(-4, 2, 8).DistinctPalette(4).Bytes(), Msg::Unsupported},
        // The header checks run before the rows are measured against the file.
        {"NegativeWidthTruncated", Prefix(BmpBuilder(-4, 2, 8).DistinctPalette(4).Bytes(), 70),
         Msg::Unsupported},
        {"Bits16Truncated", Prefix(BmpBuilder(4, 2, 16).Bytes(), 60), Msg::ReadError},
        {"WidthZeroWithRows", BmpBuilder(0, 3, 8).DistinctPalette(2).Bytes(), Msg::InvalidData},
        {"LastRowShort", Prefix(Good8(), Good8().size() - 1), Msg::ReadError},
        {"TopDownLastRowShort",
         Prefix(BmpBuilder(4, -2, 8).DistinctPalette(4).Bytes(), Good8().size() - 1),
         Msg::ReadError},
        {"HugeClaim", HugeClaim(), Msg::ReadError},
        {"HugeTopDownClaim", Patched32(HugeClaim(), 22, 0x80000000u), Msg::ReadError},
    };
    for (std::uint32_t size : {0u, 1u, 11u, 13u, 15u, 0x80000000u}) {
        cases.push_back({"InfoSize", Patched32(Good8(), 14, size), Msg::Unsupported});
    }
    for (std::uint16_t bits : {0, 3, 7, 48, 64}) {
        cases.push_back({"BitCount", BmpBuilder(4, 2, bits).Bytes(), Msg::Unsupported});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, HeaderRefusal, testing::ValuesIn(RefusalCases()),
                         [](const testing::TestParamInfo<RefusalCase>& info) {
                             return std::string(info.param.name) + "_" + std::to_string(info.index);
                         });

TEST(BmpHeader, ReadsFieldsOfInfoHeader) {
    const auto bytes = BmpBuilder(5, -3, 4)
                           .DistinctPalette(16)
                           .Reserved(0x1234, 0xBEEF)
                           .Resolution(3780, -7)
                           .Planes(3)
                           .Bytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    const HeaderResult r = ReadBmpHeader(in);
    ASSERT_EQ(r.error, Msg::None);
    const BmpHeader& h = r.header;
    EXPECT_EQ(h.reserved1, 0x1234);
    EXPECT_EQ(h.reserved2, 0xBEEF);
    EXPECT_EQ(h.offBits, 14u + 40u + 64u);
    EXPECT_EQ(h.infoSize, 40u);
    EXPECT_EQ(h.width, 5);
    EXPECT_EQ(h.height, -3);
    EXPECT_EQ(h.rows, 3u);
    EXPECT_EQ(h.stride, 4u);
    EXPECT_EQ(h.planes, 3);
    EXPECT_EQ(h.bitCount, 4);
    EXPECT_EQ(h.xPelsPerMeter, 3780);
    EXPECT_EQ(h.yPelsPerMeter, -7);
    EXPECT_EQ(h.paletteEntries, 16u);
    // The stream stands at the first pixel row.
    EXPECT_EQ(in.tellg(), std::streamoff{h.offBits});
}

TEST(BmpHeader, StrideIsPaddedToFourBytes) {
    struct {
        std::int64_t width;
        unsigned bits;
        std::uint64_t stride;
    } const cases[] = {{1, 4, 4},
                       {8, 4, 4},
                       {9, 4, 8},
                       {10, 8, 12},
                       {10, 4, 8},
                       {1, 24, 4},
                       {2, 24, 8},
                       {5, 24, 16},
                       {0, 8, 0},
                       {4, 8, 4},
                       {0x7FFFFFFF, 24, 6442450944u}};
    for (const auto& c : cases) {
        EXPECT_EQ(RowStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
    }
}

// Longer information headers put the color table at 14 + their size, not at 54.
TEST(BmpHeader, PaletteFollowsInfoHeaderOfAnySize) {
    for (std::uint32_t size : {40u, 52u, 56u, 64u, 108u, 124u, 200u}) {
        const auto bytes = BmpBuilder(2, 1, 8).InfoSize(size).DistinctPalette(7).Bytes();
        const HeaderResult r = ReadHeader(bytes);
        ASSERT_EQ(r.error, Msg::None) << size;
        EXPECT_EQ(r.header.paletteEntries, 7u) << size;
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(r.header.palette[i].red, i) << size;
            EXPECT_EQ(r.header.palette[i].green, 255 - i) << size;
            EXPECT_EQ(r.header.palette[i].blue, i / 2) << size;
        }
        EXPECT_EQ(r.header.palette[7].green, 0) << size;
    }
}

TEST(BmpHeader, CoreHeaderHasShortFieldsAndThreeByteEntries) {
    const auto bytes = BmpBuilder(300, 2, 8)
                           .InfoSize(12)
                           .Planes(1)
                           .Palette({{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}})
                           .Bytes();
    const HeaderResult r = ReadHeader(bytes);
    ASSERT_EQ(r.error, Msg::None);
    EXPECT_EQ(r.header.width, 300);
    EXPECT_EQ(r.header.height, 2);
    EXPECT_EQ(r.header.planes, 1);
    EXPECT_EQ(r.header.bitCount, 8);
    EXPECT_EQ(r.header.xPelsPerMeter, 0);
    EXPECT_EQ(r.header.paletteEntries, 3u);
    EXPECT_EQ(r.header.palette[2].blue, 7);
    EXPECT_EQ(r.header.palette[2].green, 8);
    EXPECT_EQ(r.header.palette[2].red, 9);
}

// Only the entries inside the header region are colors; a long region reads 256 at most.
TEST(BmpHeader, PaletteEntriesAreBoundedByTheRegion) {
    struct {
        std::size_t entries;
        std::size_t gap;
        unsigned expected;
    } const cases[] = {{0, 0, 0},     {3, 2, 3},        {3, 0, 3},
                       {256, 0, 256}, {256, 4000, 256}, {0, 3000, 256}};
    for (const auto& c : cases) {
        const auto bytes =
            BmpBuilder(1, 1, 8).DistinctPalette(static_cast<int>(c.entries)).Gap(c.gap).Bytes();
        const HeaderResult r = ReadHeader(bytes);
        ASSERT_EQ(r.error, Msg::None);
        EXPECT_EQ(r.header.paletteEntries, c.expected) << c.entries << "+" << c.gap;
    }
}

TEST(BmpHeader, ZeroRowsNeedNoPixelBytes) {
    for (std::int32_t width : {0, 7, 0x7FFFFFFF}) {
        const HeaderResult r = ReadHeader(BmpBuilder(width, 0, 24).Bytes());
        EXPECT_EQ(r.error, Msg::None) << width;
        EXPECT_EQ(r.header.rows, 0u);
    }
}

}  // namespace
}  // namespace tintwell
