#include "bitmap/png_rows.h"

#include <spng.h>

#include <array>
#include <bit>
#include <limits>
#include <new>

#include "bitmap/pixel_rows.h"

namespace tintwell {
namespace {

// Ancillary chunks (text, profiles) are kept by the decoder while it runs: one of more
// than this is refused, and so are more than this in all, rather than held in memory.
constexpr std::size_t kMaxChunkBytes = std::size_t{64} << 20;

// Copies `length` bytes of the stream to `dest`; the stream's end before them is the
// file's end.
int ReadStream(spng_ctx*, void* user, void* dest, std::size_t length) {
    auto& in = *static_cast<std::istream*>(user);
    in.read(static_cast<char*>(dest), static_cast<std::streamsize>(length));
    if (in.gcount() == static_cast<std::streamsize>(length)) return SPNG_OK;
    return in.bad() ? SPNG_IO_ERROR : SPNG_IO_EOF;
}

// Why a PNG file was refused, in a user's words, from the decoder's error code.
std::string_view DescribeError(int code) {
    switch (code) {
        case SPNG_IO_EOF:
        case SPNG_EOF:
            return "data missing from the end of the file";
        case SPNG_IO_ERROR:
        case SPNG_EIO:
            return "a file that cannot be read";
        case SPNG_ESIGNATURE:
            return "a damaged PNG signature";
        case SPNG_ECHUNK_CRC:
            return "a chunk whose checksum does not match its data";
        case SPNG_EZLIB:
        case SPNG_EIDAT_STREAM:
        case SPNG_EIDAT_TOO_SHORT:
            return "a damaged compressed image data stream";
        case SPNG_EFILTER:
            return "image rows with an unknown filter";
        case SPNG_EUSER_WIDTH:
        case SPNG_EUSER_HEIGHT:
            return kTooManyPixels;
        case SPNG_EOVERFLOW:
            return "an image too large to decode";
        case SPNG_ECHUNK_LIMITS:
            return "a chunk too large to read";
        case SPNG_EMEM:
            return "no memory for the image";
        case SPNG_ENOPLTE:
            return "a palette image without a palette";
        case SPNG_EBIT_DEPTH:
        case SPNG_ECOLOR_TYPE:
        case SPNG_ECOMPRESSION_METHOD:
        case SPNG_EFILTER_METHOD:
        case SPNG_EINTERLACE_METHOD:
            return "an unknown pixel format in the image header";
        case SPNG_ECHUNK_UNKNOWN_CRITICAL:
            return "an unknown chunk that readers must understand";
        default:
            return "a damaged PNG chunk";
    }
}

// A gray, RGB or gray/RGB + alpha row of RGBA bytes as blue, green, red bytes; alpha 0
// takes the key color.
void RgbaToBgr(const std::uint8_t* rgba, std::size_t width, Rgb key, std::uint8_t* bgr) {
    for (std::size_t x = 0; x < width; ++x, rgba += 4, bgr += 3) {
        if (rgba[3] == 0) {
            bgr[0] = key.blue;
            bgr[1] = key.green;
            bgr[2] = key.red;
        } else {
            bgr[0] = rgba[2];
            bgr[1] = rgba[1];
            bgr[2] = rgba[0];
        }
    }
}

// An RGB row (8-bit samples, no transparent color) as blue, green, red bytes.
void RgbToBgr(const std::uint8_t* rgb, std::size_t width, std::uint8_t* bgr) {
    for (std::size_t x = 0; x < width; ++x, rgb += 3, bgr += 3) {
        bgr[0] = rgb[2];
        bgr[1] = rgb[1];
        bgr[2] = rgb[0];
    }
}

}  // namespace

struct PngRows::Decoder {
    explicit Decoder(PngChecksums checksums)
        : ctx(spng_ctx_new(checksums == PngChecksums::Skip ? SPNG_CTX_IGNORE_ADLER32 : 0)) {
        if (ctx != nullptr && checksums == PngChecksums::Skip) {
            spng_set_crc_action(ctx, SPNG_CRC_USE, SPNG_CRC_USE);
        }
    }
    ~Decoder() { spng_ctx_free(ctx); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    spng_ctx* ctx;
};

PngRows::PngRows(std::istream& in, Rgb keyColor, PngChecksums checksums)
    : in_(in), key_(keyColor), checksums_(checksums) {}

PngRows::~PngRows() = default;

const std::uint8_t* PngRows::Fail(Msg error, std::string_view detail) {
    error_ = error;
    detail_ = detail;
    return nullptr;
}

Msg PngRows::FailWith(int code, Msg error) {
    Fail(code == SPNG_EMEM ? Msg::OutOfMemory : error, DescribeError(code));
    return error_;
}

// The decoder refuses a side of 0 and one past 2^31 - 1 alike; the header, always the
// first chunk, tells which. Width and height are big-endian at offsets 16 and 20.
Msg PngRows::FailOnSize(bool width) {
    std::array<unsigned char, 4> bytes{};
    in_.clear();
    in_.seekg(width ? 16 : 20, std::ios::beg);
    in_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const bool zero = in_.gcount() == 4 && bytes == std::array<unsigned char, 4>{};
    if (!zero) {
        Fail(Msg::Unsupported, kTooManyPixels);
    } else {
        Fail(Msg::InvalidData, width ? "an image of width 0" : "an image of height 0");
    }
    return error_;
}

Msg PngRows::Open() {
    try {
        decoder_ = std::make_unique<Decoder>(checksums_);
    } catch (const std::bad_alloc&) {
        Fail(Msg::OutOfMemory, "no memory for the decoder");
        return error_;
    }
    spng_ctx* ctx = decoder_->ctx;
    if (ctx == nullptr) {
        Fail(Msg::OutOfMemory, "no memory for the decoder");
        return error_;
    }
    // Each side alone may reach the pixel limit; their product is checked below.
    constexpr auto kSide = static_cast<std::uint32_t>(kMaxDecodedPixels);
    if (const int r = spng_set_png_stream(ctx, ReadStream, &in_); r != SPNG_OK) {
        return FailWith(r, Msg::InvalidData);
    }
    spng_set_image_limits(ctx, kSide, kSide);
    spng_set_chunk_limits(ctx, kMaxChunkBytes, kMaxChunkBytes);

    spng_ihdr ihdr{};
    if (const int r = spng_get_ihdr(ctx, &ihdr); r != SPNG_OK) {
        if (r == SPNG_EWIDTH || r == SPNG_EHEIGHT) return FailOnSize(r == SPNG_EWIDTH);
        const bool tooLarge = r == SPNG_EUSER_WIDTH || r == SPNG_EUSER_HEIGHT;
        return FailWith(r, tooLarge ? Msg::Unsupported : Msg::InvalidData);
    }
    header_.width = ihdr.width;
    header_.height = ihdr.height;
    header_.bitDepth = ihdr.bit_depth;
    header_.colorType = ihdr.color_type;
    header_.interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
    if (!WithinPixelLimit(ihdr.width, ihdr.height)) {
        Fail(Msg::Unsupported, kTooManyPixels);
        return error_;
    }

    // The chunks before the image data: PLTE, tRNS, pHYs and whatever else is there.
    if (const int r = spng_decode_chunks(ctx); r != SPNG_OK) return FailWith(r, Msg::InvalidData);
    // 8-bit RGB with no tRNS has no pixel to key: its rows are decoded as they are stored,
    // without widening them to RGBA first.
    spng_trns anyTrns{};
    plainRgb_ =
        header_.colorType == 2 && header_.bitDepth == 8 && spng_get_trns(ctx, &anyTrns) != SPNG_OK;
    if (!header_.TrueColor()) {
        spng_plte plte{};
        if (const int r = spng_get_plte(ctx, &plte); r != SPNG_OK) {
            return FailWith(r == SPNG_ECHUNKAVAIL ? SPNG_ENOPLTE : r, Msg::InvalidData);
        }
        spng_trns trns{};
        const bool hasTrns = spng_get_trns(ctx, &trns) == SPNG_OK;
        for (std::uint32_t i = 0; i < plte.n_entries && i < header_.palette.size(); ++i) {
            const spng_plte_entry& e = plte.entries[i];
            const bool transparent =
                hasTrns && i < trns.n_type3_entries && trns.type3_alpha[i] == 0;
            header_.palette[i] = transparent ? ColorQuad{key_.blue, key_.green, key_.red, 0}
                                             : ColorQuad{e.blue, e.green, e.red, 0};
        }
    }
    spng_phys phys{};
    constexpr std::uint32_t kMetre = 1;
    constexpr auto kMaxResolution =
        static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
    if (spng_get_phys(ctx, &phys) == SPNG_OK && phys.unit_specifier == kMetre &&
        phys.ppu_x <= kMaxResolution && phys.ppu_y <= kMaxResolution) {
        header_.xPelsPerMeter = static_cast<std::int32_t>(phys.ppu_x);
        header_.yPelsPerMeter = static_cast<std::int32_t>(phys.ppu_y);
    }
    return Msg::None;
}

std::string_view PngRows::FormatName() const {
    // Names by color type (0..6, 1 and 5 unused) and bit depth (1, 2, 4, 8, 16).
    static constexpr std::array<std::array<std::string_view, 5>, 7> kNames = {{
        {"png-gray1", "png-gray2", "png-gray4", "png-gray8", "png-gray16"},
        {},
        {"", "", "", "png-rgb8", "png-rgb16"},
        {"png-pal1", "png-pal2", "png-pal4", "png-pal8", ""},
        {"", "", "", "png-graya8", "png-graya16"},
        {},
        {"", "", "", "png-rgba8", "png-rgba16"},
    }};
    const int depthIndex = std::countr_zero(static_cast<unsigned>(header_.bitDepth));
    if (header_.colorType >= kNames.size() || depthIndex >= 5) return "png";
    const std::string_view name = kNames[header_.colorType][static_cast<std::size_t>(depthIndex)];
    return name.empty() ? "png" : name;
}

Msg PngRows::Start() {
    if (header_.height == 0) return Msg::None;
    spng_ctx* ctx = decoder_->ctx;
    const int format = plainRgb_             ? SPNG_FMT_RGB8
                       : header_.TrueColor() ? SPNG_FMT_RGBA8
                                             : SPNG_FMT_PNG;
    const int flags = header_.TrueColor() && !plainRgb_ ? SPNG_DECODE_TRNS : 0;
    std::size_t imageBytes = 0;
    if (const int r = spng_decoded_image_size(ctx, format, &imageBytes); r != SPNG_OK) {
        return FailWith(r, Msg::InvalidData);
    }
    decodedRowBytes_ = imageBytes / header_.height;
    try {
        decoded_.resize(header_.interlaced ? imageBytes : decodedRowBytes_);
        if (header_.TrueColor()) {
            row_.resize(3 * static_cast<std::size_t>(header_.width));
        } else if (header_.bitDepth < 8) {
            row_.resize(header_.width);
        }
    } catch (const std::bad_alloc&) {
        Fail(Msg::OutOfMemory, "no memory for the image");
        return error_;
    }
    if (!header_.interlaced) {
        const int r = spng_decode_image(ctx, nullptr, 0, format, flags | SPNG_DECODE_PROGRESSIVE);
        return r == SPNG_OK ? Msg::None : FailWith(r, Msg::ReadError);
    }
    // The passes of an interlaced image each cover the whole image: decoded whole.
    const int r = spng_decode_image(ctx, decoded_.data(), decoded_.size(), format, flags);
    return r == SPNG_OK ? Msg::None : FailWith(r, Msg::ReadError);
}

const std::uint8_t* PngRows::Convert(const std::uint8_t* decoded) {
    const std::size_t width = header_.width;
    if (plainRgb_) {
        RgbToBgr(decoded, width, row_.data());
        return row_.data();
    }
    if (header_.TrueColor()) {
        RgbaToBgr(decoded, width, key_, row_.data());
        return row_.data();
    }
    if (header_.bitDepth == 8) return decoded;
    UnpackIndices(decoded, width, header_.bitDepth, row_.data());
    return row_.data();
}

const std::uint8_t* PngRows::Next() {
    if (error_ != Msg::None) return nullptr;
    if (rowsRead_ >= header_.height)
        return Fail(Msg::ReadError, "more rows asked for than the image has");
    spng_ctx* ctx = decoder_->ctx;
    const std::uint8_t* decoded = nullptr;
    if (header_.interlaced) {
        decoded = decoded_.data() + rowsRead_ * decodedRowBytes_;
    } else {
        const int r = spng_decode_row(ctx, decoded_.data(), decoded_.size());
        if (r != SPNG_OK && r != SPNG_EOI) {
            FailWith(r, Msg::ReadError);
            return nullptr;
        }
        decoded = decoded_.data();
    }
    ++rowsRead_;
    // The file must hold no damage after the image data either.
    if (rowsRead_ == header_.height) {
        if (const int r = spng_decode_chunks(ctx); r != SPNG_OK) {
            FailWith(r, Msg::ReadError);
            return nullptr;
        }
    }
    return Convert(decoded);
}

}  // namespace tintwell
