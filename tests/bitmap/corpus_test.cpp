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
#include "palette/fixed_palettes.h"
#include "support/bmp_builder.h"

namespace tintwell {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kCorpus = TINTWELL_BMPSUITE_DIR;

// Files of b/ whose fault lies in a field that nothing reads (image size, file size,
// resolution, planes, an unusual header length, the color count) or in an index past the
// palette, which reads as black: taken as the same fault in an 8-bit file always was.
const std::set<std::string> kHarmlessInBad = {
    "badbitssize.bmp",   "baddens1.bmp",  "baddens2.bmp",       "badfilesize.bmp",
    "badheadersize.bmp", "badplanes.bmp", "badpalettesize.bmp", "pal8badindex.bmp",
};

Bytes ReadAll(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Scan with `settings`' rule, map into a fresh table of the mode, write, and read the
// output back; the output's pixels must be the input's where the test decoder reads both
// and the mode keeps every color. Returns the scan's result.
Msg RoundTrip(const fs::path& path, PaletteMode mode) {
    const Bytes input = ReadAll(path);
    const std::string text(input.begin(), input.end());
    ColorTable table;
    PaletteSettings settings;
    settings.mode = mode;
    if (mode == PaletteMode::Fixed256) table.FillFixedPalette(BuiltInPalette256());
    std::istringstream in(text);
    const BitmapScan scan = ScanBitmap(in, TrueColorRuleFor(settings, table));
    if (scan.error != Msg::None) {
        EXPECT_FALSE(scan.detail.empty()) << "a refusal without a reason";
        return scan.error;
    }
    EXPECT_FALSE(scan.format.empty());

    IndexMap indexMap{};
    IndexCounts counts{};
    MapScan(scan, settings, table, indexMap, counts);
    const int depth = table.ColorCount() <= 16 ? 16 : 256;
    const std::vector<Rgb> palette = table.Palette();
    std::istringstream again(text);
    std::stringstream out;
    EXPECT_EQ(WriteBitmap(again, out, OutputPalette{palette, depth},
                          table.BuildOutputIndexMap(indexMap), scan.rule),
              Msg::None);
    const std::string written = out.str();
    std::istringstream back(written);
    EXPECT_EQ(ScanBitmap(back).error, Msg::None);

    const auto original = test::DecodeBmp(input);
    const auto output = test::DecodeBmp(Bytes(written.begin(), written.end()));
    EXPECT_TRUE(output.ok);
    if (original.ok && output.ok && mode == PaletteMode::RgbBits) {
        EXPECT_EQ(output.width, original.width);
        EXPECT_EQ(output.height, original.height);
        EXPECT_TRUE(output.pixels == original.pixels) << "a pixel changed color";
    }
    return Msg::None;
}

// g/ is taken in the fixed 256-color mode, and in RGB mode unless a true-color file has
// more than 256 colors; b/ is refused but for faults nothing reads; q/ either way.
TEST(Corpus, EveryFileRoundTripsOrIsRefused) {
    if (!fs::is_directory(kCorpus)) {
        GTEST_SKIP() << "no BMP corpus at " << kCorpus;
    }
    int files = 0;
    for (const std::string folder : {"g", "q", "b", "x"}) {
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
            const Msg rgb = RoundTrip(path, PaletteMode::RgbBits);
            const Msg fixed = RoundTrip(path, PaletteMode::Fixed256);
            const std::string name = path.filename().string();
            if (folder == "g") {
                EXPECT_EQ(fixed, Msg::None);
                EXPECT_TRUE(rgb == Msg::None || rgb == Msg::TooManyColors24);
            } else if (folder == "b") {
                EXPECT_EQ(fixed == Msg::None, kHarmlessInBad.contains(name));
            }
            if (rgb == Msg::None) {
                EXPECT_EQ(fixed, Msg::None);
            }
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace tintwell
