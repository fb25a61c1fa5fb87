#include "palette/palette_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "palette/act_file.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tintwell {
namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temp folder, removed with everything in it.
class ActFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = fs::temp_directory_path() /
               ("tintwell_act_" + std::string(info->name()) + "_" + std::to_string(stamp));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(dir_, error);
    }

    // Writes `size` bytes, byte k being (k * 7 + 3) mod 256, so every entry differs from the
    // built-in palettes and a shifted read shows.
    void WritePalette(const std::string& name, std::size_t size) const {
        std::ofstream file(PaletteFilePath(dir_, name), std::ios::binary);
        for (std::size_t k = 0; k < size; ++k)
            file.put(static_cast<char>(Pattern(k)));
    }
    static std::uint8_t Pattern(std::size_t k) { return static_cast<std::uint8_t>(k * 7 + 3); }
    static Rgb PatternEntry(std::size_t i) {
        return Rgb{Pattern(3 * i), Pattern(3 * i + 1), Pattern(3 * i + 2)};
    }

    fs::path dir_;
};

TEST_F(ActFileTest, ReadMissingFileOrDirectoryCannotOpen) {
    EXPECT_EQ(ReadPaletteFile(dir_ / "absent.act").fault, PaletteFault::CannotOpen);
    fs::create_directories(dir_ / "folder.act");
    EXPECT_EQ(ReadPaletteFile(dir_ / "folder.act").fault, PaletteFault::CannotOpen);
#ifndef _WIN32
    // A named pipe would block the reader until someone writes into it.
    ASSERT_EQ(mkfifo((dir_ / "pipe.act").c_str(), 0600), 0);
    EXPECT_EQ(ReadPaletteFile(dir_ / "pipe.act").fault, PaletteFault::CannotOpen);
#endif
}

struct LoadCase {
    const char* label;
    std::size_t fileSize;
    bool expectFile;  // palette taken from the file
    Msg message256;
    Msg message16;
};

TEST_F(ActFileTest, LoadFixedPalettes) {
    constexpr LoadCase kCases[] = {
        {"missing", 0, false, Msg::None, Msg::None},
        {"empty", 0, false, Msg::BadPalette256, Msg::BadPalette16},
        {"short", 767, false, Msg::BadPalette256, Msg::BadPalette16},
        {"exact", 768, true, Msg::None, Msg::None},
        {"long", 772, true, Msg::None, Msg::None},
    };
    for (const LoadCase& c : kCases) {
        SCOPED_TRACE(c.label);
        if (c.message256 != Msg::None || c.expectFile) WritePalette(c.label, c.fileSize);

        // Garbage in the target shows whether the built-in table is copied first.
        FixedPalette256 p256;
        p256.fill(Rgb{1, 2, 3});
        std::string name256 = c.label;
        EXPECT_EQ(LoadFixedPalette256(dir_, name256, p256), c.message256);
        EXPECT_EQ(name256, c.expectFile ? c.label : "");
        for (std::size_t i = 0; i < p256.size(); ++i) {
            const Rgb expected = c.expectFile ? PatternEntry(i) : BuiltInPalette256()[i];
            ASSERT_EQ(p256[i], expected) << "entry " << i;
        }

        FixedPalette16 p16;
        p16.fill(Rgb{1, 2, 3});
        std::string name16 = c.label;
        EXPECT_EQ(LoadFixedPalette16(dir_, name16, p16), c.message16);
        EXPECT_EQ(name16, c.expectFile ? c.label : "");
        for (std::size_t i = 0; i < p16.size(); ++i) {
            const Rgb expected = c.expectFile ? PatternEntry(i) : BuiltInPalette16()[i];
            ASSERT_EQ(p16[i], expected) << "entry " << i;
        }
    }
}

// A palette file of no colors would turn every pixel black: refused in every format, by the
// reader and by the fixed palettes' loaders, which keep the built-in tables.
TEST_F(ActFileTest, PaletteFilesOfNoColorsAreRefused) {
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"header.gpl", "GIMP Palette\nName: header\nColumns: 16\n#\n"},
        {"zero.pal", "JASC-PAL\r\n0100\r\n0\r\n"},
        {"empty.hex", ""},
        {"blank.hex", "\n  \r\n\n"},
        {"bom.hex", "\xEF\xBB\xBF\n"},
        {"empty.act", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(dir_ / c.name, std::ios::binary) << c.content;
        const PaletteReadResult read = ReadPaletteFile(dir_ / c.name);
        EXPECT_NE(read.fault, PaletteFault::None);
        EXPECT_EQ(PaletteFaultText(read), "holds no colors");

        const std::string paletteName = PaletteNameOfFile(c.name).value_or("");
        std::string name256 = paletteName;
        FixedPalette256 p256;
        EXPECT_EQ(LoadFixedPalette256(dir_, name256, p256), Msg::BadPalette256);
        EXPECT_EQ(name256, "");
        EXPECT_EQ(p256, BuiltInPalette256());
        std::string name16 = paletteName;
        FixedPalette16 p16;
        EXPECT_EQ(LoadFixedPalette16(dir_, name16, p16), Msg::BadPalette16);
        EXPECT_EQ(p16, BuiltInPalette16());
    }
}

TEST_F(ActFileTest, EmptyNameGivesBuiltIn) {
    FixedPalette256 p256;
    p256.fill(Rgb{1, 2, 3});
    std::string name;
    EXPECT_EQ(LoadFixedPalette256(dir_, name, p256), Msg::None);
    EXPECT_EQ(p256, BuiltInPalette256());

    FixedPalette16 p16;
    p16.fill(Rgb{1, 2, 3});
    EXPECT_EQ(LoadFixedPalette16(dir_, name, p16), Msg::None);
    EXPECT_EQ(p16, BuiltInPalette16());
}

TEST_F(ActFileTest, NonAsciiNameRoundTrips) {
    const std::string name = "パレット";
    WritePalette(name, 768);
    EXPECT_TRUE(fs::exists(dir_ / fs::path(u8"パレット.act")));
    FixedPalette16 p16{};
    std::string chosen = name;
    EXPECT_EQ(LoadFixedPalette16(dir_, chosen, p16), Msg::None);
    EXPECT_EQ(chosen, name);
    EXPECT_EQ(p16[15], PatternEntry(15));
}

TEST(PaletteFilePath, ActTitlesAndOtherFileNames) {
    const fs::path dir = fs::path("pal");
    EXPECT_EQ(PaletteFilePath(dir, "x"), dir / "x.act");
    EXPECT_EQ(PaletteFilePath(dir, "x.act"), dir / "x.act.act");
    EXPECT_EQ(PaletteFilePath(dir, "x.ACT"), dir / "x.ACT.act");
    // The other formats are named with their extension, in any letter case.
    EXPECT_EQ(PaletteFilePath(dir, "x.gpl"), dir / "x.gpl");
    EXPECT_EQ(PaletteFilePath(dir, "x.pal"), dir / "x.pal");
    EXPECT_EQ(PaletteFilePath(dir, "X.HEX"), dir / "X.HEX");
    EXPECT_EQ(PaletteFilePath(dir, ".gpl"), dir / ".gpl.act");
}

TEST(IsPaletteName, NamesStayInsideTheFolder) {
    for (const std::string name : {"x", "a..b", "x.act", " lead", ".hidden", "パレット"}) {
        EXPECT_TRUE(IsPaletteName(name)) << name;
    }
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("../x"),
          std::string("a/b"), std::string("/abs"), std::string("x/"), std::string("a\0b", 3)}) {
        EXPECT_FALSE(IsPaletteName(name)) << name;
    }
#ifdef _WIN32
    for (const char* name : {"..\\x", "a\\b", "C:x", "C:\\x"})
        EXPECT_FALSE(IsPaletteName(name)) << name;
#else
    EXPECT_TRUE(IsPaletteName("back\\slash"));  // a file-name character here
#endif
}

// A stored name that is a path reads nothing outside the folder, even where a good palette
// file lies: the name is cleared without a message, as for a missing file.
TEST_F(ActFileTest, NamesThatArePathsAreNotLoaded) {
    WritePalette("outside", 768);
    fs::create_directories(dir_ / "pals" / "sub");
    fs::copy_file(PaletteFilePath(dir_, "outside"), dir_ / "pals" / "sub" / "inside.act");
    const fs::path folder = dir_ / "pals";
    for (const std::string& name : {std::string("../outside"), std::string("sub/inside"),
                                    (dir_ / "outside").string(), std::string("./../outside")}) {
        std::string chosen = name;
        FixedPalette256 p256{};
        EXPECT_EQ(LoadFixedPalette256(folder, chosen, p256), Msg::None) << name;
        EXPECT_EQ(chosen, "") << name;
        EXPECT_EQ(p256, BuiltInPalette256()) << name;
        chosen = name;
        FixedPalette16 p16{};
        EXPECT_EQ(LoadFixedPalette16(folder, chosen, p16), Msg::None) << name;
        EXPECT_EQ(chosen, "") << name;
        EXPECT_EQ(p16, BuiltInPalette16()) << name;
    }
}

TEST(EncodeActPalette, ListColorsThenZeros) {
    struct Case {
        std::size_t count;
        std::size_t written;
    };
    constexpr Case kCases[] = {{0, 0}, {1, 1}, {16, 16}, {256, 256}, {300, 256}};
    for (const Case& c : kCases) {
        std::vector<Rgb> colors;
        for (std::size_t i = 0; i < c.count; ++i) {
            colors.push_back(Rgb{static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(i),
                                 static_cast<std::uint8_t>(255 - i % 256)});
        }
        const ActBytes bytes = EncodeActPalette(colors);
        ASSERT_EQ(bytes.size(), 768u);
        for (std::size_t i = 0; i < 256; ++i) {
            const Rgb expected = i < c.written ? colors[i] : Rgb{};
            EXPECT_EQ((Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]}), expected)
                << c.count << " colors, entry " << i;
        }
    }
}

}  // namespace
}  // namespace tintwell
