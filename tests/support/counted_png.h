#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tintwell::test {

// A PNG file made here, without the codec under test: IHDR, PLTE for an indexed image, one
// IDAT whose zlib stream holds stored (uncompressed) deflate blocks, IEND. Every row starts
// with filter byte 0 (none); 8 bits a sample.
class PngBuilder {
  public:
    enum ColorType : std::uint8_t { Rgb = 2, Indexed = 3 };

    PngBuilder(int width, int height, ColorType type)
        : width_(width), height_(height), type_(type) {}

    // The PLTE entries as 0xRRGGBB.
    PngBuilder& Palette(const std::vector<std::uint32_t>& colors) {
        palette_ = colors;
        return *this;
    }
    // The pixels, row by row from the top: palette indices, or 0xRRGGBB for an RGB image.
    PngBuilder& Pixels(const std::vector<std::uint32_t>& pixels) {
        pixels_ = pixels;
        return *this;
    }

    [[nodiscard]] std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        std::vector<std::uint8_t> header;
        Put32(header, static_cast<std::uint32_t>(width_));
        Put32(header, static_cast<std::uint32_t>(height_));
        header.insert(header.end(), {8, type_, 0, 0, 0});
        Chunk(png, "IHDR", header);
        if (type_ == Indexed) {
            std::vector<std::uint8_t> plte;
            for (std::uint32_t c : palette_)
                plte.insert(plte.end(), {Byte(c >> 16), Byte(c >> 8), Byte(c)});
            Chunk(png, "PLTE", plte);
        }
        Chunk(png, "IDAT", Zlib(RawRows()));
        Chunk(png, "IEND", {});
        return png;
    }

  private:
    static std::uint8_t Byte(std::uint32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

    static void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
        out.insert(out.end(), {Byte(v >> 24), Byte(v >> 16), Byte(v >> 8), Byte(v)});
    }

    // The CRC-32 of the PNG format (and of zip), bit by bit: the files here are small.
    static std::uint32_t Crc(const std::vector<std::uint8_t>& bytes, std::size_t from) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (std::size_t i = from; i < bytes.size(); ++i) {
            crc ^= bytes[i];
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return crc ^ 0xFFFFFFFFu;
    }

    // Length, type, data, then the CRC of type and data.
    static void Chunk(std::vector<std::uint8_t>& png, std::string_view type,
                      const std::vector<std::uint8_t>& data) {
        Put32(png, static_cast<std::uint32_t>(data.size()));
        std::vector<std::uint8_t> body(type.begin(), type.end());
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        Put32(png, Crc(body, 0));
    }

    std::vector<std::uint8_t> RawRows() const {
        std::vector<std::uint8_t> raw;
        for (int y = 0; y < height_; ++y) {
            raw.push_back(0);
            for (int x = 0; x < width_; ++x) {
                const std::uint32_t p = pixels_.at(static_cast<std::size_t>(y * width_ + x));
                if (type_ == Indexed) {
                    raw.push_back(Byte(p));
                } else {
                    raw.insert(raw.end(), {Byte(p >> 16), Byte(p >> 8), Byte(p)});
                }
            }
        }
        return raw;
    }

    // A zlib stream of stored blocks (at most 65535 bytes each) and its Adler-32.
    static std::vector<std::uint8_t> Zlib(const std::vector<std::uint8_t>& raw) {
        std::vector<std::uint8_t> z = {0x78, 0x01};
        std::size_t at = 0;
        do {
            const std::size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
            const auto len = static_cast<std::uint16_t>(n);
            z.insert(z.end(), {Byte(at + n == raw.size() ? 1 : 0), Byte(len), Byte(len >> 8),
                               Byte(~len), Byte(static_cast<std::uint16_t>(~len) >> 8)});
            z.insert(z.end(), raw.begin() + static_cast<long>(at),
                     raw.begin() + static_cast<long>(at + n));
            at += n;
        } while (at < raw.size());
        std::uint32_t a = 1, b = 0;
        for (std::uint8_t byte : raw) {
            a = (a + byte) % 65521;
            b = (b + a) % 65521;
        }
        Put32(z, b << 16 | a);
        return z;
    }

    int width_;
    int height_;
    ColorType type_;
    std::vector<std::uint32_t> palette_;
    std::vector<std::uint32_t> pixels_;
};

// A PNG of one row whose color i is used by counts[i] pixels, as CountedBitmap makes a
// bitmap: indexed with `colors` as its palette, or RGB with the colors in its pixels.
inline std::vector<std::uint8_t> CountedPng(const std::vector<std::uint32_t>& colors,
                                            const std::vector<int>& counts, bool indexed = true) {
    std::vector<std::uint32_t> pixels;
    for (std::size_t i = 0; i < counts.size(); ++i)
        pixels.insert(pixels.end(), static_cast<std::size_t>(counts[i]),
                      indexed ? static_cast<std::uint32_t>(i) : colors[i]);
    const int width = static_cast<int>(pixels.size());
    if (!indexed) return PngBuilder(width, 1, PngBuilder::Rgb).Pixels(pixels).Bytes();
    return PngBuilder(width, 1, PngBuilder::Indexed).Palette(colors).Pixels(pixels).Bytes();
}

// The chunks of a PNG file by type, in order, with their data (none when the file is no PNG).
inline std::vector<std::pair<std::string, std::string>> PngChunks(std::string_view png) {
    std::vector<std::pair<std::string, std::string>> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(png[at + k]); };
        const std::size_t length =
            static_cast<std::size_t>(byte(0)) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
        if (at + 12 + length > png.size()) break;
        chunks.emplace_back(png.substr(at + 4, 4), png.substr(at + 8, length));
        at += 12 + length;
    }
    return chunks;
}

}  // namespace tintwell::test
