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

PngWriter::PngWriter(std::ostream& out) : out_(out) {}

PngWriter::~PngWriter() = default;

Msg PngWriter::Begin(std::uint32_t width, std::uint32_t height, const OutputPalette& palette) {
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        return Msg::Unsupported;
    }
    const int depth = palette.depth == 16 ? 16 : 256;
    const std::uint8_t bits = depth == 16 ? 4 : 8;
    rowBytes_ = (static_cast<std::size_t>(width) * bits + 7) / 8;
    rowsLeft_ = height;
    try {
        encoder_ = std::make_unique<Encoder>(rowBytes_ + 1);
        std::vector<std::uint8_t>& block = encoder_->block;
        block.assign(kSignature.begin(), kSignature.end());

        std::vector<std::uint8_t> ihdr;
        PutU32be(ihdr, width);
        PutU32be(ihdr, height);
        // Bit depth, color type 3 (indexed), deflate, adaptive filtering, not interlaced.
        ihdr.insert(ihdr.end(), {bits, 3, 0, 0, 0});
        PutChunk("IHDR", ihdr.data(), ihdr.size());

        std::vector<std::uint8_t> plte(3 * static_cast<std::size_t>(depth), 0);
        const std::size_t count = std::min(palette.colors.size(), static_cast<std::size_t>(depth));
        for (std::size_t j = 0; j < count; ++j) {
            plte[3 * j] = palette.colors[j].red;
            plte[3 * j + 1] = palette.colors[j].green;
            plte[3 * j + 2] = palette.colors[j].blue;
        }
        PutChunk("PLTE", plte.data(), plte.size());
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
    return Flush(false) ? Msg::None : Msg::WriteError;
}

Msg PngWriter::WriteRow(const std::uint8_t* row) {
    if (!encoder_ || rowsLeft_ == 0) return Msg::WriteError;
    try {
        deflate::ImageDeflater& deflater = encoder_->deflater;
        const std::uint8_t filterNone = 0;
        deflater.Add(&filterNone, 1);
        deflater.Add(row, rowBytes_);
        const bool last = --rowsLeft_ == 0;
        if (last) deflater.Finish();
        std::vector<std::uint8_t>& data = encoder_->data;
        const std::vector<std::uint8_t> more = deflater.TakeOutput();
        data.insert(data.end(), more.begin(), more.end());
        std::size_t taken = 0;
        while (data.size() - taken >= kIdatBytes || (last && taken < data.size())) {
            const std::size_t n = std::min(kIdatBytes, data.size() - taken);
            PutChunk("IDAT", data.data() + taken, n);
            taken += n;
        }
        data.erase(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(taken));
        if (last) PutChunk("IEND", nullptr, 0);
        return Flush(last) ? Msg::None : Msg::WriteError;
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
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
