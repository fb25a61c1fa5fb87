#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "jobs/palette_save.h"
#include "jobs/text_input.h"
#include "palette/palette_file.h"
#include "workspace_fixture.h"

namespace tintwell::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

class PaletteSaveTest : public WorkspaceTest {
  protected:
    std::filesystem::path Palettes() const { return dir / "palettes"; }
    // n distinct colors, entry i = (i, 255 - i, 7), spread over files of at most 200.
    void DropColors(int n) {
        std::vector<std::string> paths;
        for (int start = 0, file = 0; start < n; start += 200, ++file) {
            std::vector<std::uint32_t> colors;
            for (int i = start; i < std::min(n, start + 200); ++i) {
                colors.push_back(static_cast<std::uint32_t>(i % 256) << 16 |
                                 static_cast<std::uint32_t>(255 - i / 256 * 50 - i % 256 / 2) << 8 |
                                 7u);
            }
            paths.push_back(Bmp("f" + std::to_string(file) + ".bmp", colors));
        }
        Drop(paths);
    }
    // The palette file's bytes expected for the current list.
    Bytes Expected(int entries) const {
        Bytes bytes(768, 0);
        for (int p = 0; p < entries; ++p) {
            const ColorSlot& slot = ws->Table().AtPosition(p);
            bytes[3 * p] = slot.red;
            bytes[3 * p + 1] = slot.green;
            bytes[3 * p + 2] = slot.blue;
        }
        return bytes;
    }
};

TEST_F(PaletteSaveTest, FortyColorsThenZeros) {
    Make();
    DropColors(40);
    ASSERT_EQ(ws->ColorCount(), 40);
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::NewName, "pal1"));
    const Bytes bytes = ReadAll(Palettes() / "pal1.act");
    ASSERT_EQ(bytes.size(), 768u);
    EXPECT_EQ(bytes, Expected(40));
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 255);
    EXPECT_EQ(bytes[2], 7);
    EXPECT_EQ(Bytes(bytes.begin() + 120, bytes.end()), Bytes(648, 0));
    // Mode 2 with depth 256: the 256-color name takes it.
    EXPECT_EQ(ws->Pal256Name(), "pal1");
    EXPECT_EQ(ws->Pal16Name(), "");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(PaletteSaveTest, AnEmptyListGivesZeros) {
    Make();
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::NewName, "empty"));
    EXPECT_EQ(ReadAll(Palettes() / "empty.act"), Bytes(768, 0));
}

TEST_F(PaletteSaveTest, ThreeHundredColorsWriteTheFirst256) {
    Make();
    DropColors(300);
    ASSERT_EQ(ws->ColorCount(), 300);
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::NewName, "big"));
    EXPECT_EQ(ReadAll(Palettes() / "big.act"), Expected(256));
}

TEST_F(PaletteSaveTest, TheFileFollowsTheListOrder) {
    Make();
    Drop({Bmp("a.bmp", {0x010203, 0x040506}, {1, 9})});
    ASSERT_TRUE(ws->OnColorColumnClick(1, {}).has_value());
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::NewName, "sorted"));
    const Bytes bytes = ReadAll(Palettes() / "sorted.act");
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{4, 5, 6, 1, 2, 3}));
}

TEST_F(PaletteSaveTest, NamesAreTrimmedAndAlwaysGetTheExtension) {
    Make();
    ws->OnToggleOutputDepth();
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::NewName, "x.act"));
    EXPECT_TRUE(std::filesystem::exists(Palettes() / "x.act.act"));
    EXPECT_EQ(ws->Pal16Name(), "x.act");
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::NewName, " \t\u3000lead"));
    EXPECT_TRUE(std::filesystem::exists(Palettes() / "lead.act"));
    EXPECT_EQ(ws->Pal16Name(), "lead");
    EXPECT_EQ(ws->Pal256Name(), "");
}

TEST(PaletteSaveName, TheChosenFormatsExtensionOnce) {
    struct Case {
        const char* typed;
        PaletteFormat format;
        const char* name;
    };
    constexpr Case kCases[] = {
        {"mine", PaletteFormat::Act, "mine"},
        {"x.act", PaletteFormat::Act, "x.act"},
        {"mine", PaletteFormat::Gpl, "mine.gpl"},
        {"mine.GPL", PaletteFormat::Gpl, "mine.GPL"},
        {"mine", PaletteFormat::JascPal, "mine.pal"},
        {"mine", PaletteFormat::Hex, "mine.hex"},
        {"x.act", PaletteFormat::Hex, "x.act.hex"},
        {"x.pal", PaletteFormat::Hex, "x.pal"},
        {"  ", PaletteFormat::Gpl, "  "},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(PaletteSaveName(c.typed, c.format), c.name) << c.typed;
    }
}

// A palette saved in another format is named with its extension; overwriting it later keeps
// that format, and the fixed mode loads it.
TEST_F(PaletteSaveTest, OtherFormatsKeepTheirFormat) {
    Make(0);
    EXPECT_TRUE(
        ws->OnSavePalette(PaletteSaveChoice::NewName, PaletteSaveName("mine", PaletteFormat::Gpl)));
    EXPECT_EQ(ws->Pal256Name(), "mine.gpl");
    const PaletteReadResult saved = ReadPaletteFile(Palettes() / "mine.gpl");
    EXPECT_EQ(saved.fault, PaletteFault::None);
    EXPECT_EQ(saved.format, PaletteFormat::Gpl);
    auto session = ws->OnColorListDblClk({{0}, 0});
    ASSERT_TRUE(session.has_value());
    session->Ok(0xAB, 0xCD, 0xEF);
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::Overwrite, ""));
    EXPECT_EQ(ReadPaletteFile(Palettes() / "mine.gpl").format, PaletteFormat::Gpl);
    ws->OnClearAll();
    EXPECT_EQ(ListColors().front(), 0xABCDEFu);
}

TEST_F(PaletteSaveTest, AWhiteSpaceNameIsRefused) {
    Make();
    for (const char* blank : {"", "   ", "\t", "\u3000 "}) {
        EXPECT_FALSE(ws->OnSavePalette(PaletteSaveChoice::NewName, blank));
        EXPECT_FALSE(SaveButtonEnabled(PaletteSaveChoice::NewName, blank));
    }
    EXPECT_FALSE(std::filesystem::exists(Palettes()));
    EXPECT_EQ(ws->Pal256Name(), "");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(SaveButtonEnabled(PaletteSaveChoice::NewName, " a"));
    EXPECT_TRUE(SaveButtonEnabled(PaletteSaveChoice::Overwrite, ""));
}

TEST_F(PaletteSaveTest, OverwriteWithoutACurrentFileWritesNothing) {
    Make();
    EXPECT_FALSE(ws->OnSavePalette(PaletteSaveChoice::Overwrite, "ignored"));
    EXPECT_FALSE(std::filesystem::exists(Palettes()));
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(PaletteSaveTest, OverwriteRewritesTheCurrentFileAndItTakesEffectAtTheNextReset) {
    dir.Write("palettes/mine.act", Bytes(768, 0x11));
    settings.pal256 = "mine";
    Make(0);
    EXPECT_EQ(ListColors().front(), 0x111111u);
    EXPECT_TRUE(OverwriteChoiceOffered(ws->Palette().mode, ws->Palette().outputDepth,
                                       ws->Pal256Name(), ws->Pal16Name()));
    // Edit color 0, save over the current file, and reset: the saved color comes back.
    auto session = ws->OnColorListDblClk({{0}, 0});
    ASSERT_TRUE(session.has_value());
    session->Ok(0xAB, 0xCD, 0xEF);
    EXPECT_TRUE(ws->OnSavePalette(PaletteSaveChoice::Overwrite, "typed but unused"));
    EXPECT_FALSE(std::filesystem::exists(Palettes() / "typed but unused.act"));
    const Bytes bytes = ReadAll(Palettes() / "mine.act");
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0xAB, 0xCD, 0xEF, 0x11}));
    ws->OnClearAll();
    EXPECT_EQ(ListColors().front(), 0xABCDEFu);
}

TEST_F(PaletteSaveTest, AFileWhereTheFolderShouldBeIsNamed) {
    dir.Write("palettes", {1});
    Make();
    const std::string before = ws->Pal256Name();
    EXPECT_FALSE(ws->OnSavePalette(PaletteSaveChoice::NewName, "p"));
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::NotADirectory, Palettes().string())}));
    // Only a complete file becomes the setting: the old name stays.
    EXPECT_EQ(ws->Pal256Name(), before);
}

TEST_F(PaletteSaveTest, AWriteErrorIsReportedAndTheOldFileStays) {
    dir.Write("palettes/p.act", Bytes(768, 0x22));
    Make();
    Drop({Bmp("a.bmp", {0x010203})});
#ifdef _WIN32
    GTEST_SKIP() << "needs a file size limit (POSIX RLIMIT_FSIZE)";
#else
    // Files may not grow past 100 bytes for a moment: the write fails part way.
    bool written = true;
    WithFileSizeLimit(100, [&] { written = ws->OnSavePalette(PaletteSaveChoice::NewName, "p"); });

    EXPECT_FALSE(written);
    const std::string path = PaletteFilePath(Palettes(), "p").string();
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::WriteError, path)}));
    EXPECT_EQ(ReadAll(Palettes() / "p.act"), Bytes(768, 0x22));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Palettes()),
                            std::filesystem::directory_iterator()),
              1);
#endif
}

TEST_F(PaletteSaveTest, ATooLongNameIsRefusedWithAMessage) {
    Make();
    const std::string name(300, 'n');
    EXPECT_FALSE(ws->OnSavePalette(PaletteSaveChoice::NewName, name));
    EXPECT_EQ(
        view.messages,
        (Strings{FormatMessage(Msg::PathTooLong, PaletteFilePath(Palettes(), name).string())}));
    EXPECT_EQ(ws->Pal256Name(), "");
}

// A palette name is a name: one that is a path (absolute, with a separator, "..") would be
// written outside the palette folder. It is refused with 228 for the path it would have made,
// nothing is written there, and the setting keeps its name.
TEST_F(PaletteSaveTest, ANameThatIsAPathIsRefusedWith228) {
    dir.Write("palettes/mine.act", Bytes(768, 0x11));
    dir.Write("there.act", Bytes(768, 0x22));
    settings.pal256 = "mine";
    Make();
    Drop({Bmp("a.bmp", {0x010203})});
    for (const std::string& name :
         {std::string("../escape"), std::string("sub/x"), (dir / "abs").string(), std::string(".."),
          std::string(" ../there")}) {
        view.messages.clear();
        EXPECT_FALSE(ws->OnSavePalette(PaletteSaveChoice::NewName, name)) << name;
        EXPECT_FALSE(PaletteOverwriteQuestionNeeded(Palettes(), PaletteSaveChoice::NewName, name))
            << name;
        const std::filesystem::path path = PaletteFilePath(Palettes(), TrimLeadingSpace(name));
        EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::CannotCreate, path.string())}))
            << name;
        EXPECT_EQ(ws->Pal256Name(), "mine") << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "escape.act"));
    EXPECT_FALSE(std::filesystem::exists(Palettes() / "sub"));
    EXPECT_FALSE(std::filesystem::exists(dir / "abs.act"));
    EXPECT_EQ(ReadAll(dir / "there.act"), Bytes(768, 0x22));
    EXPECT_EQ(ReadAll(Palettes() / "mine.act"), Bytes(768, 0x11));
}

TEST_F(PaletteSaveTest, AnExplicitPathForTheCommandLine) {
    Make();
    Drop({Bmp("a.bmp", {0x0A0B0C})});
    const auto target = dir / "cli.act";
    EXPECT_EQ(ws->WritePaletteFile(target), Msg::None);
    const Bytes bytes = ReadAll(target);
    ASSERT_EQ(bytes.size(), 768u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 3), (Bytes{0x0A, 0x0B, 0x0C}));
    EXPECT_EQ(ws->WritePaletteFile(dir / "missing" / "x.act"), Msg::CannotCreate);
}

TEST(PaletteSaveRulesTest, OverwriteIsOfferedForTheNamedFixedPaletteOfTheDepth) {
    const struct {
        PaletteMode mode;
        int depth;
        const char* pal256;
        const char* pal16;
        bool offered;
    } cases[] = {
        {PaletteMode::Fixed256, 256, "warm", "", true},
        {PaletteMode::Fixed256, 256, "", "cool", false},
        {PaletteMode::Fixed256, 16, "warm", "cool", false},
        {PaletteMode::Fixed16, 16, "", "cool", true},
        {PaletteMode::Fixed16, 256, "warm", "cool", false},
        {PaletteMode::RgbBits, 256, "warm", "cool", false},
        {PaletteMode::RgbBits, 16, "warm", "cool", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OverwriteChoiceOffered(c.mode, c.depth, c.pal256, c.pal16), c.offered)
            << static_cast<int>(c.mode) << " " << c.depth;
    }
}

TEST(PaletteSaveRulesTest, TheSettingFollowsTheDepth) {
    EXPECT_EQ(PaletteSettingForDepth(256), PaletteNameSetting::Pal256);
    EXPECT_EQ(PaletteSettingForDepth(16), PaletteNameSetting::Pal16);
    EXPECT_EQ(PaletteSettingForDepth(100), PaletteNameSetting::None);
}

TEST(PaletteSaveRulesTest, AnExistingNameAsksFirst) {
    TempDir dir;
    dir.Write("there.act", Bytes(768, 0));
    EXPECT_TRUE(PaletteOverwriteQuestionNeeded(dir.Path(), PaletteSaveChoice::NewName, "there"));
    EXPECT_TRUE(PaletteOverwriteQuestionNeeded(dir.Path(), PaletteSaveChoice::NewName, "  there"));
    EXPECT_FALSE(PaletteOverwriteQuestionNeeded(dir.Path(), PaletteSaveChoice::NewName, "new"));
    EXPECT_FALSE(PaletteOverwriteQuestionNeeded(dir.Path(), PaletteSaveChoice::Overwrite, "there"));
    EXPECT_FALSE(PaletteOverwriteQuestionNeeded(dir.Path(), PaletteSaveChoice::NewName, "  "));
}

}  // namespace
}  // namespace tintwell::test
