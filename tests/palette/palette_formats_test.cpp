#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "palette/palette_file.h"
#include "support/temp_dir.h"

namespace tintwell {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Repeat(const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

// An .act of 768 bytes, entry i being (i, 255 - i, i / 2), with `tail` appended.
std::vector<std::uint8_t> Act(const std::vector<std::uint8_t>& tail = {}) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i));
        bytes.push_back(static_cast<std::uint8_t>(255 - i));
        bytes.push_back(static_cast<std::uint8_t>(i / 2));
    }
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

struct DecodeCase {
    const char* label;
    std::vector<std::uint8_t> bytes;
    PaletteFault fault;
    PaletteFormat format;
    std::size_t count;  // entries read; the fault's line when refused
    Rgb first;          // entry 0 when read
};

// One table for the content rules of every format: what is read, what is refused and why.
TEST(DecodePaletteFile, ChoosesTheFormatByContent) {
    const std::string gplHeader = "GIMP Palette\nName: Sprites\nColumns: 16\n# made by hand\n";
    const std::vector<DecodeCase> cases = {
        {"act 768", Act(), PaletteFault::None, PaletteFormat::Act, 256, {0, 255, 0}},
        {"act 772, count 40",
         Act({0, 40, 0xFF, 0xFF}),
         PaletteFault::None,
         PaletteFormat::Act,
         40,
         {0, 255, 0}},
        {"act 772, count 256, transparent 5",
         Act({1, 0, 0, 5}),
         PaletteFault::None,
         PaletteFormat::Act,
         256,
         {0, 255, 0}},
        {"act 772, count 0 is no count",
         Act({0, 0, 0xFF, 0xFF}),
         PaletteFault::None,
         PaletteFormat::Act,
         256,
         {0, 255, 0}},
        {"act 800, tail ignored",
         Act(std::vector<std::uint8_t>(32, 9)),
         PaletteFault::None,
         PaletteFormat::Act,
         256,
         {0, 255, 0}},
        {"act 767",
         std::vector<std::uint8_t>(767, 200),
         PaletteFault::TooShort,
         PaletteFormat::Act,
         0,
         {}},
        {"gpl",
         Bytes(gplHeader + "255 128 0\tOrange\n\n  1   2   3\n4 5 6 six\n"),
         PaletteFault::None,
         PaletteFormat::Gpl,
         3,
         {255, 128, 0}},
        {"gpl, old form without name, CR LF",
         Bytes("GIMP Palette\r\n7 8 9\r\n"),
         PaletteFault::None,
         PaletteFormat::Gpl,
         1,
         {7, 8, 9}},
        {"gpl, 256 out of range",
         Bytes(gplHeader + "1 2 3\n1 256 3\n"),
         PaletteFault::BadEntry,
         PaletteFormat::Gpl,
         6,
         {}},
        {"gpl, two numbers",
         Bytes(gplHeader + "1 2\n"),
         PaletteFault::BadEntry,
         PaletteFormat::Gpl,
         5,
         {}},
        {"gpl, numbers run together",
         Bytes(gplHeader + "1 2 3x\n"),
         PaletteFault::BadEntry,
         PaletteFormat::Gpl,
         5,
         {}},
        {"gpl, 257 colors",
         Bytes(gplHeader + Repeat("1 2 3\n", 257)),
         PaletteFault::TooManyEntries,
         PaletteFormat::Gpl,
         261,
         {}},
        {"jasc",
         Bytes("JASC-PAL\r\n0100\r\n2\r\n10 20 30\r\n40 50 60\r\n"),
         PaletteFault::None,
         PaletteFormat::JascPal,
         2,
         {10, 20, 30}},
        {"jasc with alpha, LF",
         Bytes("JASC-PAL\n0100\n1\n10 20 30 255\n"),
         PaletteFault::None,
         PaletteFormat::JascPal,
         1,
         {10, 20, 30}},
        {"jasc, version 0200",
         Bytes("JASC-PAL\r\n0200\r\n1\r\n1 2 3\r\n"),
         PaletteFault::BadEntry,
         PaletteFormat::JascPal,
         2,
         {}},
        {"jasc, count not a number",
         Bytes("JASC-PAL\r\n0100\r\nmany\r\n"),
         PaletteFault::BadEntry,
         PaletteFormat::JascPal,
         3,
         {}},
        {"jasc, ends before its count",
         Bytes("JASC-PAL\r\n0100\r\n3\r\n1 2 3\r\n4 5 6\r\n"),
         PaletteFault::BadEntry,
         PaletteFormat::JascPal,
         6,
         {}},
        {"jasc, 300 entries",
         Bytes("JASC-PAL\r\n0100\r\n300\r\n"),
         PaletteFault::TooManyEntries,
         PaletteFormat::JascPal,
         3,
         {}},
        {"riff pal",
         Bytes(std::string("RIFF\x10\0\0\0PAL data", 16)),
         PaletteFault::RiffPalette,
         PaletteFormat::JascPal,
         0,
         {}},
        {"hex",
         Bytes("ff8000\n#0A0b0C\n\n  102030  \r\n"),
         PaletteFault::None,
         PaletteFormat::Hex,
         3,
         {255, 128, 0}},
        {"hex of 770 bytes",
         Bytes(Repeat("123456\n", 110)),
         PaletteFault::None,
         PaletteFormat::Hex,
         110,
         {0x12, 0x34, 0x56}},
        {"hex, bad second line",
         Bytes("ff8000\nff80\n"),
         PaletteFault::BadEntry,
         PaletteFormat::Hex,
         2,
         {}},
        {"hex, 257 colors",
         Bytes(Repeat("000000\n", 257)),
         PaletteFault::TooManyEntries,
         PaletteFormat::Hex,
         257,
         {}},
        {"text of 800 bytes is an act",
         Bytes(Repeat("not a palette\n", 60)),
         PaletteFault::None,
         PaletteFormat::Act,
         256,
         {'n', 'o', 't'}},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.label);
        const PaletteReadResult result = DecodePaletteFile(c.bytes);
        EXPECT_EQ(result.fault, c.fault);
        EXPECT_EQ(result.format, c.format);
        if (c.fault != PaletteFault::None) {
            if (c.fault == PaletteFault::BadEntry || c.fault == PaletteFault::TooManyEntries) {
                EXPECT_EQ(result.line, c.count);
            }
            EXPECT_FALSE(PaletteFaultText(result).empty());
            continue;
        }
        EXPECT_EQ(result.count, c.count);
        EXPECT_EQ(result.entries[0], c.first);
        // Entries the file does not hold are black, as in a zero-padded .act.
        for (std::size_t i = c.count; i < kPaletteEntries; ++i) {
            ASSERT_EQ(result.entries[i], Rgb{}) << "entry " << i;
        }
    }
}

// Every format written and read back keeps every list color, at most 256, in order.
TEST(EncodePaletteFile, RoundTripsEveryFormat) {
    for (const PaletteFormat format :
         {PaletteFormat::Act, PaletteFormat::Gpl, PaletteFormat::JascPal, PaletteFormat::Hex}) {
        for (const std::size_t count : {1u, 16u, 40u, 256u, 300u}) {
            SCOPED_TRACE(std::string(PaletteExtension(format)) + " " + std::to_string(count));
            std::vector<Rgb> colors;
            for (std::size_t i = 0; i < count; ++i) {
                colors.push_back(Rgb{static_cast<std::uint8_t>(i * 37),
                                     static_cast<std::uint8_t>(i),
                                     static_cast<std::uint8_t>(255 - i % 256)});
            }
            const std::string text = EncodePaletteFile(format, colors, "round trip");
            const PaletteReadResult back = DecodePaletteFile(Bytes(text), format);
            ASSERT_EQ(back.fault, PaletteFault::None) << PaletteFaultText(back);
            EXPECT_EQ(back.format, format);
            for (std::size_t i = 0; i < kPaletteEntries; ++i) {
                ASSERT_EQ(back.entries[i], i < count ? colors[i] : Rgb{}) << "entry " << i;
            }
        }
    }
}

// The name breaks the one tie of content: 768 bytes that spell rrggbb lines.
TEST(DecodePaletteFile, AnActNamedSoIsAnActWhatItsBytesSpell) {
    const std::vector<std::uint8_t> hexText = Bytes(Repeat("123456\n", 110));
    EXPECT_EQ(DecodePaletteFile(hexText).format, PaletteFormat::Hex);
    EXPECT_EQ(DecodePaletteFile(hexText, PaletteFormat::Hex).format, PaletteFormat::Hex);
    EXPECT_EQ(DecodePaletteFile(hexText, PaletteFormat::Act).format, PaletteFormat::Act);
    const std::vector<std::uint8_t> shortHex = Bytes("123456\n");
    EXPECT_EQ(DecodePaletteFile(shortHex, PaletteFormat::Act).format, PaletteFormat::Hex);
}

// The bytes each writer produces, as other programs' readers expect them.
TEST(EncodePaletteFile, WritesEachFormatsLayout) {
    const std::vector<Rgb> colors = {{255, 128, 0}, {1, 2, 3}};
    EXPECT_EQ(
        EncodePaletteFile(PaletteFormat::Gpl, colors, "game"),
        "GIMP Palette\nName: game\nColumns: 16\n#\n255 128   0\tIndex 0\n  1   2   3\tIndex 1\n");
    EXPECT_EQ(EncodePaletteFile(PaletteFormat::JascPal, colors, "game"),
              "JASC-PAL\r\n0100\r\n2\r\n255 128 0\r\n1 2 3\r\n");
    EXPECT_EQ(EncodePaletteFile(PaletteFormat::Hex, colors, "game"), "ff8000\n010203\n");
    const std::string act = EncodePaletteFile(PaletteFormat::Act, colors, "game");
    ASSERT_EQ(act.size(), 768u);
    EXPECT_EQ(act.substr(0, 7), std::string("\xFF\x80\x00\x01\x02\x03\x00", 7));
    // A line break in the name would end GIMP's header early.
    EXPECT_EQ(EncodePaletteFile(PaletteFormat::Gpl, {}, "a\nb").substr(0, 23),
              "GIMP Palette\nName: a b\n");
}

TEST(PaletteFormatOfExtension, AnyLetterCase) {
    EXPECT_EQ(PaletteFormatOfExtension("x.act"), PaletteFormat::Act);
    EXPECT_EQ(PaletteFormatOfExtension("dir/x.ACT"), PaletteFormat::Act);
    EXPECT_EQ(PaletteFormatOfExtension("x.Gpl"), PaletteFormat::Gpl);
    EXPECT_EQ(PaletteFormatOfExtension("x.PAL"), PaletteFormat::JascPal);
    EXPECT_EQ(PaletteFormatOfExtension("x.hex"), PaletteFormat::Hex);
    for (const char* name : {"x.bmp", "x", "act", ".act", "x.acts", "x.hex.txt"}) {
        EXPECT_EQ(PaletteFormatOfExtension(name), std::nullopt) << name;
    }
}

// The palette folder offers every palette file, each under the name that finds it again.
TEST(PaletteNamesInFolder, EveryFormatUnderItsName) {
    const test::TempDir dir;
    const std::vector<std::uint8_t> act = Act();
    // An .act in capitals is found under its title too; beside a lower-case one of the same
    // title it is one name.
    for (const char* name :
         {"a.act", "a.ACT", "B.GPL", "c.pal", "d.hex", "e.txt", "f.gpl.act", "g.bmp", "h.AcT"}) {
        (void)dir.Write(name, act);
    }
    std::filesystem::create_directories(dir / "folder.gpl");
    std::vector<std::string> names = PaletteNamesInFolder(dir.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.GPL", "a", "c.pal", "d.hex", "h"}));
    EXPECT_EQ(PaletteFilePath(dir.Path(), "a"), dir / "a.act");
    // The file itself: where names ignore case (Windows) the path is spelled ".act".
    EXPECT_TRUE(std::filesystem::equivalent(PaletteFilePath(dir.Path(), "h"), dir / "h.AcT"));
    for (const std::string& name : names) {
        EXPECT_TRUE(std::filesystem::exists(PaletteFilePath(dir.Path(), name))) << name;
    }
}

}  // namespace
}  // namespace tintwell
