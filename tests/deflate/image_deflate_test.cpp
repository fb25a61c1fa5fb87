#include "deflate/image_deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace tintwell {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Compresses `input`, handed over in pieces of `piece` bytes (0: all at once).
Bytes Deflate(const Bytes& input, std::size_t rowBytes, std::size_t piece) {
    deflate::ImageDeflater deflater(rowBytes);
    Bytes out;
    const auto take = [&] {
        const Bytes more = deflater.TakeOutput();
        out.insert(out.end(), more.begin(), more.end());
    };
    const std::size_t step = piece == 0 ? std::max<std::size_t>(input.size(), 1) : piece;
    for (std::size_t at = 0; at < input.size(); at += step) {
        deflater.Add(input.data() + at, std::min(step, input.size() - at));
        take();
    }
    deflater.Finish();
    take();
    return out;
}

// zlib's own inflate: the whole stream, checksum included, and nothing after it.
bool Inflates(const Bytes& stream, const Bytes& expected) {
    Bytes back(expected.size() + 1);
    auto size = static_cast<uLongf>(back.size());
    if (uncompress(back.data(), &size, stream.data(), static_cast<uLong>(stream.size())) != Z_OK) {
        return false;
    }
    back.resize(size);
    return back == expected;
}

// Rows of `width` indices with a filter-type byte before each: 8 x 8 tiles of one index
// from `colors`, and one pixel in fifty replaced at random, as in sprite sheets.
Bytes TileRows(std::size_t width, std::size_t height, int colors, std::mt19937& random) {
    std::vector<std::uint8_t> tiles((width / 8 + 1) * (height / 8 + 1));
    for (std::uint8_t& t : tiles)
        t = static_cast<std::uint8_t>(random() % colors);
    Bytes rows;
    for (std::size_t y = 0; y < height; ++y) {
        rows.push_back(0);
        for (std::size_t x = 0; x < width; ++x) {
            const bool speck = random() % 50 == 0;
            rows.push_back(speck ? static_cast<std::uint8_t>(random() % colors)
                                 : tiles[(y / 8) * (width / 8 + 1) + x / 8]);
        }
    }
    return rows;
}

// Literals whose counts grow like the Fibonacci numbers, shuffled: an optimal Huffman code
// for them is deeper than the 15 bits deflate allows.
Bytes FibonacciLiterals(std::mt19937& random) {
    Bytes bytes;
    std::uint32_t a = 1;
    std::uint32_t b = 1;
    for (int symbol = 0; symbol < 26; ++symbol) {
        bytes.insert(bytes.end(), a, static_cast<std::uint8_t>(symbol * 9));
        b = std::exchange(a, a + b);
    }
    std::shuffle(bytes.begin(), bytes.end(), random);
    return bytes;
}

TEST(ImageDeflater, EveryInputInflatesToItselfThroughZlib) {
    std::mt19937 random(7);
    Bytes noise(200000);
    for (std::uint8_t& v : noise)
        v = static_cast<std::uint8_t>(random());
    struct Case {
        std::string name;
        Bytes input;
        std::size_t rowBytes;
    };
    const std::vector<Case> cases{
        {"nothing", {}, 1},
        {"one byte", {42}, 2},
        {"two symbols alternating", Bytes(5000, 'a'), 4},
        {"one index everywhere, many blocks", Bytes(3 << 20, 0), 1025},
        {"sprite rows", TileRows(640, 480, 48, random), 641},
        {"rows wider than the window", TileRows(40000, 24, 200, random), 40001},
        {"4-bit rows of one byte", TileRows(1, 300, 16, random), 2},
        {"noise, stored", noise, 1001},
        {"codes deeper than 15 bits", FibonacciLiterals(random), 100},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {std::size_t{0}, c.rowBytes, std::size_t{7}}) {
            const Bytes stream = Deflate(c.input, c.rowBytes, piece);
            EXPECT_TRUE(Inflates(stream, c.input)) << c.name << ", pieces of " << piece;
        }
    }
    // Noise cannot be compressed; stored blocks keep it within zlib's own bound.
    EXPECT_LE(Deflate(noise, 1001, 0).size(), compressBound(static_cast<uLong>(noise.size())));
}

// The type of every block of a zlib stream (0 stored, 1 fixed, 2 dynamic) as far as the
// walk can go: past stored blocks, up to and including the first compressed one.
std::vector<unsigned> BlockTypes(const Bytes& stream) {
    std::vector<unsigned> types;
    std::size_t bit = 16;  // after CMF and FLG
    const auto take = [&](int count) {
        unsigned v = 0;
        for (int i = 0; i < count && bit / 8 < stream.size(); ++i, ++bit)
            v |= ((stream[bit / 8] >> (bit % 8)) & 1u) << i;
        return v;
    };
    for (bool last = false; !last && bit / 8 < stream.size();) {
        last = take(1) != 0;
        types.push_back(take(2));
        if (types.back() != 0) break;
        const std::size_t at = (bit + 7) / 8;
        if (at + 4 > stream.size()) break;
        bit = 8 * (at + 4 + (stream[at] | std::size_t{stream[at + 1]} << 8));
    }
    return types;
}

// Bytes that no match can shorten give stored blocks, runs give dynamic ones; both inflate.
TEST(ImageDeflater, ChoosesStoredBlocksForNoiseAndCodedBlocksForRuns) {
    std::mt19937 random(3);
    Bytes noise(150000);
    for (std::uint8_t& v : noise)
        v = static_cast<std::uint8_t>(random());
    const Bytes stored = Deflate(noise, 1001, 1001);
    EXPECT_TRUE(Inflates(stored, noise));
    // A block ends after 16,384 symbols, here as many literals: 10 blocks, all stored.
    EXPECT_EQ(BlockTypes(stored), std::vector<unsigned>(10, 0));
    // Zlib header, 10 x (block header byte, LEN, NLEN), the bytes, Adler-32.
    EXPECT_EQ(stored.size(), 2 + 10 * 5 + noise.size() + 4);

    const Bytes runs = TileRows(256, 64, 4, random);
    const Bytes coded = Deflate(runs, 257, 257);
    EXPECT_TRUE(Inflates(coded, runs));
    EXPECT_EQ(BlockTypes(coded), std::vector<unsigned>{2});
}

// Gradient rows with a little noise, like a dithered photograph numbered by a palette.
Bytes GradientRows(std::size_t width, std::size_t height, std::mt19937& random) {
    Bytes rows;
    for (std::size_t y = 0; y < height; ++y) {
        rows.push_back(0);
        for (std::size_t x = 0; x < width; ++x)
            rows.push_back(static_cast<std::uint8_t>(x / 4 + y / 4 + random() % 4));
    }
    return rows;
}

// The encoder's exact output on fixed inputs, fed row by row as the PNG writer feeds it, so
// that a change of its choices shows here (update the sizes when a change is meant).
TEST(ImageDeflater, WritesTheRecordedSizesOnFixedInputs) {
    std::mt19937 random(11);
    struct Case {
        const char* name;
        Bytes rows;
        std::size_t rowBytes;
        std::size_t size;
    };
    const Case cases[] = {
        {"sprite rows, 50 indices", TileRows(1024, 512, 50, random), 1025, 52724},
        {"sprite rows, 16 indices", TileRows(512, 256, 16, random), 513, 11041},
        {"one index", Bytes(1025 * 300, 0), 1025, 320},
        {"gradient with noise", GradientRows(640, 480, random), 641, 179916},
    };
    for (const Case& c : cases) {
        const Bytes stream = Deflate(c.rows, c.rowBytes, c.rowBytes);
        EXPECT_TRUE(Inflates(stream, c.rows)) << c.name;
        EXPECT_EQ(stream.size(), c.size) << c.name;
    }
}

}  // namespace
}  // namespace tintwell
