#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bitmap/bmp_header.h"
#include "bitmap/byte_io.h"
#include "palette/color.h"

namespace tintwell::test {

// Builds BMP file bytes field by field, with offsets fixed up, so a test can say what it
// breaks: `BmpBuilder(4, 2, 8).Palette(colors).Pixels(indices).Height(-2).Bytes()`.
//
// Pixels are given as one value per pixel, rows in stored order (first stored row first):
// a palette index for 1-, 2-, 4- and 8-bit images, 0xRRGGBB for 24-bit images, the stored
// 16- or 32-bit value otherwise. Run-length data is given whole with Data().
class BmpBuilder {
  public:
    BmpBuilder(std::int32_t width, std::int32_t height, std::uint16_t bitCount)
        : width_(width), height_(height), bitCount_(bitCount) {}

    BmpBuilder& Width(std::int32_t v) {
        width_ = v;
        return *this;
    }
    BmpBuilder& Height(std::int32_t v) {
        height_ = v;
        return *this;
    }
    BmpBuilder& BitCount(std::uint16_t v) {
        bitCount_ = v;
        return *this;
    }
    BmpBuilder& Compression(std::uint32_t v) {
        compression_ = v;
        return *this;
    }
    BmpBuilder& Planes(std::uint16_t v) {
        planes_ = v;
        return *this;
    }
    BmpBuilder& InfoSize(std::uint32_t v) {
        infoSize_ = v;
        return *this;
    }
    BmpBuilder& Reserved(std::uint16_t r1, std::uint16_t r2) {
        reserved1_ = r1;
        reserved2_ = r2;
        return *this;
    }
    BmpBuilder& Resolution(std::int32_t x, std::int32_t y) {
        xPels_ = x;
        yPels_ = y;
        return *this;
    }
    // Color-table entries written behind the information header.
    BmpBuilder& Palette(std::vector<ColorQuad> colors) {
        palette_ = std::move(colors);
        return *this;
    }
    // Palette of `n` distinct gray-ish colors: entry i = (i, 255 - i, i / 2).
    BmpBuilder& DistinctPalette(int n) {
        palette_.clear();
        for (int i = 0; i < n; ++i) {
            palette_.push_back(ColorQuad{static_cast<std::uint8_t>(i / 2),
                                         static_cast<std::uint8_t>(255 - i),
                                         static_cast<std::uint8_t>(i), 0});
        }
        return *this;
    }
    // Bit-field masks: behind a 40-byte header (three, or four with an alpha mask when
    // the compression is 6), inside a longer one.
    BmpBuilder& Masks(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a = 0) {
        masks_ = {r, g, b, a};
        return *this;
    }
    // The pixel data as stored, instead of rows made from Pixels().
    BmpBuilder& Data(std::vector<std::uint8_t> bytes) {
        data_ = std::move(bytes);
        return *this;
    }
    BmpBuilder& Pixels(std::vector<std::uint32_t> values) {
        pixels_ = std::move(values);
        return *this;
    }
    // Fill byte of row padding.
    BmpBuilder& PadByte(std::uint8_t v) {
        pad_ = v;
        return *this;
    }
    // Extra bytes between the color table and the pixel rows.
    BmpBuilder& Gap(std::size_t n) {
        gap_ = n;
        return *this;
    }
    // Forces bfOffBits instead of computing it.
    BmpBuilder& OffBits(std::uint32_t v) {
        offBits_ = v;
        forceOffBits_ = true;
        return *this;
    }

    [[nodiscard]] std::uint32_t ComputedOffBits() const {
        const std::size_t entry = infoSize_ == kCoreHeaderSize ? 3 : 4;
        return static_cast<std::uint32_t>(kFileHeaderSize + infoSize_ + MasksBehind() +
                                          entry * palette_.size() + gap_);
    }

    [[nodiscard]] std::vector<std::uint8_t> Bytes() const {
        const bool core = infoSize_ == kCoreHeaderSize;
        const std::uint32_t offBits = forceOffBits_ ? offBits_ : ComputedOffBits();
        // Room for the size field even when a test claims a smaller header.
        std::vector<std::uint8_t> b(kFileHeaderSize + std::max<std::uint32_t>(infoSize_, 4), 0);
        b[0] = 'B';
        b[1] = 'M';
        writeU16le(b, 6, reserved1_);
        writeU16le(b, 8, reserved2_);
        writeU32le(b, 10, offBits);
        writeU32le(b, 14, infoSize_);
        if (core) {
            writeU16le(b, 18, static_cast<std::uint16_t>(width_));
            writeU16le(b, 20, static_cast<std::uint16_t>(height_));
            writeU16le(b, 22, planes_);
            writeU16le(b, 24, bitCount_);
        } else if (infoSize_ >= 16) {
            writeU32le(b, 18, static_cast<std::uint32_t>(width_));
            writeU32le(b, 22, static_cast<std::uint32_t>(height_));
            writeU16le(b, 26, planes_);
            writeU16le(b, 28, bitCount_);
            if (infoSize_ >= 20) writeU32le(b, 30, compression_);
            if (infoSize_ >= 40) {
                writeU32le(b, 38, static_cast<std::uint32_t>(xPels_));
                writeU32le(b, 42, static_cast<std::uint32_t>(yPels_));
                writeU32le(b, 46, static_cast<std::uint32_t>(palette_.size()));
            }
            if (masks_ && infoSize_ >= 52) {
                for (std::uint32_t i = 0; i < (infoSize_ >= 56 ? 4u : 3u); ++i)
                    writeU32le(b, 54 + 4 * i, (*masks_)[i]);
            }
        }
        for (std::size_t i = 0; i < MasksBehind() / 4; ++i) {
            b.resize(b.size() + 4);
            writeU32le(b, b.size() - 4, (*masks_)[i]);
        }
        for (const ColorQuad& c : palette_) {
            b.push_back(c.blue);
            b.push_back(c.green);
            b.push_back(c.red);
            if (!core) b.push_back(c.reserved);
        }
        b.resize(b.size() + gap_, 0);
        if (forceOffBits_) b.resize(offBits, 0);
        if (data_) {
            b.insert(b.end(), data_->begin(), data_->end());
        } else {
            AppendRows(b);
        }
        const auto size = static_cast<std::uint32_t>(b.size());
        writeU32le(b, 2, size);
        return b;
    }

    [[nodiscard]] std::string String() const {
        const auto b = Bytes();
        return std::string(b.begin(), b.end());
    }

  private:
    std::size_t MasksBehind() const {
        if (!masks_ || infoSize_ != kInfoHeaderSize) return 0;
        return compression_ == 6 ? 16 : 12;
    }

    void AppendRows(std::vector<std::uint8_t>& b) const {
        if (width_ <= 0) return;
        const std::size_t rows =
            static_cast<std::size_t>(height_ < 0 ? -static_cast<std::int64_t>(height_) : height_);
        const std::size_t w = static_cast<std::size_t>(width_);
        const std::size_t stride = static_cast<std::size_t>(RowStride(width_, bitCount_));
        for (std::size_t y = 0; y < rows; ++y) {
            std::vector<std::uint8_t> row(stride, pad_);
            for (std::size_t x = 0; x < w; ++x) {
                const std::size_t i = y * w + x;
                const std::uint32_t v = i < pixels_.size() ? pixels_[i] : 0;
                switch (bitCount_) {
                    case 24:
                        row[3 * x] = static_cast<std::uint8_t>(v);
                        row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                        row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
                        break;
                    case 8:
                        row[x] = static_cast<std::uint8_t>(v);
                        break;
                    case 16:
                        writeU16le(row, 2 * x, static_cast<std::uint16_t>(v));
                        break;
                    case 32:
                        writeU32le(row, 4 * x, v);
                        break;
                    case 1:
                    case 2: {
                        const unsigned per = 8u / bitCount_;
                        const unsigned shift =
                            8u - bitCount_ * (1u + static_cast<unsigned>(x % per));
                        row[x / per] = static_cast<std::uint8_t>(
                            row[x / per] | ((v & ((1u << bitCount_) - 1)) << shift));
                        break;
                    }
                    case 4: {
                        std::uint8_t& byte = row[x / 2];
                        if (x % 2 == 0) {
                            byte = static_cast<std::uint8_t>((byte & 0x0F) | ((v & 0x0F) << 4));
                        } else {
                            byte = static_cast<std::uint8_t>((byte & 0xF0) | (v & 0x0F));
                        }
                        break;
                    }
                    default:
                        break;
                }
            }
            // A 4-bit row's unused low nibble takes the pad value too.
            if (bitCount_ == 4 && w % 2 == 1) {
                row[w / 2] = static_cast<std::uint8_t>((row[w / 2] & 0xF0) | (pad_ & 0x0F));
            }
            b.insert(b.end(), row.begin(), row.end());
        }
    }

    std::int32_t width_;
    std::int32_t height_;
    std::uint16_t bitCount_;
    std::uint32_t compression_ = 0;
    std::uint16_t planes_ = 1;
    std::uint32_t infoSize_ = kInfoHeaderSize;
    std::uint16_t reserved1_ = 0;
    std::uint16_t reserved2_ = 0;
    std::int32_t xPels_ = 2835;
    std::int32_t yPels_ = 2835;
    std::vector<ColorQuad> palette_;
    std::vector<std::uint32_t> pixels_;
    std::uint8_t pad_ = 0;
    std::size_t gap_ = 0;
    std::uint32_t offBits_ = 0;
    bool forceOffBits_ = false;
    std::optional<std::array<std::uint32_t, 4>> masks_;
    std::optional<std::vector<std::uint8_t>> data_;
};

// The pixels of an uncompressed 4-, 8- or 24-bit BMP, decoded one pixel at a time for
// checking readers and writers against: rows in stored order, left to right. Color-table
// entries that lie past the pixel-data offset read as black.
struct DecodedBmp {
    bool ok = false;
    std::int64_t width = 0;
    std::int64_t height = 0;  // as stored: negative for top-down rows
    std::uint16_t bitCount = 0;
    std::vector<Rgb> pixels;
};

// Decodes `b`; ok is false for anything else (other forms, short files, over 2^24 pixels).
[[nodiscard]] inline DecodedBmp DecodeBmp(std::span<const std::uint8_t> b) {
    DecodedBmp d;
    if (b.size() < 18 || b[0] != 'B' || b[1] != 'M') return d;
    const std::uint64_t offBits = readU32le(b, 10);
    const std::uint32_t infoSize = readU32le(b, 14);
    if (offBits > b.size()) return d;
    std::size_t entrySize = 4;
    if (infoSize == 12 && offBits >= 26) {
        d.width = readU16le(b, 18);
        d.height = readU16le(b, 20);
        d.bitCount = readU16le(b, 24);
        entrySize = 3;
    } else if (infoSize >= 40 && 14 + std::uint64_t{infoSize} <= offBits) {
        if (readU32le(b, 30) != 0) return d;
        d.width = readI32le(b, 18);
        d.height = readI32le(b, 22);
        d.bitCount = readU16le(b, 28);
    } else {
        return d;
    }
    if (d.bitCount != 4 && d.bitCount != 8 && d.bitCount != 24) return d;
    const std::int64_t rows = d.height < 0 ? -d.height : d.height;
    if (d.width < 0 || d.width * rows > (std::int64_t{1} << 24)) return d;
    const std::uint64_t stride = ((d.width * d.bitCount + 31) / 32) * 4;
    if (offBits + stride * static_cast<std::uint64_t>(rows) > b.size()) return d;

    auto paletteColor = [&](std::uint32_t index) {
        const std::uint64_t at = 14 + std::uint64_t{infoSize} + entrySize * index;
        if (at + entrySize > offBits) return Rgb{};
        return Rgb{b[at + 2], b[at + 1], b[at]};
    };
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint64_t row = offBits + static_cast<std::uint64_t>(y) * stride;
        for (std::int64_t x = 0; x < d.width; ++x) {
            if (d.bitCount == 24) {
                const std::uint64_t at = row + 3 * static_cast<std::uint64_t>(x);
                d.pixels.push_back(Rgb{b[at + 2], b[at + 1], b[at]});
            } else if (d.bitCount == 8) {
                d.pixels.push_back(paletteColor(b[row + static_cast<std::uint64_t>(x)]));
            } else {
                const std::uint8_t byte = b[row + static_cast<std::uint64_t>(x) / 2];
                d.pixels.push_back(paletteColor(x % 2 == 0 ? byte >> 4 : byte & 0x0F));
            }
        }
    }
    d.ok = true;
    return d;
}

}  // namespace tintwell::test
