#include "bitmap/image_deflate.h"

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
    ImageDeflater deflater(rowBytes);
    Bytes out;
    const auto take = [&] {
        out.insert(out.end(), deflater.Output().begin(), deflater.Output().end());
        deflater.Output().clear();
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

std::size_t ZlibSize(const Bytes& input, int level) {
    Bytes out(compressBound(static_cast<uLong>(input.size())));
    auto size = static_cast<uLongf>(out.size());
    compress2(out.data(), &size, input.data(), static_cast<uLong>(input.size()), level);
    return size;
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

TEST(ImageDeflater, SpriteRowsCompressBetterThanZlibAtItsDefaultLevel) {
    std::mt19937 random(11);
    const Bytes rows = TileRows(1024, 512, 50, random);
    EXPECT_LT(Deflate(rows, 1025, 1025).size(), ZlibSize(rows, Z_DEFAULT_COMPRESSION));
}

}  // namespace
}  // namespace tintwell
