#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/bmp_header.h"
#include "bitmap/image_format.h"
#include "bitmap/png_rows.h"
#include "bitmap/writer.h"
#include "palette/fixed_palettes.h"
#include "support/bmp_builder.h"
#include "support/counted_png.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace tintwell {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string Text(const Bytes& b) {
    return {b.begin(), b.end()};
}

// One set of inputs through the whole engine: every file scanned under `settings`' rule and
// mapped into one table in order, then each written in `output` with the table's palette.
// Files the scan refuses are left out (their message kept).
struct SetRun {
    std::vector<Msg> scanned;          // per input
    std::vector<std::string> outputs;  // per input, "" where refused or the write failed
    std::vector<Msg> written;          // per input
    std::vector<Rgb> palette;
    int depth = 256;
};

SetRun RunSet(const std::vector<Bytes>& inputs, PaletteSettings settings, ImageFormat output) {
    ColorTable table;
    if (settings.mode == PaletteMode::Fixed256) table.FillFixedPalette(BuiltInPalette256());
    SetRun run;
    std::vector<BitmapScan> scans;
    std::vector<IndexMap> maps(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        std::istringstream in(Text(inputs[i]));
        scans.push_back(ScanBitmap(in, TrueColorRuleFor(settings, table)));
        run.scanned.push_back(scans.back().error);
        if (scans.back().error != Msg::None) {
            EXPECT_FALSE(scans.back().detail.empty()) << "a refusal without a reason";
            continue;
        }
        IndexCounts counts{};
        MapScan(scans.back(), settings, table, maps[i], counts);
    }
    run.palette = table.Palette();
    run.depth = settings.outputDepth;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        run.outputs.emplace_back();
        run.written.push_back(scans[i].error);
        if (scans[i].error != Msg::None) continue;
        std::istringstream in(Text(inputs[i]));
        std::ostringstream out;
        run.written.back() = WriteBitmap(in, out, OutputPalette{run.palette, run.depth},
                                         table.BuildOutputIndexMap(maps[i]), scans[i].rule, output);
        if (run.written.back() == Msg::None) run.outputs.back() = out.str();
    }
    return run;
}

using test::PngChunks;

// The libpng sources' PNG corpus, fetched once into the build folder.
fs::path PngCorpus() {
    const fs::path dest = fs::path(TINTWELL_THIRD_PARTY_DIR);
    const fs::path tree = dest / "libpng1.6" / "contrib";
    if (!fs::is_directory(tree)) {
        const std::string command = std::string(TINTWELL_SOURCE_DIR) +
                                    "/scripts/fetch-source-package libpng1.6 '" + dest.string() +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return {};
    }
    return fs::is_directory(tree) ? tree : fs::path();
}

// Every PNG of the corpus (the PNG suite, the test images, the damaged files that once
// crashed decoders) is accepted or refused with a reason, and an accepted one is written
// as PNG and as bitmap, both read back. The suite's files, all valid, are accepted (in the
// fixed mode, whatever their color count); the damaged ones are refused.
TEST(PngCorpus, EveryFileIsAcceptedOrRefusedWithAReason) {
    const fs::path corpus = PngCorpus();
    if (corpus.empty()) GTEST_SKIP() << "the libpng sources cannot be fetched";
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (entry.is_regular_file() && entry.path().extension() == ".png") {
            paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    int accepted = 0;
    for (const fs::path& path : paths) {
        SCOPED_TRACE(path.string());
        const Bytes input = test::ReadAll(path);
        for (const ImageFormat output : {ImageFormat::Png, ImageFormat::Bmp}) {
            PaletteSettings settings;
            settings.mode = PaletteMode::Fixed256;
            const SetRun run = RunSet({input}, settings, output);
            const bool suite = path.parent_path().filename() == "pngsuite";
            if (suite) {
                EXPECT_EQ(run.scanned[0], Msg::None);
            }
            const bool crasher = path.parent_path().filename() == "crashers";
            EXPECT_NE(run.scanned[0] == Msg::None, crasher);
            if (run.scanned[0] != Msg::None) continue;
            EXPECT_EQ(run.written[0], Msg::None);
            std::istringstream back(run.outputs[0]);
            const BitmapScan again = ScanBitmap(back);
            EXPECT_EQ(again.error, Msg::None) << again.detail;
            EXPECT_EQ(again.fileFormat, output);
            accepted += output == ImageFormat::Png ? 1 : 0;
        }
    }
    EXPECT_GT(accepted, 100);
}

// Runs the Pillow and ImageMagick side of the tests: 0 when it succeeded, 77 when a tool is
// missing, else its failure.
int RunCases(const std::string& verb, const fs::path& dir) {
#ifdef _WIN32
    // Pillow, ImageMagick and pngcheck are the Linux side's; the Windows build is checked
    // against the Linux build's outputs instead.
    (void)verb;
    (void)dir;
    return 77;
#else
    const fs::path python = "/usr/bin/python3";
    if (!fs::exists(python)) return 77;
    // The source folder, not __FILE__: a compiler cache may make __FILE__ relative.
    const fs::path script = fs::path(TINTWELL_SOURCE_DIR) / "tests" / "bitmap" / "png_cases.py";
    const std::string command =
        python.string() + " '" + script.string() + "' " + verb + " '" + dir.string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// Inputs made by Pillow and ImageMagick (palette 1/4/8-bit, gray 1/2/4/8/16-bit, gray +
// alpha, RGB 8/16, RGBA 8/16, interlaced, tRNS on palette, gray and RGB; bitmaps bottom-up
// and top-down), analysed as one set in RGB mode at 8 bits, each written as PNG and as
// bitmap (a bitmap from PNG bottom-up with the pHYs resolution): every output opens in Pillow (and
// a PNG passes pngcheck and ImageMagick), every output pixel has its input pixel's color as Pillow
// decodes both (alpha 0 as the key color), and every PNG of the set carries the same 256-entry PLTE
// and no ancillary chunk. The inputs of at most 16 colors are also written alone at 16 entries, 4
// bits a pixel.
TEST(PngCodec, EveryOutputPixelHasTheColorPillowGivesItsInput) {
    const test::TempDir dir;
    const int made = RunCases("make", dir.Path());
    if (made == 77) GTEST_SKIP() << "Pillow, ImageMagick or pngcheck is missing";
    ASSERT_EQ(made, 0);
    std::vector<std::string> names;
    for (const std::string& name : test::Listing(dir.Path())) {
        if (!name.ends_with(".rgb")) names.push_back(name);
    }
    ASSERT_GE(names.size(), 20u);

    struct Set {
        std::string tag;
        std::vector<std::string> names;
        int depth;
    };
    std::vector<Set> sets = {{"all", names, 256}};
    for (const std::string& name : names) {
        if (name.starts_with("few-")) sets.push_back({"few", {name}, 16});
    }
    std::vector<std::pair<std::string, std::string>> written;  // input, output
    for (const Set& set : sets) {
        std::vector<Bytes> inputs;
        for (const std::string& name : set.names)
            inputs.push_back(test::ReadAll(dir / name));
        for (const ImageFormat output : {ImageFormat::Png, ImageFormat::Bmp}) {
            PaletteSettings settings;
            settings.outputDepth = set.depth;
            const SetRun run = RunSet(inputs, settings, output);
            std::string plte;
            for (std::size_t i = 0; i < inputs.size(); ++i) {
                SCOPED_TRACE(set.names[i]);
                ASSERT_EQ(run.scanned[i], Msg::None);
                ASSERT_EQ(run.written[i], Msg::None);
                const std::string out =
                    set.names[i] + "." + set.tag + ".out" + std::string(ExtensionOf(output));
                dir.Write(out, Bytes(run.outputs[i].begin(), run.outputs[i].end()));
                written.emplace_back(set.names[i], out);
                if (output == ImageFormat::Bmp && set.names[i] == "pil-rgb8.png") {
                    const std::string& b = run.outputs[i];
                    EXPECT_EQ(b.substr(38, 8), std::string("\x13\x0B\0\0\x13\x0B\0\0", 8))
                        << "the resolution is not the pHYs one";
                    EXPECT_EQ(b.substr(22, 4), std::string("\x0D\0\0\0", 4)) << "not bottom-up";
                }
                if (output != ImageFormat::Png) continue;
                const auto chunks = PngChunks(run.outputs[i]);
                ASSERT_EQ(chunks.size(), 4u);
                EXPECT_EQ(chunks[0].first + chunks[1].first + chunks[2].first + chunks[3].first,
                          "IHDRPLTEIDATIEND");
                EXPECT_EQ(chunks[0].second.substr(8, 2), set.depth == 16 ? "\x04\x03" : "\x08\x03");
                EXPECT_EQ(chunks[1].second.size(), 3u * static_cast<unsigned>(set.depth));
                if (plte.empty()) plte = chunks[1].second;
                EXPECT_EQ(chunks[1].second, plte) << "the set's PLTE differs";
            }
        }
    }
    ASSERT_EQ(RunCases("check", dir.Path()), 0);
    for (const auto& [input, output] : written) {
        const Bytes expected = test::ReadAll(dir / (input + ".rgb"));
        ASSERT_GT(expected.size(), 8u) << input;
        EXPECT_TRUE(test::ReadAll(dir / (output + ".rgb")) == expected)
            << output << ": a pixel differs from Pillow's decode of " << input;
    }
}

// The CRC-32 of PNG chunks (the zlib polynomial), over `bytes`.
std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutU32be(std::string& s, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        s[at + static_cast<std::size_t>(k)] = static_cast<char>(v >> (24 - 8 * k));
}

// Where each chunk starts in a PNG file, by type (the first of each type).
std::map<std::string, std::size_t> ChunkOffsets(const std::string& png) {
    std::map<std::string, std::size_t> offsets;
    std::size_t at = 8;
    for (const auto& [type, data] : PngChunks(png)) {
        offsets.emplace(type, at);
        at += 12 + data.size();
    }
    return offsets;
}

// Damaged PNG files are refused with the message of the fault and a reason, by the scan
// and by the writer alike, whichever format the writer is asked for.
TEST(PngCodec, DamagedFilesAreRefused) {
    std::vector<std::uint32_t> pixels(64 * 48);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>((i * 7 + i / 64) % 200);
    const Bytes bmp = test::BmpBuilder(64, 48, 8).DistinctPalette(200).Pixels(pixels).Bytes();
    SetRun made = RunSet({bmp}, PaletteSettings{}, ImageFormat::Png);
    ASSERT_EQ(made.written[0], Msg::None);
    const std::string good = made.outputs[0];
    const auto at = ChunkOffsets(good);
    const std::size_t ihdr = at.at("IHDR");
    const std::size_t idat = at.at("IDAT");
    const std::size_t idatLength = PngChunks(good)[2].second.size();
    const std::size_t iend = at.at("IEND");

    // IHDR with new dimensions, its CRC made to match.
    const auto sized = [&](std::uint32_t width, std::uint32_t height) {
        std::string s = good;
        PutU32be(s, ihdr + 8, width);
        PutU32be(s, ihdr + 12, height);
        PutU32be(s, ihdr + 8 + 13, Crc32(std::string_view(s).substr(ihdr + 4, 4 + 13)));
        return s;
    };
    const auto flipped = [&](std::size_t offset) {
        std::string s = good;
        s[offset] = static_cast<char>(s[offset] ^ 0x55);
        return s;
    };
    // The zlib header of the image data damaged, the chunk's CRC made to match.
    std::string badZlib = flipped(idat + 8);
    PutU32be(badZlib, idat + 8 + idatLength,
             Crc32(std::string_view(badZlib).substr(idat + 4, 4 + idatLength)));

    // The writer reads only what a scan has checked (the output job compares the bytes), so
    // it does not compute the checksums again: a damaged CRC is the scan's to refuse.
    const struct {
        const char* name;
        std::string file;
        Msg expected;
        Msg written;
    } cases[] = {
        {"SignatureOnly", good.substr(0, 8), Msg::InvalidData, Msg::InvalidData},
        {"HeaderChunkCut", good.substr(0, ihdr + 15), Msg::InvalidData, Msg::InvalidData},
        {"HeaderCrc", flipped(ihdr + 8 + 13), Msg::InvalidData, Msg::None},
        {"ImageDataCut", good.substr(0, idat + 8 + idatLength / 2), Msg::ReadError, Msg::ReadError},
        {"ImageDataCrc", flipped(idat + 8 + idatLength), Msg::ReadError, Msg::None},
        {"ImageDataZlib", badZlib, Msg::ReadError, Msg::ReadError},
        {"EndChunkMissing", good.substr(0, iend), Msg::ReadError, Msg::ReadError},
        {"Huge", sized(20000, 20000), Msg::Unsupported, Msg::Unsupported},
        {"HugeWidth", sized(0x7FFFFFFF, 1), Msg::Unsupported, Msg::Unsupported},
        {"ZeroWidth", sized(0, 48), Msg::InvalidData, Msg::InvalidData},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.file);
        const BitmapScan scan = ScanBitmap(in);
        EXPECT_EQ(scan.fileFormat, ImageFormat::Png) << c.name;
        EXPECT_EQ(scan.error, c.expected) << c.name << ": " << scan.detail;
        EXPECT_FALSE(scan.detail.empty()) << c.name;
        for (const ImageFormat output : {ImageFormat::Png, ImageFormat::Bmp}) {
            std::istringstream again(c.file);
            std::ostringstream out;
            EXPECT_EQ(WriteBitmap(again, out, OutputPalette{made.palette, 256}, OutputIndexMap{},
                                  {}, output),
                      c.written)
                << c.name;
        }
    }
    // An output stream that takes nothing: the write fails as a write.
    std::istringstream in(good);
    std::ostream nowhere(nullptr);
    EXPECT_EQ(WriteBitmap(in, nowhere, OutputPalette{made.palette, 256}, OutputIndexMap{}, {},
                          ImageFormat::Png),
              Msg::WriteError);
}

// A PNG file whose header claims `width` x `height` pixels (its image data is one pixel:
// only the header is read here).
std::string PngClaiming(std::uint32_t width, std::uint32_t height) {
    const Bytes one =
        test::PngBuilder(1, 1, test::PngBuilder::Indexed).Palette({0}).Pixels({0}).Bytes();
    std::string s = Text(one);
    const std::size_t ihdr = ChunkOffsets(s).at("IHDR");
    PutU32be(s, ihdr + 8, width);
    PutU32be(s, ihdr + 12, height);
    PutU32be(s, ihdr + 8 + 13, Crc32(std::string_view(s).substr(ihdr + 4, 4 + 13)));
    return s;
}

// Both formats take the same most pixels, in any shape, and refuse more for the same
// reason: uncompressed and run-length bitmaps alike, before any row is decoded.
TEST(ImageSize, OneLimitForBothFormats) {
    const auto bmp = [](std::int32_t width, std::int32_t height, bool runLength) {
        const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
        return Text(runLength ? test::BmpBuilder(width, height, 8)
                                    .Compression(1)
                                    .DistinctPalette(2)
                                    .Data({0, 1})
                                    .Bytes()
                              : test::BmpBuilder(width, height, 1)
                                    .DistinctPalette(2)
                                    .Data(Bytes(stride * static_cast<std::size_t>(height)))
                                    .Bytes());
    };
    constexpr std::uint32_t kAll = 1u << 28;  // 16384 x 16384
    const struct {
        const char* name;
        std::string file;
        bool refused;
    } cases[] = {
        {"BmpAtTheLimit", bmp(16384, 16384, false), false},
        {"BmpOneColumnMore", bmp(16385, 16384, false), true},
        {"RleAtTheLimit", bmp(16384, 16384, true), false},
        {"RleOneRowMore", bmp(16384, 16385, true), true},
        {"RleOneTallColumn", bmp(1, kAll, true), false},
        {"RleHuge", bmp(32768, 32768, true), true},
        {"PngAtTheLimit", PngClaiming(16384, 16384), false},
        {"PngOneColumnMore", PngClaiming(16385, 16384), true},
        {"PngOneTallColumn", PngClaiming(1, kAll), false},
        {"PngOneLongRow", PngClaiming(kAll + 1, 1), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.file);
        Msg error = Msg::None;
        std::string_view detail;
        if (SniffFormat(in) == ImageFormat::Png) {
            PngRows rows(in, Rgb{});
            error = rows.Open();
            detail = rows.Detail();
        } else {
            const HeaderResult read = ReadBmpHeader(in);
            error = read.error;
            detail = read.detail;
        }
        EXPECT_EQ(error, c.refused ? Msg::Unsupported : Msg::None) << detail;
        EXPECT_EQ(detail, c.refused ? "an image of more pixels than 16384 x 16384" : "");
    }
}

}  // namespace
}  // namespace tintwell
