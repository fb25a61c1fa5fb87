// Writes a handful of small, valid bitmaps into the folder given as the only argument:
// every pixel format and header form the reader takes, so the fuzzer starts from files
// that reach the row loops instead of stopping at the header checks.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/bmp_builder.h"

using tintwell::test::BmpBuilder;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
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
    };
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const std::filesystem::path path = dir / ("seed-" + std::to_string(i) + ".bmp");
        std::ofstream out(path, std::ios::binary);
        out.write(seeds[i].data(), static_cast<std::streamsize>(seeds[i].size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
            return 1;
        }
    }
    std::printf("%zu seed files in %s\n", seeds.size(), dir.string().c_str());
    return 0;
}
