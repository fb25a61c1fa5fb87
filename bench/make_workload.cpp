// Writes the batch timing's workload: two sets of large bitmaps built like sprite sheets,
// square tiles of one color with single-pixel specks that break every run.
//
//   DIR/a/aNN.bmp  24-bit files
//   DIR/b/bNN.bmp  8-bit files, each with its own palette of only its colors, in its own order
//
// Each file uses 40 to 60 colors of one 200-color set; over a set (5 files or more) all 200
// occur, so the common palette fits 256 entries. The output is the same on every run.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "synthetic_bitmap.h"

namespace {

using tintwell::Rgb;
using namespace tintwell::synthetic;

constexpr int kUnionColors = 200;
constexpr int kMinColors = 40;
constexpr int kMaxColors = 60;
constexpr int kTile = 8;
constexpr double kNoise = 0.02;
constexpr std::uint64_t kSeed = 0x54696E7477656C6Cull;

struct Options {
    int files = 32;
    int side = 1024;
    std::filesystem::path dir;
};

void PrintUsage(std::ostream& out) {
    out << "usage: tintwell-make-workload [--files N] [--size PIXELS] DIR\n"
           "  writes DIR/a (24-bit) and DIR/b (8-bit) with N square bitmaps each\n"
           "  (default 32 files of 1024 x 1024 pixels)\n";
}

bool ParseCount(std::string_view text, int low, int high, int& value) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(std::string(text), &used);
        if (used != text.size() || v < low || v > high) return false;
        value = v;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "--files" || arg == "--size") && i + 1 < argc) {
            const bool ok = arg == "--files" ? ParseCount(argv[++i], 1, 999, options.files)
                                             : ParseCount(argv[++i], 8, 16384, options.side);
            if (!ok) return false;
        } else if (!arg.empty() && arg[0] != '-' && options.dir.empty()) {
            options.dir = arg;
        } else {
            return false;
        }
    }
    return !options.dir.empty();
}

// The colors of file `file` of `files`: a run of 40..60 neighbours in the 200-color set,
// starting where the file's share of the set starts, so the runs of all files cover it.
std::vector<std::uint32_t> FileColors(int file, int files, Random& random) {
    const int count = kMinColors + static_cast<int>(random.Below(kMaxColors - kMinColors + 1));
    const int start = file * kUnionColors / files;
    std::vector<std::uint32_t> numbers;
    for (int i = 0; i < count; ++i) {
        numbers.push_back(static_cast<std::uint32_t>((start + i) % kUnionColors));
    }
    return numbers;
}

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "tintwell-make-workload: cannot write " << path.string() << "\n";
        return false;
    }
    return true;
}

std::filesystem::path FileName(const std::filesystem::path& dir, char set, int file) {
    char name[16];
    std::snprintf(name, sizeof name, "%c%02d.bmp", set, file);
    return dir / name;
}

// One file of either set. The color numbers index `unionColors`; an 8-bit file gets a
// palette of just its own colors, shuffled, and its pixels index that palette.
Picture MakePicture(char set, int file, const Options& options,
                    const std::vector<Rgb>& unionColors) {
    Random random(kSeed ^ (static_cast<std::uint64_t>(set) << 32) ^
                  static_cast<std::uint64_t>(file));
    std::vector<std::uint32_t> numbers = FileColors(file, options.files, random);
    random.Shuffle(numbers);

    Picture picture;
    picture.width = options.side;
    picture.height = options.side;
    picture.pixels =
        TiledWithNoise(options.side, options.side, kTile, numbers, numbers, kNoise, random);
    if (set == 'a') {
        picture.bitCount = 24;
        for (std::uint32_t& p : picture.pixels)
            p = Pack(unionColors[p]);
        return picture;
    }
    picture.bitCount = 8;
    std::vector<std::uint32_t> paletteIndex(kUnionColors, 0);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        paletteIndex[numbers[i]] = static_cast<std::uint32_t>(i);
        picture.palette.push_back(unionColors[numbers[i]]);
    }
    for (std::uint32_t& p : picture.pixels)
        p = paletteIndex[p];
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage(std::cerr);
        return 2;
    }

    Random colorRandom(kSeed);
    const std::vector<Rgb> unionColors = DistinctColors(kUnionColors, colorRandom);

    for (const char set : {'a', 'b'}) {
        const std::filesystem::path dir = options.dir / std::string(1, set);
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (error) {
            std::cerr << "tintwell-make-workload: cannot create " << dir.string() << ": "
                      << error.message() << "\n";
            return 1;
        }
        for (int file = 0; file < options.files; ++file) {
            const Picture picture = MakePicture(set, file, options, unionColors);
            if (!WriteFile(FileName(dir, set, file), EncodeBmp(picture))) return 1;
        }
    }
    return 0;
}
