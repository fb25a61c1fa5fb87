// Arbitrary bytes behind a PNG signature through the PNG path: scan, map into a table,
// write as PNG and as bitmap, and read both back. Any crash or sanitizer report is a
// finding; so is a refusal that the writer does not share, a PNG output with chunks the
// writer does not promise, or an output pixel without the color that the mode gives the
// input pixel as libspng decodes the whole image at once.
#include <spng.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/writer.h"
#include "palette/fixed_palettes.h"
#include "support/bmp_builder.h"

namespace {

using namespace tintwell;

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kSignatureSize = 8;
// Images with more pixels than this are read as far as their header, so runs stay fast.
constexpr std::uint64_t kMaxCheckedPixels = std::uint64_t{1} << 18;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "png_fuzzer: %s\n", what);
    std::abort();
}

std::uint32_t BigEndian(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k)
        v = v << 8 | static_cast<std::uint8_t>(s[at + k]);
    return v;
}

// The pixels of `png` top row first as libspng decodes the whole image at once: alpha 0
// as the key color, other alpha ignored. Empty when libspng refuses the file.
std::vector<Rgb> Reference(const std::string& png, Rgb key) {
    std::vector<Rgb> pixels;
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, png.data(), png.size());
    std::size_t size = 0;
    std::vector<std::uint8_t> rgba;
    if (spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == SPNG_OK) {
        rgba.resize(size);
        if (spng_decode_image(ctx, rgba.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) !=
            SPNG_OK) {
            rgba.clear();
        }
    }
    spng_ctx_free(ctx);
    for (std::size_t i = 0; i + 4 <= rgba.size(); i += 4) {
        pixels.push_back(rgba[i + 3] == 0 ? key : Rgb{rgba[i], rgba[i + 1], rgba[i + 2]});
    }
    return pixels;
}

// Gives every whole chunk the CRC of its type and data, so that mutations reach the chunk
// contents instead of stopping at the checksum.
void FixChecksums(std::string& png) {
    std::size_t at = kSignatureSize;
    while (at + 12 <= png.size()) {
        const std::size_t length = BigEndian(png, at);
        if (length > png.size() - at - 12) break;
        std::uint32_t crc = 0xFFFFFFFFu;
        for (std::size_t k = at + 4; k < at + 8 + length; ++k) {
            crc ^= static_cast<std::uint8_t>(png[k]);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        crc = ~crc;
        for (std::size_t k = 0; k < 4; ++k)
            png[at + 8 + length + k] = static_cast<char>(crc >> (24 - 8 * k));
        at += 12 + length;
    }
}

// A written bitmap's pixels top row first.
std::vector<Rgb> TopDown(const std::string& bmp) {
    const test::DecodedBmp d = test::DecodeBmp(std::vector<std::uint8_t>(bmp.begin(), bmp.end()));
    if (!d.ok) Fail("the reference decoder refused a written bitmap");
    std::vector<Rgb> pixels = d.pixels;
    if (d.height > 0) {
        const auto width = static_cast<std::size_t>(d.width);
        for (std::size_t top = 0, bottom = pixels.size(); width > 0 && top + width < bottom;
             top += width, bottom -= width) {
            std::swap_ranges(pixels.begin() + static_cast<std::ptrdiff_t>(top),
                             pixels.begin() + static_cast<std::ptrdiff_t>(top + width),
                             pixels.begin() + static_cast<std::ptrdiff_t>(bottom - width));
        }
    }
    return pixels;
}

// The chunk types of a written PNG must be IHDR, PLTE of `depth` entries, IDAT..., IEND.
void CheckChunks(const std::string& png, int depth) {
    if (png.compare(0, kSignatureSize, kSignature, kSignatureSize) != 0) {
        Fail("a written PNG without the signature");
    }
    std::string types;
    std::size_t at = kSignatureSize;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = BigEndian(png, at);
        const std::string type = png.substr(at + 4, 4);
        if (type == "PLTE" && length != 3u * static_cast<unsigned>(depth)) {
            Fail("the PLTE is not the whole table");
        }
        if (types.empty() || types.substr(types.size() - 4) != type) types += type;
        at += 12 + std::size_t{length};
    }
    if (at != png.size() || types != "IHDRPLTEIDATIEND") Fail("a written PNG's chunks are off");
}

Msg Write(const std::string& input, std::string& output, const std::vector<Rgb>& palette, int depth,
          const OutputIndexMap& map, const TrueColorRule& rule, ImageFormat format) {
    std::istringstream in(input);
    std::ostringstream out;
    const Msg written = WriteBitmap(in, out, OutputPalette{palette, depth}, map, rule, format);
    output = out.str();
    return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    if (input.compare(0, kSignatureSize, kSignature, kSignatureSize) != 0) {
        input.insert(0, kSignature, kSignatureSize);
    }
    if (input.size() >= 24 &&
        static_cast<std::uint64_t>(BigEndian(input, 16)) * BigEndian(input, 20) >
            kMaxCheckedPixels) {
        return 0;
    }
    const std::uint8_t pick = size > 0 ? data[size - 1] : 0;
    if (pick & 0x04) FixChecksums(input);
    PaletteSettings settings;
    ColorTable table;
    if (pick & 0x01) {
        settings.mode = PaletteMode::Fixed256;
        table.FillFixedPalette(BuiltInPalette256());
    }
    std::istringstream scanIn(input);
    const BitmapScan scan = ScanBitmap(scanIn, TrueColorRuleFor(settings, table));
    if (scan.fileFormat != ImageFormat::Png) Fail("a PNG signature not told apart");
    if (scan.error != Msg::None) {
        // The writer reads only files a scan accepted, and does not check the checksums
        // again: it refuses what a scan without them refuses.
        std::istringstream uncheckedIn(input);
        const BitmapScan unchecked =
            ScanBitmap(uncheckedIn, TrueColorRuleFor(settings, table), PngChecksums::Skip);
        const Msg expected =
            unchecked.error == Msg::TooManyColors24 ? Msg::FullColorOverflow : unchecked.error;
        for (const ImageFormat format : {ImageFormat::Png, ImageFormat::Bmp}) {
            std::string ignored;
            if (Write(input, ignored, {}, 256, OutputIndexMap{}, unchecked.rule, format) !=
                expected) {
                Fail("writer and analyser refuse differently");
            }
        }
        return 0;
    }
    IndexMap indexMap{};
    IndexCounts counts{};
    MapScan(scan, settings, table, indexMap, counts);
    const int depth = table.ColorCount() <= 16 && (pick & 0x02) ? 16 : 256;
    const std::vector<Rgb> palette = table.Palette();
    const OutputIndexMap map = table.BuildOutputIndexMap(indexMap);

    std::string png;
    std::string bmp;
    if (Write(input, png, palette, depth, map, scan.rule, ImageFormat::Png) != Msg::None ||
        Write(input, bmp, palette, depth, map, scan.rule, ImageFormat::Bmp) != Msg::None) {
        Fail("the writer refused a file the analyser accepted");
    }
    CheckChunks(png, depth);
    std::istringstream back(png);
    const BitmapScan rescan = ScanBitmap(back);
    if (rescan.error != Msg::None || rescan.fileFormat != ImageFormat::Png) {
        Fail("the reader refused the written PNG");
    }
    // The PNG's pixels through the bitmap writer: every output index to itself.
    OutputIndexMap identity{};
    std::iota(identity.begin(), identity.end(), 0);
    std::string fromPng;
    if (Write(png, fromPng, palette, depth, identity, {}, ImageFormat::Bmp) != Msg::None) {
        Fail("the written PNG does not convert to a bitmap");
    }
    const std::vector<Rgb> viaPng = TopDown(fromPng);
    if (viaPng != TopDown(bmp)) Fail("the PNG and the bitmap output differ");

    const std::vector<Rgb> reference = Reference(input, scan.rule.keyColor);
    if (reference.empty()) return 0;
    if (reference.size() != viaPng.size()) Fail("the output has another shape");
    for (std::size_t i = 0; i < reference.size(); ++i) {
        Rgb expected = reference[i];
        if (settings.mode != PaletteMode::RgbBits) {
            const ColorSlot& s = table.Slot(
                table.FindNearestColor(ColorQuad{expected.blue, expected.green, expected.red, 0}));
            expected = Rgb{s.red, s.green, s.blue};
        }
        if (!(viaPng[i] == expected)) Fail("a pixel changed color");
    }
    return 0;
}
