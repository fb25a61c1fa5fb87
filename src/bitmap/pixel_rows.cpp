#include "bitmap/pixel_rows.h"

#include <algorithm>
#include <bit>
#include <new>

#include "bitmap/byte_io.h"

namespace tintwell {
namespace {

// Rows are read in blocks of about this many bytes (at least one row), so big files go
// through the stream in few large reads while memory stays at a few rows.
constexpr std::uint64_t kBlockBytes = 64 * 1024;

// The stored pixel at column x of a 16- or 32-bit row.
std::uint32_t PixelAt(const std::uint8_t* stored, std::size_t x, unsigned bitCount) {
    const std::span<const std::uint8_t> row(stored, (x + 1) * (bitCount / 8));
    return bitCount == 16 ? readU16le(row, 2 * x) : readU32le(row, 4 * x);
}

}  // namespace

void UnpackIndices(const std::uint8_t* stored, std::size_t width, unsigned bits,
                   std::uint8_t* indices) {
    const unsigned perByte = 8 / bits;
    const auto low = static_cast<std::uint8_t>((1u << bits) - 1);
    for (std::size_t x = 0; x < width; ++x) {
        const unsigned shift = 8 - bits * (1 + static_cast<unsigned>(x % perByte));
        indices[x] = static_cast<std::uint8_t>((stored[x / perByte] >> shift) & low);
    }
}

PixelRows::PixelRows(const BmpHeader& header, std::istream& in, Rgb keyColor)
    : h_(header), in_(in), key_(keyColor), width_(static_cast<std::size_t>(header.width)) {
    // A channel of n bits scales to 8 as (v * 255 + max / 2) / max with max = 2^n - 1.
    const auto channel = [](std::uint32_t mask) {
        const int shift = mask == 0 ? 0 : std::countr_zero(mask);
        const std::uint64_t max = mask == 0 ? 1 : mask >> shift;
        return Channel{mask, shift, max};
    };
    red_ = channel(header.masks.red);
    green_ = channel(header.masks.green);
    blue_ = channel(header.masks.blue);
}

const std::uint8_t* PixelRows::Fail(Msg error, std::string_view detail) {
    error_ = error;
    detail_ = detail;
    return nullptr;
}

Msg PixelRows::Start() {
    if (h_.rows == 0) return Msg::None;
    const bool runLength = h_.encoding == PixelEncoding::Rle8 || h_.encoding == PixelEncoding::Rle4;
    // The header check guarantees rows x stride bytes in the file for stored rows, and
    // bounds the pixels of run-length ones, so no buffer is larger than that.
    try {
        if (runLength) {
            row_.resize(width_);
            runLength_.emplace(in_, width_, h_.rows, h_.encoding == PixelEncoding::Rle4);
            return Msg::None;
        }
        blockRows_ = std::clamp<std::uint64_t>(kBlockBytes / h_.stride, 1, h_.rows);
        block_.resize(static_cast<std::size_t>(blockRows_ * h_.stride));
        if (h_.encoding == PixelEncoding::Bitfields) {
            row_.resize(3 * width_);
        } else if (h_.encoding == PixelEncoding::Paletted && h_.bitCount < 8) {
            row_.resize(width_);
        }
    } catch (const std::bad_alloc&) {
        Fail(Msg::OutOfMemory, "no memory for a row");
        return error_;
    }
    if (h_.encoding == PixelEncoding::Bitfields && h_.masks.alpha != 0) {
        alpha_ = AnyAlpha();
        if (error_ != Msg::None) return error_;
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(h_.offBits), std::ios::beg);
        rowsRead_ = 0;
        inBlock_ = 0;
        blockCount_ = 0;
        if (!in_) Fail(Msg::ReadError, "pixel rows that cannot be read");
    }
    return error_;
}

bool PixelRows::ReadBlock() {
    const std::uint64_t n = std::min(blockRows_, h_.rows - rowsRead_);
    const auto bytes = static_cast<std::streamsize>(n * h_.stride);
    in_.read(reinterpret_cast<char*>(block_.data()), bytes);
    if (in_.gcount() != bytes) return false;
    rowsRead_ += n;
    blockCount_ = n;
    inBlock_ = 0;
    return true;
}

// Reads every stored row once: true when some pixel has a bit of the alpha mask set.
bool PixelRows::AnyAlpha() {
    while (rowsRead_ < h_.rows) {
        if (!ReadBlock()) {
            Fail(Msg::ReadError, "pixel rows missing from the end of the file");
            return false;
        }
        for (std::uint64_t r = 0; r < blockCount_; ++r) {
            const std::uint8_t* stored = block_.data() + r * h_.stride;
            for (std::size_t x = 0; x < width_; ++x) {
                if ((PixelAt(stored, x, h_.bitCount) & h_.masks.alpha) != 0) return true;
            }
        }
    }
    return false;
}

// Scales each channel of a 16- or 32-bit row to 8 bits; transparent pixels take the key.
void PixelRows::DecodeBitfields(const std::uint8_t* stored) {
    const auto scale = [](std::uint32_t pixel, const Channel& c) {
        const std::uint64_t v = (pixel & c.mask) >> c.shift;
        return static_cast<std::uint8_t>((v * 255 + c.max / 2) / c.max);
    };
    std::uint8_t* out = row_.data();
    for (std::size_t x = 0; x < width_; ++x, out += 3) {
        const std::uint32_t pixel = PixelAt(stored, x, h_.bitCount);
        if (alpha_ && (pixel & h_.masks.alpha) == 0) {
            out[0] = key_.blue;
            out[1] = key_.green;
            out[2] = key_.red;
        } else {
            out[0] = scale(pixel, blue_);
            out[1] = scale(pixel, green_);
            out[2] = scale(pixel, red_);
        }
    }
}

const std::uint8_t* PixelRows::Next() {
    if (error_ != Msg::None) return nullptr;
    if (runLength_) {
        const Msg decoded = runLength_->DecodeRow(row_.data(), detail_);
        if (decoded != Msg::None) return Fail(decoded, detail_);
        return row_.data();
    }
    if (inBlock_ == blockCount_ && !ReadBlock()) {
        return Fail(Msg::ReadError, "pixel rows missing from the end of the file");
    }
    const std::uint8_t* stored = block_.data() + inBlock_++ * h_.stride;
    switch (h_.encoding) {
        case PixelEncoding::Bitfields:
            DecodeBitfields(stored);
            return row_.data();
        case PixelEncoding::Paletted:
            if (h_.bitCount == 8) return stored;
            UnpackIndices(stored, width_, h_.bitCount, row_.data());
            return row_.data();
        default:
            return stored;
    }
}

}  // namespace tintwell
