// Writes the seed corpora: a handful of small, valid bitmaps into BMP_FOLDER, every pixel
// format and header form the reader takes, so the fuzzer starts from files that reach the
// row loops instead of stopping at the header checks; with WORKSPACE_FOLDER, also inputs of
// the workspace fuzzer (control block, palette file, two or three of those bitmaps) in every
// palette mode, so it starts with files that share a table, sort, merge and are written;
// with PNG_FOLDER, small PNG images of every color type and bit depth, with and without
// tRNS, one interlaced.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spng.h>

#include "bitmap/row_sink.h"
#include "support/bmp_builder.h"

using tintwell::test::BmpBuilder;

namespace {

bool WriteAll(const std::filesystem::path& dir, const std::string& prefix,
              const std::string& extension, const std::vector<std::string>& files) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::filesystem::path path = dir / (prefix + std::to_string(i) + extension);
        std::ofstream out(path, std::ios::binary);
        out.write(files[i].data(), static_cast<std::streamsize>(files[i].size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
            return false;
        }
    }
    return true;
}

// A 5 x 3 PNG image of `colorType` at `bitDepth` (samples counting up from `seed`), with a
// palette for color type 3, and tRNS when asked; "" when libspng does not encode it.
std::string MakePng(std::uint8_t colorType, std::uint8_t bitDepth, bool trns, bool interlaced,
                    int seed) {
    constexpr std::uint32_t kWidth = 5;
    constexpr std::uint32_t kHeight = 3;
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{
        kWidth, kHeight, bitDepth, colorType, 0, 0, static_cast<std::uint8_t>(interlaced ? 1 : 0)};
    spng_set_ihdr(ctx, &ihdr);
    if (colorType == SPNG_COLOR_TYPE_INDEXED) {
        spng_plte plte{};
        plte.n_entries = 1u << std::min<unsigned>(bitDepth, 8);
        for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
            plte.entries[i] = {static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 11),
                               static_cast<std::uint8_t>(255 - i), 0};
        }
        spng_set_plte(ctx, &plte);
    }
    if (trns) {
        spng_trns t{};
        t.gray = 1;
        t.red = 1;
        t.green = 2;
        t.blue = 3;
        t.n_type3_entries = 2;
        t.type3_alpha[0] = 0;
        t.type3_alpha[1] = 128;
        spng_set_trns(ctx, &t);
    }
    const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    const std::size_t rowBytes =
        tintwell::PackedRowBytes(kWidth, static_cast<unsigned>(channels) * bitDepth);
    std::vector<std::uint8_t> image(rowBytes * kHeight);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>((static_cast<int>(i) + seed) * 29);
    std::string png;
    if (spng_encode_image(ctx, image.data(), image.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) ==
        SPNG_OK) {
        std::size_t size = 0;
        int error = 0;
        void* bytes = spng_get_png_buffer(ctx, &size, &error);
        if (bytes != nullptr) png.assign(static_cast<const char*>(bytes), size);
        std::free(bytes);
    }
    spng_ctx_free(ctx);
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s BMP_FOLDER [WORKSPACE_FOLDER [PNG_FOLDER]]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);

    std::vector<std::uint32_t> ramp(40);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::uint32_t>(i % 16);
    std::vector<std::uint32_t> rgb(40);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<std::uint32_t>((i % 7) * 0x2A1F0B);
    }
    // More colors than a file index holds: the fixed modes and RGB mode with few bits take it.
    std::vector<std::uint32_t> many(300);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<std::uint32_t>(i * 0x010305 + 0x402000);

    const std::vector<std::string> seeds = {
        BmpBuilder(10, 3, 8).DistinctPalette(16).Pixels(ramp).String(),
        BmpBuilder(5, 3, 4).DistinctPalette(16).Pixels(ramp).String(),
        BmpBuilder(7, 2, 24).Pixels(rgb).String(),
        BmpBuilder(3, -4, 8).DistinctPalette(6).Pixels(ramp).String(),
        BmpBuilder(3, -4, 24).Pixels(rgb).String(),
        BmpBuilder(6, 2, 8).InfoSize(12).DistinctPalette(16).Pixels(ramp).String(),
        BmpBuilder(6, 2, 4).InfoSize(124).DistinctPalette(16).Pixels(ramp).String(),
        BmpBuilder(6, 2, 8).InfoSize(108).DistinctPalette(3).Pixels(ramp).String(),
        BmpBuilder(4, 0, 8).DistinctPalette(2).String(),
        BmpBuilder(2, 2, 8).DistinctPalette(4).Gap(9).PadByte(0xFF).Pixels(ramp).String(),
        BmpBuilder(1, 1, 24).Pixels({0x123456}).String(),
        // 11..: the other encodings, so every decoder is reached from the start.
        BmpBuilder(13, 2, 1).DistinctPalette(2).Pixels(ramp).String(),
        BmpBuilder(7, 2, 2).InfoSize(12).DistinctPalette(3).Pixels(ramp).String(),
        BmpBuilder(6, 3, 8)
            .Compression(1)
            .DistinctPalette(16)
            .Data({3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 2, 9, 0, 0, 6, 4, 0, 1})
            .String(),
        BmpBuilder(7, 3, 4)
            .Compression(2)
            .DistinctPalette(16)
            .Data({5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 2, 2, 0, 2, 0xAB, 0, 1})
            .String(),
        BmpBuilder(5, 2, 8)
            .Compression(1)
            .DistinctPalette(4)
            .Data({2, 1, 0, 4, 1, 2, 3, 0})
            .String(),
        BmpBuilder(5, 2, 16).Compression(3).Masks(0xF800, 0x07E0, 0x001F).Pixels(rgb).String(),
        BmpBuilder(5, 2, 16).Pixels(rgb).String(),
        BmpBuilder(4, 2, 16)
            .Compression(6)
            .Masks(0x0F00, 0x00F0, 0x000F, 0xF000)
            .Pixels({0xF800, 0x1080, 0x0FFF, 0x8123, 0x0001, 0xFFFF, 0x7000, 0x0F0F})
            .String(),
        BmpBuilder(4, 2, 32).Pixels({0x80102030, 0x00FFFFFF, 0xFF000001, 0x00ABCDEF}).String(),
        BmpBuilder(4, -2, 32)
            .InfoSize(124)
            .Compression(3)
            .Masks(0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000)
            .Pixels({0x7FF00200, 0x000003FF, 0xC0000000, 0x40100401})
            .String(),
        BmpBuilder(3, 2, 32)
            .InfoSize(56)
            .Compression(3)
            .Masks(0xFF, 0xFF00, 0xFF0000)
            .Pixels(rgb)
            .String(),
        BmpBuilder(4, 2, 8).InfoSize(16).DistinctPalette(5).Pixels(ramp).String(),
        BmpBuilder(300, 1, 24).Pixels(many).String(),
    };
    if (!WriteAll(dir, "seed-", ".bmp", seeds)) return 1;
    std::printf("%zu seed files in %s\n", seeds.size(), dir.string().c_str());
    if (argc == 2) return 0;

    // Workspace inputs: flags, bits, sort and merge rows, palette length and bytes, then the
    // bitmaps with a 2-byte length before each but the last (see workspace_fuzzer.cpp).
    const std::filesystem::path workspaceDir = argv[2];
    std::filesystem::create_directories(workspaceDir);
    std::string palette(768, '\0');
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<char>(i * 37 + 11);
    const auto input = [&](std::uint8_t flags, std::uint8_t bits, std::size_t paletteBytes,
                           const std::vector<std::size_t>& which) {
        std::string s;
        s.push_back(static_cast<char>(flags));
        for (int c = 0; c < 3; ++c)
            s.push_back(static_cast<char>(bits + c));
        for (int k = 0; k < 6; ++k)
            s.push_back(static_cast<char>(k * 5 + 1));
        s.push_back(static_cast<char>(paletteBytes & 0xFF));
        s.push_back(static_cast<char>(paletteBytes >> 8));
        s.append(palette, 0, paletteBytes);
        for (std::size_t i = 0; i < which.size(); ++i) {
            const std::string& bmp = seeds[which[i]];
            if (i + 1 < which.size()) {
                s.push_back(static_cast<char>(bmp.size() & 0xFF));
                s.push_back(static_cast<char>(bmp.size() >> 8));
            }
            s += bmp;
        }
        return s;
    };
    const std::vector<std::string> workspaceSeeds = {
        input(0x80 | 0x10 | 0x04, 7, 0, {0, 2, 4}),     // rgb 8 bits, three files, merge
        input(0x80 | 0x08 | 0x04, 4, 0, {1, 3, 10}),    // rgb 5,6,7 bits, distance sort
        input(0x20 | 0x80, 0, 0, {1, 5}),               // rgb 1 bit, 16 colors
        input(0x01 | 0x04, 0, 768, {0, 2, 6}),          // fixed256 with a palette file
        input(0x02 | 0x20, 0, 768, {1, 4}),             // fixed16 with a palette file
        input(0x01, 0, 700, {7, 9}),                    // fixed256, a short palette file
        input(0x02 | 0x40 | 0x80, 0, 0, {8, 10}),       // fixed16 built-in, a merge refused
        input(0x01 | 0x04, 0, 0, {23, 13, 18}),         // fixed256, over 256 colors, RLE, alpha
        input(0x80 | 0x04, 2, 0, {23, 14, 16}),         // rgb 3,4,5 bits, over 256 colors
        input(0x02 | 0x04, 0, 0, {11, 15, 20}),         // fixed16: 1-bit, RLE8, 32-bit
        input(0x80 | 0x08 | 0x04, 7, 0, {17, 19, 21}),  // rgb 8 bits, the bit-field files
        input(0x80 | 0x04, 0, 0, {12, 22, 16}),         // rgb 1 bit: 2-bit, OS/2 2.x, 16-bit
    };
    if (!WriteAll(workspaceDir, "seed-", ".in", workspaceSeeds)) return 1;
    std::printf("%zu seed files in %s\n", workspaceSeeds.size(), workspaceDir.string().c_str());
    if (argc == 3) return 0;

    // PNG images: every color type at every bit depth it allows, tRNS where it applies.
    const std::filesystem::path pngDir = argv[3];
    std::filesystem::create_directories(pngDir);
    const struct {
        std::uint8_t colorType;
        std::vector<std::uint8_t> depths;
    } types[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    std::vector<std::string> pngSeeds;
    int seed = 0;
    for (const auto& type : types) {
        for (const std::uint8_t depth : type.depths) {
            for (const bool trns : {false, true}) {
                if (trns && type.colorType >= 4) continue;
                pngSeeds.push_back(MakePng(type.colorType, depth, trns, false, ++seed));
            }
        }
    }
    pngSeeds.push_back(MakePng(2, 8, false, true, ++seed));
    pngSeeds.push_back(MakePng(3, 4, true, true, ++seed));
    std::erase(pngSeeds, std::string());
    if (!WriteAll(pngDir, "seed-", ".png", pngSeeds)) return 1;
    std::printf("%zu seed files in %s\n", pngSeeds.size(), pngDir.string().c_str());
    return 0;
}
