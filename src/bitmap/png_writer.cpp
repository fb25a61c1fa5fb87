#include "bitmap/png_writer.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "bitmap/zlib_sums.h"
#include "deflate/image_deflate.h"

namespace tintwell {
namespace {

// The file is gathered into blocks of this many bytes before it goes to the stream, so it is
// written in few large writes whatever the chunk sizes.
constexpr std::size_t kBlockBytes = 64 * 1024;
// Compressed image data goes out in IDAT chunks of this size (the last one smaller).
constexpr std::size_t kIdatBytes = 64 * 1024;
constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint64_t kMaxSide = 0x7FFFFFFF;

void PutU32be(std::vector<std::uint8_t>& to, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        to.push_back(static_cast<std::uint8_t>(v >> shift));
}

}  // namespace

struct PngWriter::Encoder {
    explicit Encoder(std::size_t filteredRowBytes) : deflater(filteredRowBytes) {
        block.reserve(kBlockBytes + kIdatBytes + 64);
    }

    deflate::ImageDeflater deflater;
    std::vector<std::uint8_t> data;   // compressed image data not yet in an IDAT chunk
    std::vector<std::uint8_t> block;  // file bytes not yet written to the stream
    bool failed = false;
};

PngWriter::PngWriter(std::ostream& out, std::uint64_t width, std::uint64_t height,
                     const OutputPalette& palette)
    : out_(out),
      width_(width),
      height_(height),
      palette_(palette),
      rowBytes_(PackedRowBytes(width, palette.depth.BitsPerPixel())) {}

PngWriter::~PngWriter() = default;

Msg PngWriter::Begin() {
    if (width_ == 0 || height_ == 0 || width_ > kMaxSide || height_ > kMaxSide) {
        return Msg::Unsupported;
    }
    const auto bits = static_cast<std::uint8_t>(palette_.depth.BitsPerPixel());
    const auto entries = static_cast<std::size_t>(palette_.depth.Entries());
    try {
        encoder_ = std::make_unique<Encoder>(static_cast<std::size_t>(rowBytes_) + 1);
        std::vector<std::uint8_t>& block = encoder_->block;
        block.assign(kSignature.begin(), kSignature.end());

        std::vector<std::uint8_t> ihdr;
        PutU32be(ihdr, static_cast<std::uint32_t>(width_));
        PutU32be(ihdr, static_cast<std::uint32_t>(height_));
        // Bit depth, color type 3 (indexed), deflate, adaptive filtering, not interlaced.
        ihdr.insert(ihdr.end(), {bits, 3, 0, 0, 0});
        PutChunk("IHDR", ihdr.data(), ihdr.size());

        std::vector<std::uint8_t> plte;
        for (std::size_t j = 0; j < entries; ++j) {
            const Rgb color = palette_.Entry(j);
            plte.insert(plte.end(), {color.red, color.green, color.blue});
        }
        PutChunk("PLTE", plte.data(), plte.size());
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
    return Flush(false) ? Msg::None : Msg::WriteError;
}

Msg PngWriter::Write(std::span<const std::uint8_t> rows) {
    if (!encoder_) return Msg::WriteError;
    try {
        for (std::size_t at = 0; at < rows.size(); at += static_cast<std::size_t>(rowBytes_)) {
            Deflate(rows.data() + at);
            if (!Flush(false)) return Msg::WriteError;
        }
        return Msg::None;
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
}

Msg PngWriter::Finish() {
    if (!encoder_) return Msg::WriteError;
    try {
        Deflate(nullptr);
        PutChunk("IEND", nullptr, 0);
        return Flush(true) ? Msg::None : Msg::WriteError;
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
}

// The encoder's one door: one row in (behind its filter-type byte, 0: unfiltered), or
// without a row the end of the stream. What it has compressed goes out in whole IDAT
// chunks, and at the end all of it.
void PngWriter::Deflate(const std::uint8_t* row) {
    deflate::ImageDeflater& deflater = encoder_->deflater;
    const bool end = row == nullptr;
    if (end) {
        deflater.Finish();
    } else {
        const std::uint8_t filterNone = 0;
        deflater.Add(&filterNone, 1);
        deflater.Add(row, static_cast<std::size_t>(rowBytes_));
    }
    std::vector<std::uint8_t>& data = encoder_->data;
    const std::vector<std::uint8_t> more = deflater.TakeOutput();
    data.insert(data.end(), more.begin(), more.end());
    std::size_t taken = 0;
    while (data.size() - taken >= kIdatBytes || (end && taken < data.size())) {
        const std::size_t n = std::min(kIdatBytes, data.size() - taken);
        PutChunk("IDAT", data.data() + taken, n);
        taken += n;
    }
    data.erase(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(taken));
}

// Length, type, data and CRC of one chunk, added to the block.
void PngWriter::PutChunk(const char type[4], const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t>& block = encoder_->block;
    PutU32be(block, static_cast<std::uint32_t>(size));
    const std::size_t typeAt = block.size();
    block.insert(block.end(), type, type + 4);
    if (size > 0) block.insert(block.end(), data, data + size);
    PutU32be(block, Crc32(Crc32(0, block.data() + typeAt, 4), data, size));
}

// Writes the gathered bytes once there is a block of them, or all of them.
bool PngWriter::Flush(bool all) {
    std::vector<std::uint8_t>& block = encoder_->block;
    if (encoder_->failed) return false;
    if (block.size() >= kBlockBytes || (all && !block.empty())) {
        out_.write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
        encoder_->failed = !out_;
        block.clear();
    }
    return !encoder_->failed;
}

}  // namespace tintwell
