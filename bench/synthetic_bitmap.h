#pragma once

#include <cstdint>
#include <span>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bitmap/bmp_header.h"
#include "bitmap/byte_io.h"
#include "palette/color.h"

// Bitmaps made up in memory for the benchmarks, the batch workload and the sample files.
namespace tintwell::synthetic {

// SplitMix64. The standard distributions differ between libraries, so the generators use
// this fixed sequence and give the same files on every machine.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, n); n is small, so the modulo's bias does not matter here.
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

    template <class T>
    void Shuffle(std::vector<T>& items) {
        for (std::size_t i = items.size(); i > 1; --i) {
            std::swap(items[i - 1], items[Below(static_cast<std::uint32_t>(i))]);
        }
    }

  private:
    std::uint64_t state_;
};

[[nodiscard]] constexpr std::uint32_t Pack(Rgb c) {
    return (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
}

[[nodiscard]] constexpr Rgb Unpack(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

// `count` different colors, drawn at random.
[[nodiscard]] inline std::vector<Rgb> DistinctColors(int count, Random& random) {
    std::vector<Rgb> colors;
    std::unordered_set<std::uint32_t> seen;
    while (static_cast<int>(colors.size()) < count) {
        const auto v = static_cast<std::uint32_t>(random.Next() & 0xFFFFFF);
        if (seen.insert(v).second) colors.push_back(Unpack(v));
    }
    return colors;
}

// An image before encoding. Pixels run left to right, rows top to bottom, whatever order
// the file stores them in: a palette index for 4- and 8-bit images, 0xRRGGBB for 24-bit.
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 8;
    bool topDown = false;      // stored with a negative height, first row first
    std::vector<Rgb> palette;  // the color table of 4- and 8-bit images
    std::vector<std::uint32_t> pixels;
};

// Values laid out in `tile` x `tile` squares of one value each, then `noise` of the pixels
// (a fraction) replaced one by one. The first squares take every value of `tileValues`
// once, so all of them occur; the rest, and the noise, are drawn at random.
[[nodiscard]] inline std::vector<std::uint32_t> TiledWithNoise(
    int width, int height, int tile, std::span<const std::uint32_t> tileValues,
    std::span<const std::uint32_t> noiseValues, double noise, Random& random) {
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    std::vector<std::uint32_t> pixels(w * h);
    const int tilesAcross = (width + tile - 1) / tile;
    const int tilesDown = (height + tile - 1) / tile;
    for (int ty = 0; ty < tilesDown; ++ty) {
        for (int tx = 0; tx < tilesAcross; ++tx) {
            const auto n = static_cast<std::size_t>(ty * tilesAcross + tx);
            const std::uint32_t value =
                n < tileValues.size()
                    ? tileValues[n]
                    : tileValues[random.Below(static_cast<std::uint32_t>(tileValues.size()))];
            for (int y = ty * tile; y < (ty + 1) * tile && y < height; ++y) {
                for (int x = tx * tile; x < (tx + 1) * tile && x < width; ++x) {
                    pixels[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = value;
                }
            }
        }
    }
    const auto specks = static_cast<std::size_t>(static_cast<double>(w * h) * noise);
    for (std::size_t i = 0; i < specks; ++i) {
        const std::size_t at = static_cast<std::size_t>(random.Next() % (w * h));
        pixels[at] = noiseValues[random.Below(static_cast<std::uint32_t>(noiseValues.size()))];
    }
    return pixels;
}

// The bytes of an uncompressed bitmap: 14-byte file header, 40-byte information header
// (colors used = palette entries written), the color table, then rows padded to 4 bytes,
// bottom row first unless the picture is top-down.
[[nodiscard]] inline std::vector<std::uint8_t> EncodeBmp(const Picture& picture) {
    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);
    const auto stride = static_cast<std::size_t>(RowStride(picture.width, picture.bitCount));
    const std::size_t entries = picture.bitCount == 24 ? 0 : picture.palette.size();
    const std::size_t offBits = kFileHeaderSize + kInfoHeaderSize + 4 * entries;
    std::vector<std::uint8_t> b(offBits + stride * height, 0);

    b[0] = 'B';
    b[1] = 'M';
    writeU32le(b, 2, static_cast<std::uint32_t>(b.size()));
    writeU32le(b, 10, static_cast<std::uint32_t>(offBits));
    writeU32le(b, 14, kInfoHeaderSize);
    writeU32le(b, 18, static_cast<std::uint32_t>(picture.width));
    const std::int32_t storedHeight = picture.topDown ? -picture.height : picture.height;
    writeU32le(b, 22, static_cast<std::uint32_t>(storedHeight));
    writeU16le(b, 26, 1);
    writeU16le(b, 28, picture.bitCount);
    writeU32le(b, 34, static_cast<std::uint32_t>(stride * height));
    writeU32le(b, 38, 2835);  // 72 dots per inch
    writeU32le(b, 42, 2835);
    writeU32le(b, 46, static_cast<std::uint32_t>(entries));

    std::size_t at = kFileHeaderSize + kInfoHeaderSize;
    for (std::size_t i = 0; i < entries; ++i) {
        b[at++] = picture.palette[i].blue;
        b[at++] = picture.palette[i].green;
        b[at++] = picture.palette[i].red;
        b[at++] = 0;
    }

    for (std::size_t row = 0; row < height; ++row) {
        const std::size_t y = picture.topDown ? row : height - 1 - row;
        const std::uint32_t* in = picture.pixels.data() + y * width;
        std::uint8_t* out = b.data() + offBits + row * stride;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t v = in[x];
            switch (picture.bitCount) {
                case 24:
                    out[3 * x] = static_cast<std::uint8_t>(v);
                    out[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    out[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
                    break;
                case 8:
                    out[x] = static_cast<std::uint8_t>(v);
                    break;
                case 4:
                    // The left pixel of a pair sits in the high nibble.
                    out[x / 2] |=
                        static_cast<std::uint8_t>(x % 2 == 0 ? (v & 0x0F) << 4 : (v & 0x0F));
                    break;
                default:
                    break;
            }
        }
    }
    return b;
}

}  // namespace tintwell::synthetic
