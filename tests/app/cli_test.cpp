#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "app/cli_run.h"
#include "bitmap/analyser.h"
#include "bitmap/byte_io.h"
#include "bitmap/image_format.h"
#include "jobs/file_paths.h"
#include "palette/palette_file.h"
#include "support/bmp_builder.h"
#include "support/counted_bitmap.h"
#include "support/counted_png.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

namespace tintwell {
namespace {

namespace fs = std::filesystem;
using cli::ParseArguments;
using cli::ParseResult;
using test::BmpBuilder;
using test::ReadAll;
using test::TempDir;

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

CliResult RunTool(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = cli::RunCli(args, out, err, false);
    return {status, out.str(), err.str()};
}

// A 24-bit image of four pixels: red, green, red, blue, plus `extra` gray levels.
std::vector<std::uint8_t> Rgb24(int extra = 0) {
    std::vector<std::uint32_t> px = {0xFF0000, 0x00FF00, 0xFF0000, 0x0000FF};
    for (int i = 0; i < extra; ++i)
        px.push_back(static_cast<std::uint32_t>(i * 0x010101));
    return BmpBuilder(static_cast<std::int32_t>(px.size()), 1, 24).Pixels(px).Bytes();
}

// A path as the JSON output writes it: UTF-8, backslashes (Windows separators) escaped.
std::string JsonPath(const fs::path& p) {
    std::string text;
    for (const char c : Utf8FromPath(p)) {
        if (c == '\\') text += '\\';
        text += c;
    }
    return text;
}

// An 8-bit image of six pixels: two red, four gray.
std::vector<std::uint8_t> RedGray8() {
    return BmpBuilder(3, 2, 8)
        .Palette({{0, 0, 0xFF, 0}, {0x80, 0x80, 0x80, 0}})
        .Pixels({0, 1, 0, 1, 1, 1})
        .Bytes();
}

// The colors of every pixel of a bitmap, as the analyser reads them.
std::vector<std::uint32_t> PixelColors(const fs::path& p) {
    const auto bytes = ReadAll(p);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    const BitmapScan scan = ScanBitmap(in);
    EXPECT_EQ(scan.error, Msg::None) << p;
    std::vector<std::uint32_t> colors;
    for (int i = 0; i < 256; ++i) {
        if (scan.useCounts[i] == 0) continue;
        const ColorQuad c = scan.palette[i];
        colors.push_back((c.red << 16) | (c.green << 8) | c.blue);
    }
    return colors;
}

// The color of every pixel of an 8-bit bitmap, rows from the top, read here by the format's
// fixed offsets rather than by the analyser.
std::vector<std::uint32_t> Pixels8(const fs::path& p) {
    const auto b = ReadAll(p);
    EXPECT_GE(b.size(), 54u) << p;
    if (b.size() < 54 || readU16le(b, 28) != 8) return {};
    const std::int64_t width = static_cast<std::int32_t>(readU32le(b, 18));
    const std::int64_t height = static_cast<std::int32_t>(readU32le(b, 22));
    const std::size_t stride = static_cast<std::size_t>((width + 3) / 4 * 4);
    const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
    const std::size_t offset = readU32le(b, 10);
    std::vector<std::uint32_t> colors;
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t stored = height < 0 ? y : rows - 1 - y;
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            const std::size_t at = offset + stored * stride + x;
            if (at >= b.size()) return {};
            const std::size_t entry = 54 + 4 * std::size_t{b[at]};
            colors.push_back(static_cast<std::uint32_t>(b[entry + 2]) << 16 |
                             static_cast<std::uint32_t>(b[entry + 1]) << 8 | b[entry]);
        }
    }
    return colors;
}

// The data of a PNG file's PLTE chunk ("" when it has none).
std::string PlteOf(const fs::path& p) {
    const auto b = ReadAll(p);
    const std::string text(b.begin(), b.end());
    const std::size_t at = text.find("PLTE");
    if (at < 4 || at == std::string::npos) return {};
    const std::size_t length = std::size_t{b[at - 4]} << 24 | std::size_t{b[at - 3]} << 16 |
                               std::size_t{b[at - 2]} << 8 | b[at - 1];
    return text.substr(at + 4, length);
}

TEST(CliTest, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--mode", "cmyk", "a.bmp"},
                                               {"-b", "0", "a.bmp"},
                                               {"-b", "5,5", "a.bmp"},
                                               {"-d", "64", "a.bmp"},
                                               {"--sort", "pixels", "-m", "fixed256", "a.bmp"},
                                               {"-p", "x.act", "a.bmp"},
                                               {"-m", "fixed16", "-p", "x.txt", "a.bmp"},
                                               {"-m", "fixed16", "-p", "x.gpl.act", "a.bmp"},
                                               {"--save-palette", "x.txt", "a.bmp"},
                                               {"--bogus", "a.bmp"},
                                               {"--save-palette", "a.bmp", "b.bmp"},
                                               {"--key-color", "255,0", "a.bmp"},
                                               {"--key-color", "256,0,0", "a.bmp"},
                                               {"--key-color", "ff00f", "a.bmp"},
                                               {"--key-color", "gg00ff", "a.bmp"},
                                               {"--format", "gif", "a.bmp"},
                                               {"-o"}}) {
        const CliResult r = RunTool(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("tintwell-cli:"), std::string::npos);
    }
    EXPECT_EQ(RunTool({"--help"}).status, 0);
    EXPECT_NE(RunTool({"--version"}).out.find("tintwell-cli"), std::string::npos);
}

// --help and --version excuse a missing file list, nothing else: a usage error anywhere on
// the line, before or after them, exits 2 with nothing on standard output.
TEST(CliTest, UsageErrorsWinOverHelpWhereverTheyStand) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"-h", "--bogus"},
                                               {"--bogus", "-h"},
                                               {"--help", "-d", "64", "a.bmp"},
                                               {"-qh", "-b", "9"},
                                               {"--version", "--mode", "cmyk"},
                                               {"-h", "-m", "fixed256", "-b", "5"},
                                               {"--help", "-o"}}) {
        const CliResult r = RunTool(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.out, "") << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("tintwell-cli:"), std::string::npos) << ::testing::PrintToString(args);
    }
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"-h"}, {"a.bmp", "-q", "--help"}, {"--version"}}) {
        const CliResult r = RunTool(args);
        EXPECT_EQ(r.status, 0) << ::testing::PrintToString(args);
        EXPECT_NE(r.out, "") << ::testing::PrintToString(args);
    }
}

TEST(CliTest, ShortFlagsMayBeGrouped) {
    ParseResult p = ParseArguments({"-fqo", "out", "a.bmp"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_TRUE(p.options.force);
    EXPECT_TRUE(p.options.quiet);
    EXPECT_EQ(p.options.outputDir, "out");
    EXPECT_EQ(p.options.files, std::vector<std::string>{"a.bmp"});
    p = ParseArguments({"-qb5", "a.bmp", "--", "-fq"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.bits.red, 5);
    EXPECT_EQ(p.options.bits.blue, 5);
    EXPECT_EQ(p.options.files, (std::vector<std::string>{"a.bmp", "-fq"}));
    EXPECT_FALSE(ParseArguments({"-fx", "a.bmp"}).error.empty());
}

TEST(CliTest, MoreThan128FilesDoNothing) {
    std::vector<std::string> args;
    for (int i = 0; i < 129; ++i)
        args.push_back("f" + std::to_string(i) + ".bmp");
    CliResult r = RunTool(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("入力できるファイル数は128までです。"), std::string::npos);
    // With --json every file is still reported, refused with the reason.
    args.push_back("--json");
    r = RunTool(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.rfind("{\"mode\":\"rgb\",\"bits\":[8,8,8],\"depth\":256,\"colors\":[],", 0),
              0u);
    EXPECT_NE(r.out.find("{\"path\":\"f128.bmp\",\"status\":\"refused\",\"message\":\""
                         "入力できるファイル数は128までです。\",\"format\":null}"),
              std::string::npos);
}

TEST(CliTest, FilesInBaseNameOrderWithDuplicatesAndOthersSkipped) {
    TempDir dir;
    const auto b = dir.Write("B.bmp", BmpBuilder(1, 1, 24).Pixels({0x000001}).Bytes());
    const auto a = dir.Write("a.BMP", BmpBuilder(1, 1, 24).Pixels({0x000002}).Bytes());
    const auto c = dir.Write("c.bmp", BmpBuilder(1, 1, 24).Pixels({0x000003}).Bytes());
    const auto a2 = dir.Write("sub/A.bmp", BmpBuilder(1, 1, 24).Pixels({0x000004}).Bytes());
    const auto txt = dir.Write("notes.txt", {'h', 'i'});
    const CliResult r =
        RunTool({"--json", b.string(), a2.string(), txt.string(), c.string(), a.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    // Colors enter in list order: sub/A (4), B (1), c (3). a.BMP comes later on the command
    // line than sub/A.bmp, so it is the duplicate that is skipped.
    const auto at = [&](const std::string& s) { return r.out.find(s); };
    EXPECT_LT(at("\"blue\":4"), at("\"blue\":1"));
    EXPECT_LT(at("\"blue\":1"), at("\"blue\":3"));
    EXPECT_EQ(at("\"blue\":2"), std::string::npos);
    const auto status = [&](const fs::path& p, const std::string& st) {
        return at("{\"path\":\"" + JsonPath(p) + "\",\"status\":\"" + st + "\"");
    };
    EXPECT_NE(status(a, "skipped"), std::string::npos);
    EXPECT_NE(status(txt, "skipped"), std::string::npos);
    EXPECT_NE(status(a2, "analysed"), std::string::npos);
    // The files are listed in list order.
    EXPECT_LT(status(a2, "analysed"), status(b, "analysed"));
    EXPECT_LT(status(b, "analysed"), status(c, "analysed"));
}

TEST(CliTest, WritesEveryFileWithTheCommonPalette) {
    TempDir dir;
    const auto one = dir.Write("one.bmp", Rgb24());
    const auto two = dir.Write("two.bmp", RedGray8());
    const auto out = dir / "out";
    const CliResult r = RunTool({"-q", "-o", out.string(), "--save-palette",
                                 (dir / "p.act").string(), one.string(), two.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PixelColors(out / "one.bmp"),
              (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF}));
    EXPECT_EQ(PixelColors(out / "two.bmp"), (std::vector<std::uint32_t>{0xFF0000, 0x808080}));
    // Both outputs carry the same 256-entry table: red, green, blue, gray, then zeros.
    const auto w1 = ReadAll(out / "one.bmp");
    const auto w2 = ReadAll(out / "two.bmp");
    ASSERT_GE(w1.size(), 1078u);
    ASSERT_GE(w2.size(), 1078u);
    EXPECT_TRUE(std::equal(w1.begin() + 54, w1.begin() + 1078, w2.begin() + 54));
    const auto act = ReadAll(dir / "p.act");
    ASSERT_EQ(act.size(), 768u);
    EXPECT_EQ(std::vector<std::uint8_t>(act.begin(), act.begin() + 13),
              (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 0}));
}

// Each color lists the files whose pixels have it, in list order, with their pixel counts;
// a fixed palette's color that no file uses lists none.
TEST(CliTest, JsonListsTheFilesOfEachColor) {
    TempDir dir;
    const auto one = dir.Write("one.bmp", Rgb24());
    const auto two = dir.Write("two.bmp", RedGray8());
    const std::string p1 = JsonPath(one), p2 = JsonPath(two);
    CliResult r = RunTool({"--json", one.string(), two.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& color :
         {"{\"index\":0,\"red\":255,\"green\":0,\"blue\":0,\"pixels\":4,\"files\":[{\"path\":\"" +
              p1 + "\",\"pixels\":2},{\"path\":\"" + p2 + "\",\"pixels\":2}]}",
          "{\"index\":2,\"red\":0,\"green\":0,\"blue\":255,\"pixels\":1,\"files\":[{\"path\":\"" +
              p1 + "\",\"pixels\":1}]}",
          "{\"index\":3,\"red\":128,\"green\":128,\"blue\":128,\"pixels\":4,\"files\":[{"
          "\"path\":\"" +
              p2 + "\",\"pixels\":4}]}"}) {
        EXPECT_NE(r.out.find(color), std::string::npos) << color << "\n" << r.out;
    }
    r = RunTool({"--json", "-m", "fixed16", two.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"pixels\":0,\"files\":[]}"), std::string::npos) << r.out;
}

// BMP and PNG inputs together: each keeps its format, or --format converts every file, the
// output's extension following; BMP -> PNG -> BMP gives every pixel its input's color.
TEST(CliTest, FormatConvertsBothWaysExactly) {
    constexpr std::uint32_t kR = 0xFF0000, kG = 0x00FF00, kB = 0x0000FF, kW = 0xFFFFFF,
                            kGray = 0x808080;
    TempDir dir;
    const auto a = dir.Write("in/a.bmp", BmpBuilder(3, 2, 8)
                                             .Palette({test::Quad(kR), test::Quad(kG)})
                                             .Pixels({0, 1, 0, 1, 1, 0})
                                             .Height(-2)
                                             .Bytes());
    const auto b = dir.Write("in/b.png", test::PngBuilder(3, 2, test::PngBuilder::Indexed)
                                             .Palette({kG, kB, kW})
                                             .Pixels({2, 1, 0, 0, 1, 2})
                                             .Bytes());
    const auto c = dir.Write("in/c.png", test::PngBuilder(3, 2, test::PngBuilder::Rgb)
                                             .Pixels({kB, kGray, kR, kR, kB, kGray})
                                             .Bytes());
    const std::vector<std::vector<std::uint32_t>> truth = {
        {kR, kG, kR, kG, kG, kR}, {kW, kB, kG, kG, kB, kW}, {kB, kGray, kR, kR, kB, kGray}};
    const auto run = [&](const std::string& format, const std::string& out,
                         std::vector<fs::path> inputs) {
        std::vector<std::string> args = {"-q", "--format", format, "-o", (dir / out).string()};
        for (const fs::path& in : inputs)
            args.push_back(in.string());
        return RunTool(args);
    };
    const auto formatOf = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return SniffFormat(in);
    };
    ASSERT_EQ(run("same", "same", {a, b, c}).status, 0);
    EXPECT_EQ(test::Listing(dir / "same"), (std::vector<std::string>{"a.bmp", "b.png", "c.png"}));
    EXPECT_EQ(formatOf(dir / "same" / "b.png"), ImageFormat::Png);
    ASSERT_EQ(run("bmp", "bmp", {a, b, c}).status, 0);
    ASSERT_EQ(run("png", "png", {a, b, c}).status, 0);
    const fs::path png = dir / "png";
    ASSERT_EQ(run("bmp", "back", {png / "a.png", png / "b.png", png / "c.png"}).status, 0);
    const char* names[] = {"a", "b", "c"};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string name = names[i];
        EXPECT_EQ(formatOf(png / (name + ".png")), ImageFormat::Png) << name;
        EXPECT_EQ(PlteOf(png / (name + ".png")), PlteOf(png / "a.png")) << name;
        EXPECT_EQ(Pixels8(dir / "bmp" / (name + ".bmp")), truth[i]) << name;
        EXPECT_EQ(Pixels8(dir / "back" / (name + ".bmp")), truth[i]) << name;
    }
    EXPECT_EQ(PlteOf(png / "a.png").size(), 3u * 256u);

    // A file left alone is named by the output it would have been.
    const CliResult again = run("png", "png", {a});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find((png / "a.png").string() + ": exists, left alone"), std::string::npos)
        << again.err;
}

// Non-ASCII names go through whole on every system (UTF-16 on Windows): read, written under
// the same name into a folder with a non-ASCII name, and reported as they were given.
TEST(CliTest, JapaneseFileNamesRoundTrip) {
    TempDir dir;
    const std::string name = "日本語 スプライト.bmp";
    const fs::path in = dir.Path() / PathFromUtf8("入力") / PathFromUtf8(name);
    const fs::path out = dir.Path() / PathFromUtf8("出力");
    fs::create_directories(in.parent_path());
    const auto bytes = Rgb24();
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const CliResult r = RunTool({"-q", "--json", "-o", Utf8FromPath(out), Utf8FromPath(in)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PixelColors(out / PathFromUtf8(name)),
              (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF}));
    EXPECT_NE(r.out.find("{\"path\":\"" + JsonPath(in) + "\",\"status\":\"written\""),
              std::string::npos)
        << r.out;
}

// Only the system's separators separate: on POSIX a backslash is part of a file name, so
// back\slash.bmp is written under its whole name and slash.bmp beside it is no duplicate.
TEST(CliTest, ABackslashIsPartOfTheNameOnPosix) {
#ifdef _WIN32
    GTEST_SKIP() << "a backslash separates folders on Windows";
#else
    TempDir dir;
    const auto back = dir.Write("in/back\\slash.bmp", Rgb24());
    const auto plain = dir.Write("in/slash.bmp", Rgb24(1));
    const CliResult r =
        RunTool({"-q", "-o", (dir / "out").string(), back.string(), plain.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PixelColors(dir / "out" / "back\\slash.bmp").size(), 3u);
    EXPECT_EQ(PixelColors(dir / "out" / "slash.bmp").size(), 4u);
#endif
}

// With -f every existing output is replaced, written beside the files before it, except a
// folder, which is refused in its turn while the rest go on.
TEST(CliTest, ExistingOutputsAreLeftAloneWithoutForce) {
    TempDir dir;
    const auto in = dir.Write("in/pic.bmp", Rgb24());
    const auto old = dir.Write("out/pic.bmp", {'o', 'l', 'd'});
    CliResult r = RunTool({"-q", "--json", "-o", (dir / "out").string(), in.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"status\":\"exists\""), std::string::npos);
    EXPECT_EQ(ReadAll(old), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    r = RunTool({"-q", "-f", "-o", (dir / "out").string(), in.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_GT(ReadAll(old).size(), 1078u);

    std::vector<std::string> args{"-f", "-o", (dir / "many").string()};
    for (int i = 0; i < 6; ++i) {
        const std::string name = "p" + std::to_string(i) + ".bmp";
        args.push_back(dir.Write("in/" + name, Rgb24()).string());
        if (i == 3) {
            fs::create_directories(dir / "many" / name);
        } else {
            dir.Write("many/" + name, {'o', 'l', 'd'});
        }
    }
    r = RunTool(args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("p3.bmp: is a folder, not written"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_directory(dir / "many/p3.bmp"));
    for (const int i : {0, 1, 2, 4, 5}) {
        EXPECT_GT(ReadAll(dir / "many" / ("p" + std::to_string(i) + ".bmp")).size(), 1078u) << i;
    }
}

// What stands at an output or palette path is never lost: an existing palette file is kept
// and reported without -f like an output; a folder is never written over, -f or not; a link
// is written through (its target made when its folder exists), never replaced.
TEST(CliTest, WhatStandsAtAnOutputPathIsKeptOrWrittenThrough) {
    TempDir dir;
    const auto in = dir.Write("in/pic.bmp", Rgb24());
    const auto pal = dir.Write("pal.act", {'o', 'l', 'd'});
    CliResult r = RunTool({"-q", "--save-palette", pal.string(), in.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(pal.string() + ": exists, left alone (use -f"), std::string::npos);
    EXPECT_EQ(ReadAll(pal), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    r = RunTool({"-q", "-f", "--save-palette", pal.string(), in.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(pal).size(), 768u);
    // Written palettes, like bitmaps, may spell their extension in any letter case.
    r = RunTool({"-q", "--save-palette", (dir / "upper.ACT").string(), in.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "upper.ACT").size(), 768u);

    fs::create_directories(dir / "folder/pic.bmp");
    for (const char* force : {"-q", "-f"}) {
        r = RunTool({"-q", force, "-o", (dir / "folder").string(), in.string()});
        EXPECT_EQ(r.status, 1) << force << r.err;
        EXPECT_NE(r.err.find("pic.bmp: is a folder, not written"), std::string::npos) << r.err;
        EXPECT_TRUE(fs::is_directory(dir / "folder/pic.bmp"));
    }

#ifdef _WIN32
    GTEST_SKIP() << "links need a privilege on Windows";
#else
    // A dangling link whose target's folder exists: the target is made, the link stays.
    fs::create_directories(dir / "links");
    fs::create_directories(dir / "elsewhere");
    fs::create_symlink("../elsewhere/made.bmp", dir / "links/pic.bmp");
    r = RunTool({"-q", "-f", "-o", (dir / "links").string(), in.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir / "links/pic.bmp"));
    EXPECT_GT(ReadAll(dir / "elsewhere/made.bmp").size(), 54u);
    // One whose target's folder is missing: refused with 228, the link as it was.
    fs::remove(dir / "links/pic.bmp");
    fs::create_symlink(dir / "missing/made.bmp", dir / "links/pic.bmp");
    r = RunTool({"-q", "-f", "-o", (dir / "links").string(), in.string()});
    EXPECT_EQ(r.status, 2);  // the job ended before any file was written
    EXPECT_NE(r.err.find(FormatMessage(Msg::CannotCreate, (dir / "links/pic.bmp").string())),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::is_symlink(dir / "links/pic.bmp"));
    EXPECT_EQ(fs::read_symlink(dir / "links/pic.bmp"), dir / "missing/made.bmp");
    EXPECT_FALSE(fs::exists(dir / "missing"));
#endif
}

TEST(CliTest, OutputOntoTheInputItselfIsRefusedHoweverWritten) {
    TempDir dir;
    const auto in = dir.Write("src/pic.bmp", Rgb24());
    const auto before = ReadAll(in);
    std::vector<std::string> outDirs = {(dir / "src").string(), "src", "./src/../src/"};
    // Folder links need a privilege on Windows; without it the other spellings still count.
    std::error_code linkError;
    fs::create_directory_symlink(dir / "src", dir / "link", linkError);
    if (!linkError) outDirs.push_back((dir / "link").string());
#ifdef _WIN32
    outDirs.push_back(".\\SRC\\");
#endif
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.Path());
    for (const std::string& outDir : outDirs) {
        const CliResult r = RunTool({"-q", "-f", "-o", outDir, in.string()});
        EXPECT_EQ(r.status, 2) << outDir;  // nothing could be written
        EXPECT_NE(r.err.find("入力ファイルと出力ファイルが同じです。"), std::string::npos)
            << outDir;
        EXPECT_EQ(ReadAll(in), before) << outDir;
    }
    fs::current_path(cwd);
}

// The run ends at the file whose output is its input: files before it are written, the
// ones after it are not, and no palette file is saved for the half-done set.
TEST(CliTest, RunEndsWhereTheOutputWouldBeItsInput) {
    TempDir dir;
    const auto a = dir.Write("other/a.bmp", Rgb24());
    const auto pic = dir.Write("src/pic.bmp", Rgb24());
    const auto z = dir.Write("other/z.bmp", Rgb24());
    const CliResult r =
        RunTool({"-q", "--json", "-f", "-o", (dir / "src").string(), "--save-palette",
                 (dir / "p.act").string(), z.string(), pic.string(), a.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::exists(dir / "src" / "a.bmp"));
    EXPECT_FALSE(fs::exists(dir / "src" / "z.bmp"));
    EXPECT_FALSE(fs::exists(dir / "p.act"));
    EXPECT_NE(r.out.find("\"status\":\"written\""), std::string::npos);
    EXPECT_NE(r.out.find("\"status\":\"refused\",\"message\":\"" + JsonPath(pic)),
              std::string::npos);
    EXPECT_NE(r.out.find("not written, the output job ended at an earlier file"),
              std::string::npos);
}

TEST(CliTest, ColorsThatDoNotFitTheDepthWriteNothing) {
    TempDir dir;
    const auto in = dir.Write("many.bmp", Rgb24(20));  // red, green, blue and 20 grays
    const CliResult r = RunTool({"-q", "-d", "16", "-o", (dir / "out").string(), in.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("colors do not fit a 16-color palette"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out" / "many.bmp"));
    // Fewer bits per channel fold the grays together.
    EXPECT_EQ(
        RunTool({"-q", "-d", "16", "-b", "2", "-o", (dir / "out").string(), in.string()}).status,
        0);
}

TEST(CliTest, RefusedFilesAreNamedAndTheRestIsDone) {
    TempDir dir;
    const auto good = dir.Write("good.bmp", Rgb24());
    const auto bad = dir.Write("bad.bmp", {'B', 'M', 1, 2, 3});
    const auto jpeg = dir.Write("jpeg.bmp", BmpBuilder(2, 2, 24).Compression(4).Bytes());
    const auto narrow = dir.Write("narrow.bmp", BmpBuilder(0, 2, 8).Bytes());
    CliResult r = RunTool({"-q", "-o", (dir / "out").string(), good.string(), bad.string(),
                           jpeg.string(), narrow.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(FormatMessage(Msg::InvalidData, narrow.string())), std::string::npos);
    EXPECT_NE(r.err.find("「" + bad.string() + "」はデータが不正です。"), std::string::npos);
    // The message number's text, then why in words.
    EXPECT_NE(r.err.find("「" + jpeg.string() +
                         "」はサポートしていない形式です。 (a JPEG image inside the bitmap)"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "out" / "good.bmp"));
    r = RunTool({"-q", bad.string(), (dir / "missing.bmp").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("がオープンできません。"), std::string::npos);
}

// Each file names its input format; transparent pixels take the key color, given as
// R,G,B or rrggbb; a run past the row is refused with the reason on its line.
TEST(CliTest, FormatsKeyColorAndReasons) {
    TempDir dir;
    const auto rle = dir.Write(
        "a.bmp", BmpBuilder(3, 1, 8).Compression(1).DistinctPalette(4).Data({3, 2, 0, 1}).Bytes());
    const auto alpha =
        dir.Write("b.bmp", BmpBuilder(2, 1, 32).Pixels({0x00FFFFFF, 0xFF010203}).Bytes());
    const auto bad = dir.Write(
        "c.bmp", BmpBuilder(3, 1, 8).Compression(1).DistinctPalette(4).Data({5, 2, 0, 1}).Bytes());
    for (const std::string key : {"10,20,30", "0a141e", "#0A141E"}) {
        const CliResult r =
            RunTool({"--json", "--key-color", key, rle.string(), alpha.string(), bad.string()});
        EXPECT_EQ(r.status, 1) << key;
        EXPECT_NE(r.out.find("{\"index\":1,\"red\":10,\"green\":20,\"blue\":30,\"pixels\":1,"),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("\"status\":\"analysed\",\"message\":null,\"format\":\"bmp-rle8\""),
                  std::string::npos);
        EXPECT_NE(r.out.find("\"format\":\"bmp-32\""), std::string::npos);
        EXPECT_NE(r.err.find(" (RLE8 with a run past the end of a row)"), std::string::npos);
    }
    // The default key is magenta.
    EXPECT_NE(RunTool({"--json", alpha.string()})
                  .out.find("\"red\":255,\"green\":0,\"blue\":255,\"pixels\":1"),
              std::string::npos);
}

TEST(CliTest, SortByPixelsOrdersThePalette) {
    TempDir dir;
    // blue x3, red x1, green x2
    const auto in =
        dir.Write("s.bmp", BmpBuilder(6, 1, 24)
                               .Pixels({0x0000FF, 0xFF0000, 0x00FF00, 0x0000FF, 0x00FF00, 0x0000FF})
                               .Bytes());
    const auto order = [&](const std::string& sort) {
        const CliResult r = RunTool({"--json", "--sort", sort, in.string()});
        std::vector<std::size_t> at = {r.out.find("\"pixels\":3"), r.out.find("\"pixels\":2"),
                                       r.out.find("\"pixels\":1")};
        return at[0] < at[1] && at[1] < at[2];
    };
    EXPECT_TRUE(order("pixels"));
    EXPECT_FALSE(order("pixels-asc"));
}

TEST(CliTest, FixedPaletteFromEveryFormat) {
    TempDir dir;
    const auto in = dir.Write("p.bmp", Rgb24());
    std::vector<std::uint8_t> act(768, 0);
    act[3] = 250;  // entry 1 is nearly red
    const auto bytes = [](const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };
    dir.Write("mine.act", act);
    dir.Write("mine.gpl", bytes("GIMP Palette\nName: mine\n0 0 0\tBlack\n250 0 0\tRed\n"));
    dir.Write("mine.pal", bytes("JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n250 0 0\r\n"));
    dir.Write("MINE.HEX", bytes("000000\nfa0000\n"));
    dir.Write("UPPER.ACT", act);
    for (const char* name : {"mine.act", "mine.gpl", "mine.pal", "MINE.HEX", "UPPER.ACT"}) {
        const CliResult r =
            RunTool({"--json", "-m", "fixed16", "-p", (dir / name).string(), in.string()});
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_NE(r.out.find("\"depth\":16"), std::string::npos) << name;
        EXPECT_NE(r.out.find("{\"index\":1,\"red\":250,\"green\":0,\"blue\":0,\"pixels\":2,"),
                  std::string::npos)
            << name;
    }
    // A refused palette file stops the run; the detail line says why.
    act.resize(767);
    dir.Write("short.act", act);
    dir.Write("riff.pal", bytes(std::string("RIFF\x10\0\0\0PAL data", 16)));
    for (const auto& [name, why] :
         {std::pair{"short.act", "shorter than the 768 bytes"}, std::pair{"riff.pal", "RIFF"}}) {
        const CliResult r = RunTool({"-m", "fixed256", "-p", (dir / name).string(), in.string()});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("256色パレットファイルのデータが不正です。 (" + (dir / name).string() +
                             "): "),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    }
}

// A folder argument stands for the bitmaps directly inside it, as a dropped folder does.
TEST(CliTest, AFolderArgumentTakesTheBitmapsInsideIt) {
    TempDir dir;
    dir.Write("in/b.bmp", Rgb24());
    dir.Write("in/a.bmp", Rgb24());
    dir.Write("in/sub/c.bmp", Rgb24());
    const CliResult r = RunTool({"--json", (dir / "in").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::size_t a = r.out.find(JsonPath(dir / "in" / "a.bmp"));
    const std::size_t b = r.out.find(JsonPath(dir / "in" / "b.bmp"));
    EXPECT_NE(a, std::string::npos) << r.out;
    EXPECT_LT(a, b) << r.out;
    EXPECT_EQ(r.out.find("c.bmp"), std::string::npos) << r.out;
}

// --save-palette writes the format its extension names, in any letter case; each reads back
// as the list colors.
TEST(CliTest, SavePaletteInTheFormatOfItsExtension) {
    TempDir dir;
    const auto in = dir.Write("p.bmp", Rgb24());
    for (const auto& [name, format] :
         {std::pair{"p.act", PaletteFormat::Act}, std::pair{"P.GPL", PaletteFormat::Gpl},
          std::pair{"p.Pal", PaletteFormat::JascPal}, std::pair{"p.hex", PaletteFormat::Hex}}) {
        const CliResult r = RunTool({"-q", "--save-palette", (dir / name).string(), in.string()});
        ASSERT_EQ(r.status, 0) << name << r.err;
        const PaletteReadResult back = ReadPaletteFile(dir / name);
        EXPECT_EQ(back.fault, PaletteFault::None) << name;
        EXPECT_EQ(back.format, format) << name;
        EXPECT_EQ(back.entries[0], (Rgb{255, 0, 0})) << name;
        EXPECT_EQ(back.entries[2], (Rgb{0, 0, 255})) << name;
        EXPECT_EQ(back.entries[3], Rgb{}) << name;
    }
    const auto gpl = ReadAll(dir / "P.GPL");
    EXPECT_EQ(std::string(gpl.begin(), gpl.end()).substr(0, 21), "GIMP Palette\nName: P\n");
}

// The palette file is never written over an input, whatever link leads there, nor over
// anything that is not a regular file.
TEST(CliTest, ThePaletteFileTakesNoInputsPlace) {
    TempDir dir;
    const auto in = dir.Write("a.bmp", Rgb24());
    const auto before = ReadAll(in);
    // A link, or where links need a privilege (Windows) a hard link: the same file either way.
    std::error_code linkError;
    fs::create_symlink(in, dir / "p.act", linkError);
    if (linkError) fs::create_hard_link(in, dir / "p.act");
    CliResult r = RunTool({"-q", "--save-palette", (dir / "p.act").string(), in.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("names an input file"), std::string::npos);
    EXPECT_EQ(ReadAll(in), before);
#ifndef _WIN32
    ASSERT_EQ(mkfifo((dir / "pipe.act").c_str(), 0600), 0);
    r = RunTool({"-q", "-f", "--save-palette", (dir / "pipe.act").string(), in.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(FormatMessage(Msg::CannotCreate, (dir / "pipe.act").string())),
              std::string::npos);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.act"));
#endif
}

// A result that cannot be written (a full disk behind standard output) is no success.
TEST(CliTest, AFailedStandardOutputIsAnError) {
    TempDir dir;
    const auto in = dir.Write("a.bmp", Rgb24());
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(cli::RunCli({"--json", in.string()}, out, err, false), 2);
    EXPECT_NE(err.str().find("standard output"), std::string::npos);
}

// With --json a usage error, wherever it and --json stand, still gives one JSON object on
// standard output: {"error": the reason on standard error}; the exit status stays 2.
TEST(CliTest, JsonUsageErrorsPrintOneErrorObject) {
    const struct {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--json", "--bogus", "a.bmp"}, "unknown option --bogus"},
        {{"--bogus", "a.bmp", "--json"}, "unknown option --bogus"},
        {{"--json", "-m"}, "option -m needs a value"},
        {{"-b", "9", "--json", "a.bmp"},
         "bits must be one number or three (R,G,B), each 1..8: '9'"},
        {{"-qh", "--json", "-d", "64"}, "depth must be 16 or 256: '64'"},
        {{"--json"}, "no input files"},
        {{"--json", "--save-palette", "a.act", "a.act"},
         "--save-palette a.act names an input file"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunTool(c.args);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "{\"error\":\"" + c.error + "\"}\n");
        EXPECT_NE(r.err.find("tintwell-cli: " + c.error + "\n"), std::string::npos) << r.err;
    }
    // Without --json, nothing on standard output, as before; "--json" as a value is a value.
    EXPECT_EQ(RunTool({"--bogus", "a.bmp"}).out, "");
    EXPECT_EQ(RunTool({"-d", "--json", "a.bmp"}).out, "");
}

// The JSON output says what became of the --save-palette file, as it does of every input.
TEST(CliTest, JsonSaysWhatBecameOfThePaletteFile) {
    TempDir dir;
    const auto in = dir.Write("p.bmp", Rgb24());
    const auto many = dir.Write("many.bmp", Rgb24(20));
    dir.Write("old.act", {'o', 'l', 'd'});
    fs::create_directories(dir / "folder.gpl");
    const auto json = [&](const char* name, const std::string& status, const std::string& message) {
        const std::string path = JsonPath(dir / name);
        return "\"palette\":{\"path\":\"" + path + "\",\"status\":\"" + status +
               "\",\"message\":" + (message.empty() ? "null" : "\"" + path + message) + "}";
    };
    const struct {
        const char* name;
        std::vector<std::string> extra;
        int exitStatus;
        std::string expected;
    } cases[] = {
        {"new.hex", {in.string()}, 0, json("new.hex", "written", "")},
        {"old.act",
         {in.string()},
         1,
         json("old.act", "exists", ": exists, left alone (use -f to overwrite)\"")},
        {"folder.gpl",
         {"-f", in.string()},
         1,
         json("folder.gpl", "failed", ": is a folder, not written\"")},
        {"unsaved.pal",
         {"-d", "16", "-o", (dir / "out").string(), many.string()},
         2,
         json("unsaved.pal", "skipped", ": not saved, the run ended before the palette file\"")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"-q", "--json", "--save-palette", (dir / c.name).string()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliResult r = RunTool(args);
        EXPECT_EQ(r.status, c.exitStatus) << r.err;
        EXPECT_NE(r.out.find(c.expected + "}\n"), std::string::npos) << r.out;
    }
    EXPECT_NE(RunTool({"--json", in.string()}).out.find(",\"palette\":null}\n"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "old.act"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

// A folder, a named pipe or a device at the --save-palette path is refused at once, as at an
// output path, with -f or without: no -f would help, so none is suggested.
TEST(CliTest, APaletteFileOntoAFolderOrAPipeIsRefusedAtOnce) {
    TempDir dir;
    const auto in = dir.Write("p.bmp", Rgb24());
    fs::create_directories(dir / "folder.act");
    fs::create_directories(dir / "out");
    std::vector<std::pair<fs::path, std::string>> cases = {
        {dir / "folder.act", Utf8FromPath(dir / "folder.act") + ": is a folder, not written"}};
#ifndef _WIN32
    ASSERT_EQ(mkfifo((dir / "pipe.hex").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "out" / "p.bmp").c_str(), 0600), 0);
    cases.emplace_back(dir / "pipe.hex",
                       FormatMessage(Msg::CannotCreate, (dir / "pipe.hex").string()));
#endif
    for (const auto& [path, message] : cases) {
        for (const char* force : {"-q", "-f"}) {
            SCOPED_TRACE(path.string() + " " + force);
            const CliResult r =
                RunTool({"-q", force, "--save-palette", path.string(), in.string()});
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, message + "\n");
        }
    }
#ifndef _WIN32
    // An output path taken by a pipe is refused in the same words.
    const CliResult r = RunTool({"-q", "-o", (dir / "out").string(), in.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, FormatMessage(Msg::CannotCreate, (dir / "out" / "p.bmp").string()) + "\n");
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.hex"));
#endif
    EXPECT_TRUE(fs::is_directory(dir / "folder.act"));
}

// A refused file's reason names what is wrong with it, not a neighbouring fault.
TEST(CliTest, RefusalsNameTheirRealCause) {
    TempDir dir;
    const auto in = dir.Write("p.bmp", Rgb24());
    const auto text = [](const std::string& s) {
        return std::vector<std::uint8_t>(s.begin(), s.end());
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool palette;  // read through -p rather than as an input
        std::string reason;
    } cases[] = {
        {"wide0.png", test::PngBuilder(0, 1, test::PngBuilder::Indexed).Palette({0}).Bytes(), false,
         " (an image of width 0)"},
        {"offset.bmp", BmpBuilder(4, 2, 8).OffBits(14 + 20).Bytes(), false,
         " (a pixel offset inside the information header)"},
        {"first.hex", text("zzzzzz\n112233\n"), true,
         ": hex palette: line 1 is not an rrggbb color"},
        // Long enough to pass for an .act by its size.
        {"long.hex", text("rrggbb\n" + std::string(800, '\n')), true,
         ": hex palette: line 1 is not an rrggbb color"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = dir.Write(c.name, c.bytes);
        const CliResult r =
            c.palette ? RunTool({"-q", "-m", "fixed256", "-p", file.string(), in.string()})
                      : RunTool({"-q", file.string()});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
}

#ifndef _WIN32
// SIGTERM stops the tool as the abort button stops the output job: the file in hand is
// finished, nothing after it is written, no temporary file is left, and the exit status is
// 128 + 15 as a shell reports it.
TEST(CliTest, ATerminationSignalEndsTheRunLikeAbort) {
    TempDir dir;
    std::vector<std::uint32_t> pixels(256 * 256);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>(i % 200) * 0x010101u;
    const auto bytes = BmpBuilder(256, 256, 24).Pixels(pixels).Bytes();
    std::vector<std::string> args = {TINTWELL_CLI_PATH, "-q", "-o", (dir / "out").string()};
    constexpr int kFiles = 96;
    for (int i = 0; i < kFiles; ++i)
        args.push_back(dir.Write("in/f" + std::to_string(100 + i) + ".bmp", bytes).string());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    // The signal comes once the first file is written, while the rest are still to come.
    bool seen = false;
    for (int i = 0; i < 60000 && !seen; ++i) {
        std::error_code ec;
        seen = fs::exists(dir / "out" / "f100.bmp", ec);
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(seen);
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);

    int written = 0;
    for (const auto& entry : fs::directory_iterator(dir / "out")) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.rfind("f", 0), 0u) << name;
        EXPECT_EQ(PixelColors(entry.path()).size(), 200u) << name;
        ++written;
    }
    EXPECT_GT(written, 0);
    EXPECT_LT(written, kFiles);
}
#endif

}  // namespace
}  // namespace tintwell
