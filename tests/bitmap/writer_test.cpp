#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/byte_io.h"
#include "bitmap/image_rows.h"
#include "bitmap/writer.h"
#include "support/bmp_builder.h"
#include "support/counted_png.h"

namespace tintwell {
namespace {

using test::BmpBuilder;
using test::DecodeBmp;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;

struct Written {
    Msg error = Msg::None;
    Bytes bytes;
};

Written Write(const Bytes& input, const std::vector<Rgb>& colors, int depth,
              const OutputIndexMap& map, ImageFormat format = ImageFormat::Bmp) {
    std::istringstream in(std::string(input.begin(), input.end()));
    std::ostringstream out;
    Written w;
    w.error = WriteBitmap(in, out, OutputPalette{colors, depth}, map, {}, format);
    const std::string s = out.str();
    w.bytes.assign(s.begin(), s.end());
    return w;
}

// file index i -> output index i.
OutputIndexMap IdentityMap() {
    OutputIndexMap map{};
    std::iota(map.begin(), map.end(), 0);
    return map;
}

std::vector<Rgb> Grays(int n) {
    std::vector<Rgb> colors;
    for (int i = 0; i < n; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        colors.push_back({v, v, v});
    }
    return colors;
}

Bytes Pixels(const Bytes& file) {
    return Bytes(file.begin() + readU32le(file, 10), file.end());
}

// The 10 x 3 8-bit example: 16 colors give 142 bytes with rows of 8 bytes at 118; 256 colors
// give 1114 bytes with rows of 12 bytes at 1078.
TEST(WriteBitmap, TenByThreeHeaders) {
    struct {
        int depth;
        std::uint32_t size, offset, bits, stride;
    } const cases[] = {{16, 142, 118, 4, 8}, {256, 1114, 1078, 8, 12}};
    std::vector<std::uint32_t> pixels(30);
    std::iota(pixels.begin(), pixels.end(), 0);
    for (auto& p : pixels)
        p %= 10;
    const Bytes input =
        BmpBuilder(10, 3, 8).DistinctPalette(10).Reserved(7, 9).Pixels(pixels).Bytes();
    for (const auto& c : cases) {
        const Written w = Write(input, Grays(10), c.depth, IdentityMap());
        ASSERT_EQ(w.error, Msg::None);
        ASSERT_EQ(w.bytes.size(), c.size);
        const Bytes& b = w.bytes;
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        const struct {
            std::size_t at;
            std::uint32_t value;
        } fields[] = {{2, c.size},
                      {10, c.offset},
                      {14, 40},
                      {18, 10},
                      {22, 3},
                      {30, 0},
                      {34, c.stride * 3},
                      {38, 2835},
                      {42, 2835},
                      {46, c.depth == 16 ? 16u : 256u},
                      {50, 0}};
        for (const auto& f : fields)
            EXPECT_EQ(readU32le(b, f.at), f.value) << "at " << f.at;
        EXPECT_EQ(readU16le(b, 6), 7);
        EXPECT_EQ(readU16le(b, 8), 9);
        EXPECT_EQ(readU16le(b, 26), 1);
        EXPECT_EQ(readU16le(b, 28), c.bits);
        const Bytes rows = Pixels(b);
        ASSERT_EQ(rows.size(), c.stride * 3);
        if (c.depth == 16) {
            EXPECT_EQ(Bytes(rows.begin(), rows.begin() + 8),
                      (Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0, 0, 0}));
        } else {
            EXPECT_EQ(Bytes(rows.begin(), rows.begin() + 12),
                      (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0}));
        }
    }
}

struct RowCase {
    const char* name;
    Bytes input;
    int depth;
    OutputIndexMap map;
    Bytes rows;  // every output row, padding included
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const RowCase& c, std::ostream* os) {
    *os << c.name;
}

class OutputRows : public testing::TestWithParam<RowCase> {};

TEST_P(OutputRows, AreExact) {
    const RowCase& c = GetParam();
    const Written w = Write(c.input, Grays(c.depth), c.depth, c.map);
    ASSERT_EQ(w.error, Msg::None);
    EXPECT_EQ(Pixels(w.bytes), c.rows);
}

OutputIndexMap MapOf(std::initializer_list<std::pair<int, int>> entries) {
    OutputIndexMap map{};
    for (const auto& [from, to] : entries)
        map[from] = static_cast<std::uint8_t>(to);
    return map;
}

std::vector<RowCase> RowCases() {
    const OutputIndexMap id = IdentityMap();
    return {
        {"Width1Depth16",
         BmpBuilder(1, 2, 8).DistinctPalette(16).Pixels({5, 15}).Bytes(),
         16,
         id,
         {0x50, 0, 0, 0, 0xF0, 0, 0, 0}},
        {"Width1Depth256",
         BmpBuilder(1, 1, 8).DistinctPalette(16).Pixels({5}).Bytes(),
         256,
         id,
         {5, 0, 0, 0}},
        {"Width3Depth16",
         BmpBuilder(3, 1, 8).DistinctPalette(16).Pixels({1, 2, 3}).Bytes(),
         16,
         id,
         {0x12, 0x30, 0, 0}},
        // The byte 0x12 of a 4-bit input holds file index 1 (left) and 2 (right).
        {"Nibbles4To8",
         BmpBuilder(2, 1, 4).DistinctPalette(16).Pixels({1, 2}).Bytes(),
         256,
         MapOf({{1, 7}, {2, 200}}),
         {7, 200, 0, 0}},
        {"Nibbles4OddTo4",
         BmpBuilder(5, 1, 4).DistinctPalette(16).PadByte(0xFF).Pixels({1, 2, 3, 4, 5}).Bytes(),
         16,
         MapOf({{1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}}),
         {0x98, 0x76, 0x50, 0}},
        // Padding of the input is never copied; output padding is zero.
        {"PaddingIsZero",
         BmpBuilder(2, 2, 8).DistinctPalette(4).PadByte(0xAB).Pixels({1, 2, 3, 1}).Bytes(),
         256,
         id,
         {1, 2, 0, 0, 3, 1, 0, 0}},
        // A file index whose slot is not in the list is written as index 0.
        {"UnlistedIndexIsZero",
         BmpBuilder(2, 1, 8).DistinctPalette(4).Pixels({3, 2}).Bytes(),
         16,
         MapOf({{2, 4}}),
         {0x04, 0, 0, 0}},
        // A word of eight equal indices is translated whole; a mixed word and the tail by
        // pixel.
        {"WordsOfOneIndex",
         BmpBuilder(9, -2, 8)
             .DistinctPalette(8)
             .Pixels({4, 4, 4, 4, 4, 4, 4, 4, 1, 4, 4, 4, 4, 4, 4, 4, 1, 2})
             .Bytes(),
         256,
         MapOf({{4, 9}, {1, 7}, {2, 5}}),
         {9, 9, 9, 9, 9, 9, 9, 9, 7, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 7, 5, 0, 0, 0}},
    };
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputRows, testing::ValuesIn(RowCases()),
                         [](const testing::TestParamInfo<RowCase>& info) {
                             return std::string(info.param.name);
                         });

// The palette of the kind table: five list colors, so both depths have zero entries after.
const std::vector<Rgb> kFiveColors = {
    {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}, {255, 0, 1}};

// Colors of the true-color kinds, 0xRRGGBB.
constexpr std::uint32_t kA = 0x102030, kB = 0x405060, kC = 0x708090, kD = 0xA0B0C0;

// One 3 x 2 input of each kind the writer reads. The indexed ones hold file indices 1 2 3
// over 3 0 1 (top row first); the true-color ones colors A B C over C D A, numbered by first
// occurrence in stored order (bottom row first in a bitmap). `pixels` is what the output
// holds under KindMap(), top row first; the rest is what a bitmap output carries over.
struct KindCase {
    const char* name;
    Bytes input;
    std::array<std::uint8_t, 6> pixels;
    std::int32_t height;  // as a bitmap output stores it: negative keeps top-down rows
    std::uint16_t reserved1, reserved2;
    std::int32_t xPels, yPels;
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.name;
}

OutputIndexMap KindMap() {
    return MapOf({{0, 9}, {1, 4}, {2, 15}, {3, 2}});
}

std::vector<KindCase> KindCases() {
    const std::vector<std::uint32_t> bottomUp = {3, 0, 1, 1, 2, 3};
    const std::vector<std::uint32_t> topDown = {1, 2, 3, 3, 0, 1};
    const std::array<std::uint8_t, 6> indexed = {4, 15, 2, 2, 9, 4};
    return {
        {"Bmp4Info40",
         BmpBuilder(3, 2, 4)
             .DistinctPalette(4)
             .Reserved(1, 0xFFFF)
             .Resolution(-1, 77)
             .Planes(0)
             .Pixels(bottomUp)
             .Bytes(),
         indexed, 2, 1, 0xFFFF, -1, 77},
        {"Bmp8TopDown", BmpBuilder(3, -2, 8).DistinctPalette(4).Planes(2).Pixels(topDown).Bytes(),
         indexed, -2, 0, 0, 2835, 2835},
        {"Bmp8Core",
         BmpBuilder(3, 2, 8)
             .InfoSize(12)
             .DistinctPalette(4)
             .Reserved(4, 5)
             .Planes(0xFFFF)
             .Pixels(bottomUp)
             .Bytes(),
         indexed, 2, 4, 5, 0, 0},
        {"Bmp8V5",
         BmpBuilder(3, 2, 8)
             .InfoSize(124)
             .DistinctPalette(4)
             .Resolution(11, 12)
             .Planes(5)
             .Pixels(bottomUp)
             .Bytes(),
         indexed, 2, 0, 0, 11, 12},
        // Stored C D A, A B C: C is 0, D 1, A 2, B 3.
        {"Bmp24",
         BmpBuilder(3, 2, 24).Pixels({kC, kD, kA, kA, kB, kC}).Bytes(),
         {15, 2, 9, 9, 4, 15},
         2,
         0,
         0,
         2835,
         2835},
        // A bitmap from a PNG image is bottom-up, with no reserved words or resolution.
        {"PngIndexed",
         test::PngBuilder(3, 2, test::PngBuilder::Indexed)
             .Palette({kA, kB, kC, kD})
             .Pixels(topDown)
             .Bytes(),
         indexed, 2, 0, 0, 0, 0},
        // Stored top-down: A is 0, B 1, C 2, D 3.
        {"PngRgb",
         test::PngBuilder(3, 2, test::PngBuilder::Rgb).Pixels({kA, kB, kC, kC, kD, kA}).Bytes(),
         {9, 4, 15, 15, 2, 9},
         2,
         0,
         0,
         0,
         0},
    };
}

// The indices of an indexed output as the reader gives them, top row first.
std::vector<std::uint8_t> ReadBack(const Bytes& file) {
    std::istringstream in(std::string(file.begin(), file.end()));
    ImageRows rows(in, Rgb{});
    if (rows.Open() != Msg::None || rows.Start() != Msg::None) return {};
    const ImageInfo& info = rows.Info();
    std::vector<std::uint8_t> pixels(info.width * info.rows);
    for (std::uint64_t r = 0; r < info.rows; ++r) {
        const std::uint8_t* row = rows.Next();
        if (row == nullptr) return {};
        const std::uint64_t y = info.topDown ? r : info.rows - 1 - r;
        std::copy_n(row, info.width, pixels.begin() + static_cast<std::ptrdiff_t>(y * info.width));
    }
    return pixels;
}

void ExpectBmpHeaders(const Bytes& b, const KindCase& c, std::uint32_t entries) {
    const std::uint32_t offset = 54 + 4 * entries;
    const struct {
        std::size_t at;
        std::uint32_t value;
    } fields[] = {{2, offset + 8},  // two rows of 4 bytes at either depth
                  {10, offset},
                  {14, 40},
                  {18, 3},
                  {22, static_cast<std::uint32_t>(c.height)},
                  {30, 0},
                  {34, 8},
                  {38, static_cast<std::uint32_t>(c.xPels)},
                  {42, static_cast<std::uint32_t>(c.yPels)},
                  {46, entries},
                  {50, 0}};
    ASSERT_EQ(b.size(), offset + 8);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    for (const auto& f : fields)
        EXPECT_EQ(readU32le(b, f.at), f.value) << "at " << f.at;
    EXPECT_EQ(readU16le(b, 6), c.reserved1);
    EXPECT_EQ(readU16le(b, 8), c.reserved2);
    // Readers refuse any planes value but 1, whatever the input held.
    EXPECT_EQ(readU16le(b, 26), 1);
    EXPECT_EQ(readU16le(b, 28), entries == 16 ? 4 : 8);
    Bytes table;
    for (std::uint32_t j = 0; j < entries; ++j) {
        const Rgb color = j < kFiveColors.size() ? kFiveColors[j] : Rgb{};
        table.insert(table.end(), {color.blue, color.green, color.red, 0});
    }
    EXPECT_EQ(Bytes(b.begin() + 54, b.begin() + offset), table);
}

void ExpectPngChunks(const Bytes& b, std::uint32_t entries) {
    const std::string file(b.begin(), b.end());
    EXPECT_EQ(file.substr(0, 8), "\x89PNG\r\n\x1A\n");
    const auto chunks = test::PngChunks(file);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].first + chunks[1].first + chunks[2].first + chunks[3].first,
              "IHDRPLTEIDATIEND");
    // Width 3, height 2, bit depth 4 or 8, color type 3, deflate, no filter, not interlaced.
    const char bits = entries == 16 ? 4 : 8;
    EXPECT_EQ(chunks[0].second, std::string({0, 0, 0, 3, 0, 0, 0, 2, bits, 3, 0, 0, 0}));
    std::string plte;
    for (std::uint32_t j = 0; j < entries; ++j) {
        const Rgb color = j < kFiveColors.size() ? kFiveColors[j] : Rgb{};
        plte += {static_cast<char>(color.red), static_cast<char>(color.green),
                 static_cast<char>(color.blue)};
    }
    EXPECT_EQ(chunks[1].second, plte);
}

class EveryKind : public testing::TestWithParam<KindCase> {};

// Every kind at both depths in both formats: the fields each format fixes, the palette
// (the list, then zeros) and every pixel remapped in its place.
TEST_P(EveryKind, IsWrittenAtEachDepthInEachFormat) {
    const KindCase& c = GetParam();
    for (const int depth : {16, 256}) {
        for (const ImageFormat format : {ImageFormat::Bmp, ImageFormat::Png}) {
            SCOPED_TRACE(testing::Message() << depth << " " << ExtensionOf(format));
            const Written w = Write(c.input, kFiveColors, depth, KindMap(), format);
            ASSERT_EQ(w.error, Msg::None);
            const auto entries = static_cast<std::uint32_t>(depth);
            if (format == ImageFormat::Bmp) {
                ExpectBmpHeaders(w.bytes, c, entries);
            } else {
                ExpectPngChunks(w.bytes, entries);
            }
            EXPECT_EQ(ReadBack(w.bytes),
                      std::vector<std::uint8_t>(c.pixels.begin(), c.pixels.end()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, testing::ValuesIn(KindCases()),
                         [](const testing::TestParamInfo<KindCase>& info) {
                             return std::string(info.param.name);
                         });

// Height 0 gives a bitmap of headers and color table only.
TEST(WriteBitmap, HeightZeroIsHeaderOnly) {
    for (int depth : {16, 256}) {
        const Written w = Write(BmpBuilder(9, 0, 24).Bytes(), Grays(3), depth, IdentityMap());
        ASSERT_EQ(w.error, Msg::None);
        const std::size_t size = 54 + 4 * static_cast<std::size_t>(depth);
        EXPECT_EQ(w.bytes.size(), size);
        EXPECT_EQ(readU32le(w.bytes, 2), size);
        EXPECT_EQ(readU32le(w.bytes, 34), 0u);
        // A PNG image has at least one row: nothing is written.
        const Written png =
            Write(BmpBuilder(9, 0, 24).Bytes(), Grays(3), depth, IdentityMap(), ImageFormat::Png);
        EXPECT_EQ(png.error, Msg::Unsupported);
        EXPECT_TRUE(png.bytes.empty());
    }
}

TEST(WriteBitmap, RefusesWhatTheAnalyserRefuses) {
    Bytes truncated = BmpBuilder(4, 2, 8).DistinctPalette(4).Bytes();
    truncated.pop_back();
    Bytes notBitmap = truncated;
    notBitmap[0] = 'X';
    std::vector<std::uint32_t> many(257);
    std::iota(many.begin(), many.end(), 0);
    const struct {
        const char* name;
        Bytes input;
        Msg expected;
    } cases[] = {
        {"Short", Bytes(10, 'B'), Msg::InvalidData},
        {"NotBitmap", notBitmap, Msg::NotBitmap},
        {"OffBits14", BmpBuilder(4, 2, 8).OffBits(14).Bytes(), Msg::InvalidData},
        {"Jpeg", BmpBuilder(4, 2, 24).Compression(4).Bytes(), Msg::Unsupported},
        {"RleRunPastRow", BmpBuilder(4, 2, 8).Compression(1).Data({5, 1}).Bytes(), Msg::ReadError},
        {"Info64Short", BmpBuilder(4, 2, 8).InfoSize(64).OffBits(14 + 63).Bytes(),
         Msg::InvalidData},
        {"NegativeWidth", BmpBuilder(-4, 2, 8).Bytes(), Msg::Unsupported},
        {"Truncated", truncated, Msg::ReadError},
        {"WidthZero", BmpBuilder(0, 2, 8).Bytes(), Msg::InvalidData},
        // A 24-bit file that gained a 257th color since its analysis.
        {"GainedColor", BmpBuilder(257, 1, 24).Pixels(many).Bytes(), Msg::FullColorOverflow},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Write(c.input, Grays(16), 16, IdentityMap()).error, c.expected) << c.name;
    }
}

// A buffer that takes `limit` bytes and refuses the rest, like a full disk.
class LimitedBuf : public std::stringbuf {
  public:
    explicit LimitedBuf(std::streamsize limit) : limit_(limit) {}

  protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::streamsize at = pptr() - pbase();
        if (at + n > limit_) return 0;
        return std::stringbuf::xsputn(s, n);
    }

  private:
    std::streamsize limit_;
};

TEST(WriteBitmap, FailedWritesGive229) {
    const Bytes input = BmpBuilder(8, 40, 8).DistinctPalette(4).Bytes();
    for (std::streamsize limit : {0, 14, 100, 1078, 1078 + 8 * 39}) {
        std::istringstream in(std::string(input.begin(), input.end()));
        LimitedBuf buf(limit);
        std::ostream out(&buf);
        EXPECT_EQ(WriteBitmap(in, out, OutputPalette{Grays(4), 256}, IdentityMap()),
                  Msg::WriteError)
            << limit;
    }
}

// A read-only stream of `size` bytes: the given head, then zeros. It stands for an input
// file too large to make in a test; only the bytes asked for are produced.
class VirtualFileBuf : public std::streambuf {
  public:
    VirtualFileBuf(Bytes head, std::uint64_t size) : head_(std::move(head)), size_(size) {}

  protected:
    int_type underflow() override {
        if (pos_ >= size_) return traits_type::eof();
        chunk_ = pos_ < head_.size() ? static_cast<char>(head_[pos_]) : '\0';
        setg(&chunk_, &chunk_, &chunk_ + 1);
        return traits_type::to_int_type(chunk_);
    }
    int_type uflow() override {
        const int_type c = underflow();
        if (c != traits_type::eof()) ++pos_;
        setg(nullptr, nullptr, nullptr);
        return c;
    }
    std::streamsize xsgetn(char* s, std::streamsize n) override {
        std::streamsize done = 0;
        for (; done < n && pos_ < size_; ++done, ++pos_)
            s[done] = pos_ < head_.size() ? static_cast<char>(head_[pos_]) : '\0';
        return done;
    }
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        const auto base = static_cast<off_type>(dir == std::ios_base::beg   ? 0
                                                : dir == std::ios_base::end ? size_
                                                                            : pos_);
        setg(nullptr, nullptr, nullptr);
        pos_ = static_cast<std::uint64_t>(base + off);
        return static_cast<pos_type>(pos_);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }

  private:
    Bytes head_;
    std::uint64_t size_;
    std::uint64_t pos_ = 0;
    char chunk_ = 0;
};

// An output whose size would not fit the 32-bit size fields is refused before anything is
// written, for an 8-bit input of 65536 x 65537 pixels (a little over 4 GiB of rows): the
// reader's pixel limit refuses it before the writer's own size check.
TEST(WriteBitmap, OutputsOfFourGigabytesAreRefusedUnwritten) {
    const Bytes header = BmpBuilder(1, 1, 8).DistinctPalette(256).Bytes();
    Bytes head(header.begin(), header.begin() + 14 + 40 + 1024);
    writeU32le(head, 18, 65536);
    writeU32le(head, 22, 65537);
    VirtualFileBuf buf(head, head.size() + std::uint64_t{65536} * 65537);
    std::istream in(&buf);
    std::ostringstream out;
    EXPECT_EQ(WriteBitmap(in, out, OutputPalette{Grays(4), 256}, IdentityMap()), Msg::Unsupported);
    EXPECT_TRUE(out.str().empty());
    // The largest image the reader takes: the writer starts, and here stops at an output
    // that is full.
    writeU32le(head, 18, 8192);
    writeU32le(head, 22, 8192);
    VirtualFileBuf fits(head, head.size() + std::uint64_t{8192} * 8192);
    std::istream fitsIn(&fits);
    LimitedBuf full(2000);
    std::ostream fullOut(&full);
    EXPECT_EQ(WriteBitmap(fitsIn, fullOut, OutputPalette{Grays(4), 256}, IdentityMap()),
              Msg::WriteError);
}

// Analyse, write, read the output back: every pixel keeps its color and place, in a bitmap
// and in a PNG image alike.
TEST(WriteBitmap, RoundTripKeepsEveryPixel) {
    std::vector<std::uint32_t> rgb256;
    for (std::uint32_t i = 0; i < 256 * 3; ++i)
        rgb256.push_back((i % 256) * 0x010301 + 5);
    std::vector<std::uint32_t> ramp(7 * 5);
    std::iota(ramp.begin(), ramp.end(), 0);
    for (auto& p : ramp)
        p %= 16;
    // Rows of 4 bytes: more than one 64 KiB block of them.
    std::vector<std::uint32_t> tall(3 * 20000);
    for (std::size_t i = 0; i < tall.size(); ++i)
        tall[i] = static_cast<std::uint32_t>((i * 7 + i / 3) % 16);
    const struct {
        const char* name;
        Bytes input;
    } cases[] = {
        {"Paletted8", BmpBuilder(7, 5, 8).DistinctPalette(16).Pixels(ramp).Bytes()},
        {"Paletted4Odd", BmpBuilder(7, 5, 4).DistinctPalette(16).Pixels(ramp).Bytes()},
        {"TopDown4", BmpBuilder(7, -5, 4).DistinctPalette(16).Pixels(ramp).Bytes()},
        {"Core8", BmpBuilder(7, 5, 8).InfoSize(12).DistinctPalette(16).Pixels(ramp).Bytes()},
        {"V4Header8", BmpBuilder(7, 5, 8).InfoSize(108).DistinctPalette(16).Pixels(ramp).Bytes()},
        {"Rgb24Few",
         BmpBuilder(5, 2, 24).Pixels({kRed, kGreen, kRed, kBlue, 0, 0, 1, 2, 3, kRed}).Bytes()},
        {"Rgb24Full", BmpBuilder(256, -3, 24).Pixels(rgb256).Bytes()},
        {"TallBottomUp", BmpBuilder(3, 20000, 8).DistinctPalette(16).Pixels(tall).Bytes()},
        {"TallTopDown", BmpBuilder(3, -20000, 8).DistinctPalette(16).Pixels(tall).Bytes()},
    };
    for (const auto& c : cases) {
        ColorTable table;
        IndexMap indexMap{};
        IndexCounts counts{};
        PaletteSettings settings;
        std::istringstream in(std::string(c.input.begin(), c.input.end()));
        ASSERT_EQ(AnalyseBitmap(in, settings, table, indexMap, counts), Msg::None) << c.name;
        const std::vector<Rgb> palette = table.Palette();
        for (int depth : {16, 256}) {
            if (table.ColorCount() > depth) continue;
            const Written w = Write(c.input, palette, depth, table.BuildOutputIndexMap(indexMap));
            ASSERT_EQ(w.error, Msg::None) << c.name << " " << depth;
            std::istringstream back(std::string(w.bytes.begin(), w.bytes.end()));
            EXPECT_EQ(ScanBitmap(back).error, Msg::None) << c.name << " " << depth;
            const auto original = DecodeBmp(c.input);
            const auto output = DecodeBmp(w.bytes);
            ASSERT_TRUE(original.ok && output.ok) << c.name << " " << depth;
            EXPECT_EQ(output.height, original.height) << c.name;
            EXPECT_EQ(output.bitCount, depth == 16 ? 4 : 8) << c.name;
            EXPECT_TRUE(output.pixels == original.pixels) << c.name << " " << depth;
            // The same image as PNG, top row first whatever the input's order.
            const Written png = Write(c.input, palette, depth, table.BuildOutputIndexMap(indexMap),
                                      ImageFormat::Png);
            ASSERT_EQ(png.error, Msg::None) << c.name << " " << depth;
            EXPECT_TRUE(ReadBack(png.bytes) == ReadBack(w.bytes)) << c.name << " " << depth;
        }
    }
}

}  // namespace
}  // namespace tintwell
