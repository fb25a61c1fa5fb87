#include "bitmap/png_writer.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace tintwell {
namespace {

// The encoder's output is gathered into blocks of this many bytes before it goes to the
// stream, so the file is written in few large writes whatever the chunk sizes.
constexpr std::size_t kBlockBytes = 64 * 1024;

// Gathers the encoder's bytes into blocks for the stream.
struct BlockSink {
    std::ostream& out;
    std::vector<std::uint8_t> block;
    bool failed = false;

    bool Flush() {
        if (!block.empty() && !failed) {
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size()));
            failed = !out;
        }
        block.clear();
        return !failed;
    }

    bool Put(const std::uint8_t* bytes, std::size_t length) {
        while (length > 0 && !failed) {
            const std::size_t n = std::min(length, kBlockBytes - block.size());
            block.insert(block.end(), bytes, bytes + n);
            bytes += n;
            length -= n;
            if (block.size() == kBlockBytes) Flush();
        }
        return !failed;
    }
};

int WriteToSink(spng_ctx*, void* user, void* src, std::size_t length) {
    auto& sink = *static_cast<BlockSink*>(user);
    return sink.Put(static_cast<const std::uint8_t*>(src), length) ? SPNG_OK : SPNG_IO_ERROR;
}

}  // namespace

struct PngWriter::Encoder {
    explicit Encoder(std::ostream& out) : sink{out, {}, false} { sink.block.reserve(kBlockBytes); }
    ~Encoder() { spng_ctx_free(ctx); }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    BlockSink sink;
};

PngWriter::PngWriter(std::ostream& out, PngCompression compression)
    : out_(out), compression_(compression) {}

PngWriter::~PngWriter() = default;

Msg PngWriter::Begin(std::uint32_t width, std::uint32_t height, const OutputPalette& palette) {
    if (width == 0 || height == 0) return Msg::Unsupported;
    try {
        encoder_ = std::make_unique<Encoder>(out_);
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
    spng_ctx* ctx = encoder_->ctx;
    if (ctx == nullptr) return Msg::OutOfMemory;

    const int depth = palette.depth == 16 ? 16 : 256;
    const std::uint8_t bits = depth == 16 ? 4 : 8;
    rowBytes_ = (static_cast<std::size_t>(width) * bits + 7) / 8;
    spng_ihdr ihdr{width, height, bits, SPNG_COLOR_TYPE_INDEXED, 0, 0, SPNG_INTERLACE_NONE};
    spng_plte plte{};
    plte.n_entries = static_cast<std::uint32_t>(depth);
    const std::size_t count = std::min(palette.colors.size(), static_cast<std::size_t>(depth));
    for (std::size_t j = 0; j < count; ++j) {
        plte.entries[j] = {palette.colors[j].red, palette.colors[j].green, palette.colors[j].blue,
                           0};
    }
    spng_set_png_stream(ctx, WriteToSink, &encoder_->sink);
    spng_set_option(ctx, SPNG_FILTER_CHOICE, compression_.filterChoice);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, compression_.level);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, compression_.strategy);
    spng_set_option(ctx, SPNG_IMG_MEM_LEVEL, compression_.memLevel);
    if (spng_set_ihdr(ctx, &ihdr) != SPNG_OK || spng_set_plte(ctx, &plte) != SPNG_OK) {
        return Msg::Unsupported;
    }
    const int r = spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG,
                                    SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    if (r == SPNG_EMEM) return Msg::OutOfMemory;
    return r == SPNG_OK ? Msg::None : Msg::WriteError;
}

Msg PngWriter::WriteRow(const std::uint8_t* row) {
    spng_ctx* ctx = encoder_->ctx;
    const int r = spng_encode_row(ctx, row, rowBytes_);
    if (r == SPNG_EOI) return encoder_->sink.Flush() ? Msg::None : Msg::WriteError;
    if (r == SPNG_EMEM) return Msg::OutOfMemory;
    return r == SPNG_OK ? Msg::None : Msg::WriteError;
}

}  // namespace tintwell
