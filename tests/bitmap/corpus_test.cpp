#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/writer.h"
#include "support/bmp_builder.h"

namespace tintwell {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kCorpus = TINTWELL_BMPSUITE_DIR;

// The uncompressed 4- and 8-bit files of g/, every header form among them.
const std::set<std::string> kMustAccept = {
    "pal4.bmp",          "pal4gs.bmp",   "pal8-0.bmp",      "pal8.bmp",   "pal8gs.bmp",
    "pal8nonsquare.bmp", "pal8os2.bmp",  "pal8topdown.bmp", "pal8v4.bmp", "pal8v5.bmp",
    "pal8w124.bmp",      "pal8w125.bmp", "pal8w126.bmp",
};
// 24-bit files of g/: accepted exactly when they have at most 256 colors.
const std::set<std::string> kRgb24 = {"rgb24.bmp", "rgb24pal.bmp"};

Bytes ReadAll(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::size_t DistinctColors(const std::vector<Rgb>& pixels) {
    std::set<std::uint32_t> colors;
    for (const Rgb& p : pixels)
        colors.insert((p.red << 16) | (p.green << 8) | p.blue);
    return colors.size();
}

// Scan, map into a fresh table, write, and read the output back. Returns the scan's result.
Msg RoundTrip(const fs::path& path) {
    const Bytes input = ReadAll(path);
    const std::string text(input.begin(), input.end());
    std::istringstream in(text);
    const BitmapScan scan = ScanBitmap(in);
    if (scan.error != Msg::None) return scan.error;

    ColorTable table;
    IndexMap indexMap{};
    IndexCounts counts{};
    MapScan(scan, PaletteSettings{}, table, indexMap, counts);
    const int depth = table.ColorCount() <= 16 ? 16 : 256;
    const std::vector<Rgb> palette = table.Palette();
    std::istringstream again(text);
    std::stringstream out;
    EXPECT_EQ(
        WriteBitmap(again, out, OutputPalette{palette, depth}, table.BuildOutputIndexMap(indexMap)),
        Msg::None)
        << path;
    const std::string written = out.str();
    std::istringstream back(written);
    EXPECT_EQ(ScanBitmap(back).error, Msg::None) << path;

    const auto original = test::DecodeBmp(input);
    const auto output = test::DecodeBmp(Bytes(written.begin(), written.end()));
    EXPECT_TRUE(output.ok) << path;
    if (original.ok && output.ok) {
        EXPECT_EQ(output.width, original.width) << path;
        EXPECT_EQ(output.height, original.height) << path;
        EXPECT_TRUE(output.pixels == original.pixels) << path << ": a pixel changed color";
    }
    return Msg::None;
}

TEST(Corpus, EveryFileRoundTripsOrIsRefused) {
    if (!fs::is_directory(kCorpus)) {
        GTEST_SKIP() << "no BMP corpus at " << kCorpus;
    }
    int files = 0;
    for (const char* folder : {"g", "q", "b", "x"}) {
        const fs::path dir = kCorpus / folder;
        if (!fs::is_directory(dir)) continue;
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.is_regular_file()) paths.push_back(entry.path());
        }
        std::sort(paths.begin(), paths.end());
        for (const fs::path& path : paths) {
            SCOPED_TRACE(path.string());
            ++files;
            const Msg result = RoundTrip(path);
            if (std::string(folder) != "g") continue;
            const std::string name = path.filename().string();
            if (kMustAccept.contains(name)) {
                EXPECT_EQ(result, Msg::None);
            } else if (kRgb24.contains(name)) {
                const auto decoded = test::DecodeBmp(ReadAll(path));
                ASSERT_TRUE(decoded.ok);
                EXPECT_EQ(result,
                          DistinctColors(decoded.pixels) <= 256 ? Msg::None : Msg::TooManyColors24);
            } else {
                // 1-bit, run-length and 16/32-bit files of g/.
                EXPECT_EQ(result, Msg::Unsupported);
            }
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace tintwell
