#include "bitmap/run_length.h"

#include <cstring>

#include "bitmap/bmp_header.h"

namespace tintwell {
namespace {

constexpr std::size_t kBufferBytes = 16 * 1024;

}  // namespace

bool ByteSource::Refill() {
    buffer_.resize(kBufferBytes);
    in_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kBufferBytes));
    size_ = static_cast<std::size_t>(in_.gcount());
    at_ = 0;
    return size_ > 0;
}

RunLengthDecoder::RunLengthDecoder(std::istream& in, std::size_t width, std::uint64_t rows,
                                   bool fourBit)
    : bytes_(in),
      width_(width),
      paddedWidth_(
          static_cast<std::size_t>(RowStride(static_cast<std::int64_t>(width), fourBit ? 4 : 8)) *
          (fourBit ? 2 : 1)),
      rows_(rows),
      fourBit_(fourBit) {}

bool RunLengthDecoder::Absolute(std::uint8_t* row, std::size_t count) {
    const std::size_t bytes = fourBit_ ? (count + 1) / 2 : count;
    for (std::size_t i = 0; i < bytes; ++i) {
        const int b = bytes_.Next();
        if (b < 0) return false;
        if (fourBit_) {
            Put(row, b >> 4);
            if (2 * i + 1 < count) Put(row, b & 0x0F);
        } else {
            Put(row, b);
        }
    }
    // Absolute runs end on a 2-byte boundary.
    return bytes % 2 == 0 || bytes_.Next() >= 0;
}

Msg RunLengthDecoder::DecodeRow(std::uint8_t* row, std::string_view& detail) {
    std::memset(row, 0, width_);
    const std::uint64_t current = row_++;
    if (skipRows_ > 0) {
        --skipRows_;
        return Msg::None;
    }
    const auto refuse = [&](std::string_view rle8, std::string_view rle4) {
        detail = fourBit_ ? rle4 : rle8;
        return Msg::ReadError;
    };
    while (!ended_) {
        const int count = bytes_.Next();
        const int value = bytes_.Next();
        if (value < 0) break;
        if (count > 0) {
            if (x_ + static_cast<std::size_t>(count) > paddedWidth_) {
                return refuse("RLE8 with a run past the end of a row",
                              "RLE4 with a run past the end of a row");
            }
            for (int i = 0; i < count; ++i)
                Put(row, !fourBit_ ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x_ = 0;
                return Msg::None;
            case 1:  // end of bitmap
                ended_ = true;
                return Msg::None;
            case 2: {  // delta
                const int dx = bytes_.Next();
                const int dy = bytes_.Next();
                if (dy < 0) {
                    ended_ = true;
                    return Msg::None;
                }
                if (x_ + static_cast<std::size_t>(dx) > paddedWidth_) {
                    return refuse("RLE8 with a delta past the end of a row",
                                  "RLE4 with a delta past the end of a row");
                }
                // A move past the last row ends the image, as an end of bitmap does; so
                // ImageMagick and Pillow read it.
                if (current + static_cast<std::uint64_t>(dy) >= rows_) {
                    ended_ = true;
                    return Msg::None;
                }
                x_ += static_cast<std::size_t>(dx);
                if (dy > 0) {
                    skipRows_ = static_cast<std::uint64_t>(dy) - 1;
                    return Msg::None;
                }
                break;
            }
            default:  // absolute run
                if (x_ + static_cast<std::size_t>(value) > paddedWidth_) {
                    return refuse("RLE8 with an absolute run past the end of a row",
                                  "RLE4 with an absolute run past the end of a row");
                }
                if (!Absolute(row, static_cast<std::size_t>(value))) ended_ = true;
                break;
        }
    }
    ended_ = true;
    return Msg::None;
}

}  // namespace tintwell
