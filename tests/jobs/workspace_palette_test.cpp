#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "jobs/memory_settings_store.h"
#include "workspace_fixture.h"

namespace tintwell::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Colors = std::vector<std::uint32_t>;
using Strings = std::vector<std::string>;

struct InitialCase {
    int type;
    int rows;
    const char* caption;
    const char* depth;
    const char* heading;
};

void PrintTo(const InitialCase& c, std::ostream* os) {
    *os << "type " << c.type;
}

class InitialStateTest : public WorkspaceTest, public ::testing::WithParamInterface<InitialCase> {};

TEST_P(InitialStateTest, FollowsTheMode) {
    const InitialCase& c = GetParam();
    Make(c.type);
    const ControlStates& controls = ws->Controls();
    EXPECT_EQ(ws->ColorCount(), c.rows);
    EXPECT_EQ(view.colorRows, c.rows);
    EXPECT_EQ(controls.paletteCaption, c.caption);
    EXPECT_EQ(controls.depthCaption, c.depth);
    EXPECT_EQ(view.texts[ControlId::PaletteSettings], c.caption);
    EXPECT_EQ(view.texts[ControlId::OutputDepth], c.depth);
    EXPECT_EQ(controls.colorHeader, c.heading);
    EXPECT_EQ(controls.pixelHeader, "画 素 数");
    EXPECT_EQ(controls.fileHeader, "ファイル名\u3000  0ﾌｧｲﾙ");
    EXPECT_EQ(controls.Enabled(ControlId::SavePalette), c.rows > 0);
    EXPECT_FALSE(controls.Enabled(ControlId::Output));
    EXPECT_FALSE(controls.Enabled(ControlId::ClearAll));
    EXPECT_FALSE(controls.Enabled(ControlId::DeleteFiles));
    EXPECT_FALSE(controls.Enabled(ControlId::Merge));
    EXPECT_FALSE(controls.Enabled(ControlId::Abort));
    EXPECT_TRUE(controls.Enabled(ControlId::PaletteSettings));
    EXPECT_TRUE(controls.Enabled(ControlId::OutputDepth));
    EXPECT_TRUE(controls.Enabled(ControlId::Help));
    EXPECT_TRUE(controls.Enabled(ControlId::FileList));
    EXPECT_TRUE(controls.Enabled(ControlId::ColorList));
    EXPECT_EQ(ws->SortToggle(), 0);
    EXPECT_EQ(ws->MergeTarget(), 0);
    EXPECT_EQ(ws->Table().NextPaletteNumber(), c.rows);
    for (std::int64_t count : ListCounts())
        EXPECT_EQ(count, 0);
    EXPECT_TRUE(view.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, InitialStateTest,
    ::testing::Values(InitialCase{0, 256, "256色固定", "256", "   256色    Ｒ  Ｇ  Ｂ"},
                      InitialCase{1, 16, "16色固定", "16", "    16色    Ｒ  Ｇ  Ｂ"},
                      InitialCase{2, 0, "R:8 G:8 B:8", "256", "     0色    Ｒ  Ｇ  Ｂ"}));

TEST_F(WorkspaceTest, ChannelBitsReduceColorsToTheirBucketCentre) {
    Make();
    Drop({Bmp("a.bmp", {0x0A0B0C, 0x0B0B0C}, {1, 2})});
    ASSERT_EQ(ws->ColorCount(), 2);
    PaletteChoice choice;
    choice.bits = {5, 6, 7};
    ASSERT_TRUE(ws->OnPaletteSettings(choice));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->Controls().paletteCaption, "R:5 G:6 B:7");
    EXPECT_EQ(ws->Palette().mask.red, 0xF8);
    EXPECT_EQ(ws->Palette().mask.green, 0xFC);
    EXPECT_EQ(ws->Palette().mask.blue, 0xFE);
    // Both colors fall into one bucket: red 0x08 + 4, green 0x08 + 2, blue 0x0C + 1.
    EXPECT_EQ(ListColors(), (Colors{0x0C0A0D}));
    EXPECT_EQ(ListCounts(), (std::vector<std::int64_t>{3}));
    ExpectIdleControls();
    ExpectConsistent();
}

TEST_F(WorkspaceTest, FixedModesSetTheirDepthAndMapToTheNearestEntry) {
    Make();
    Drop({Bmp("a.bmp", {0x000000, 0x010101}, {2, 3})});
    ws->OnToggleOutputDepth();
    ASSERT_EQ(ws->Palette().outputDepth, 16);

    PaletteChoice fixed256;
    fixed256.mode = PaletteMode::Fixed256;
    ASSERT_TRUE(ws->OnPaletteSettings(fixed256));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->Palette().outputDepth, 256);
    EXPECT_EQ(ws->Controls().paletteCaption, "256色固定");
    EXPECT_EQ(ws->Controls().depthCaption, "256");
    EXPECT_EQ(ws->ColorCount(), 256);
    std::int64_t total = 0;
    for (std::int64_t count : ListCounts())
        total += count;
    EXPECT_EQ(total, 5);
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::Output));
    ExpectConsistent();

    PaletteChoice fixed16;
    fixed16.mode = PaletteMode::Fixed16;
    ASSERT_TRUE(ws->OnPaletteSettings(fixed16));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->Palette().outputDepth, 16);
    EXPECT_EQ(ws->Controls().depthCaption, "16");
    EXPECT_EQ(ws->ColorCount(), 16);
    ExpectConsistent();

    // Back to mode 2: the depth stays as it was.
    ASSERT_TRUE(ws->OnPaletteSettings(PaletteChoice{}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->Palette().outputDepth, 16);
    EXPECT_EQ(ws->ColorCount(), 2);
}

// True-color files of more than 256 colors: refused at 8 bits a channel, taken by the
// fixed modes (every pixel its nearest fixed color) and by fewer bits, scanned two at a
// time and written by the rule their scan used.
TEST_F(WorkspaceTest, TrueColorFilesOfManyColorsFollowTheMode) {
    std::vector<std::uint32_t> pixels(600);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>(i * 0x010305);
    const std::string many =
        dir.Write("many.bmp", BmpBuilder(600, 1, 24).Pixels(pixels).Bytes()).string();
    const std::string few = Bmp("few.bmp", {0x102030, 0x405060});
    Make();
    Drop({many, few});
    EXPECT_EQ(view.messageIds,
              (std::vector<std::pair<Msg, std::string>>{{Msg::TooManyColors24, many}}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"few"}));

    for (const PaletteMode mode :
         {PaletteMode::Fixed256, PaletteMode::Fixed16, PaletteMode::RgbBits}) {
        SCOPED_TRACE(static_cast<int>(mode));
        ws->OnClearAll();
        RunUntilIdle(*ws, view);
        PaletteChoice choice;
        choice.mode = mode;
        choice.bits = {3, 3, 2};
        ASSERT_TRUE(ws->OnPaletteSettings(choice));
        RunUntilIdle(*ws, view);
        view.messageIds.clear();
        Drop({many, few});
        EXPECT_TRUE(view.messageIds.empty());
        ASSERT_EQ(Names(), (std::vector<std::string>{"few", "many"}));
        EXPECT_EQ(ws->Files().At(1).format, "bmp-24");
        ExpectConsistent();

        if (ws->ColorCount() > ws->Palette().outputDepth) ws->OnToggleOutputDepth();
        const auto out = dir / ("out" + std::to_string(static_cast<int>(mode)));
        std::filesystem::create_directories(out);
        ASSERT_EQ(ws->OnOutput(out.string()), OutputStart::Started);
        RunUntilIdle(*ws, view);
        const auto written = DecodeBmp(ReadAll(out / "many.bmp"));
        ASSERT_TRUE(written.ok);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const ColorQuad p{static_cast<std::uint8_t>(pixels[i]),
                              static_cast<std::uint8_t>(pixels[i] >> 8),
                              static_cast<std::uint8_t>(pixels[i] >> 16), 0};
            const int slot = mode == PaletteMode::RgbBits
                                 ? ws->Table().FindMaskedColor(p, ws->Palette().mask)
                                 : ws->Table().FindNearestColor(p);
            ASSERT_GE(slot, 0);
            const ColorSlot& s = ws->Table().Slot(slot);
            EXPECT_EQ(written.pixels[i], (Rgb{s.red, s.green, s.blue})) << i;
        }
    }
}

TEST_F(WorkspaceTest, ConfirmingUnchangedSettingsStillUndoesAMerge) {
    Make();
    Drop({Bmp("a.bmp", {0x100000, 0x200000, 0x300000})});
    ASSERT_TRUE(ws->OnMerge({{0, 1}, 0}));
    RunUntilIdle(*ws, view);
    ASSERT_EQ(ws->ColorCount(), 2);
    ASSERT_TRUE(ws->OnPaletteSettings(PaletteChoice{}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ListColors(), (Colors{0x100000, 0x200000, 0x300000}));
    ExpectConsistent();
}

TEST_F(WorkspaceTest, OnlyTheChosenFixedModeTakesItsPaletteName) {
    dir.Write("palettes/warm.act", Bytes(768, 0x40));
    dir.Write("palettes/cool.act", Bytes(768, 0x50));
    Make();
    PaletteChoice choice;
    choice.pal256Name = "warm";
    choice.pal16Name = "cool";
    ASSERT_TRUE(ws->OnPaletteSettings(choice));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->Pal256Name(), "");
    EXPECT_EQ(ws->Pal16Name(), "");

    choice.mode = PaletteMode::Fixed16;
    ASSERT_TRUE(ws->OnPaletteSettings(choice));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->Pal16Name(), "cool");
    EXPECT_EQ(ws->Pal256Name(), "");
    EXPECT_EQ(ListColors(), Colors(16, 0x505050));
    Settings saved;
    ws->ExportSettings(saved);
    EXPECT_EQ(saved.type, 1);
    EXPECT_EQ(saved.pal16, "cool");
}

TEST_F(WorkspaceTest, OutputDepthToggleFollowsTheColorCount) {
    Make();
    std::vector<std::uint32_t> colors;
    for (std::uint32_t i = 0; i < 17; ++i)
        colors.push_back(i * 0x0F0F0F);
    Drop({Bmp("a.bmp", colors)});
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::Output));
    ws->OnToggleOutputDepth();
    EXPECT_EQ(ws->Controls().depthCaption, "16");
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::Output));
    ws->OnToggleOutputDepth();
    EXPECT_EQ(ws->Controls().depthCaption, "256");
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::Output));
}

TEST_F(WorkspaceTest, MoreColorsThanTheDepthKeepOutputDisabled) {
    Make();
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> second;
    for (std::uint32_t i = 0; i < 150; ++i) {
        first.push_back(i << 16 | 1);
        second.push_back(i << 16 | 2);
    }
    Drop({Bmp("a.bmp", first), Bmp("b.bmp", second)});
    ASSERT_EQ(ws->ColorCount(), 300);
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::Output));
    ASSERT_TRUE(ws->OnDeleteFiles({1}));
    RunUntilIdle(*ws, view);
    ASSERT_EQ(ws->ColorCount(), 150);
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::Output));
}

TEST_F(WorkspaceTest, AShortPaletteFileIsReportedOnceAtStartUp) {
    dir.Write("palettes/short.act", Bytes(767, 0x33));
    settings.pal256 = "short";
    Make(0);
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::BadPalette256)}));
    EXPECT_EQ(ws->Pal256Name(), "");
    EXPECT_EQ(ws->ColorCount(), 256);
    EXPECT_NE(ListColors().front(), 0x333333u);
}

TEST_F(WorkspaceTest, APaletteFileSpoiltLaterIsReportedAtTheNextReset) {
    dir.Write("palettes/tiles.act", Bytes(768, 0x22));
    settings.pal16 = "tiles";
    Make(1);
    ASSERT_TRUE(view.messages.empty());
    EXPECT_EQ(ListColors().front(), 0x222222u);
    // Cut short behind the tool's back: clearing the list reads it again, says so once,
    // forgets the name and falls back to the built-in palette.
    dir.Write("palettes/tiles.act", Bytes(47, 0x22));
    ws->OnClearAll();
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::BadPalette16)}));
    EXPECT_EQ(ws->Pal16Name(), "");
    EXPECT_EQ(ws->ColorCount(), 16);
    EXPECT_NE(ListColors().front(), 0x222222u);
    ws->OnClearAll();
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(WorkspaceTest, AMissingPaletteFileFallsBackSilently) {
    settings.pal16 = "gone";
    Make(1);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ws->Pal16Name(), "");
    MemorySettingsStore store;
    Settings saved = settings;
    ws->ExportSettings(saved);
    SaveSettings(saved, store);
    EXPECT_EQ(store.ReadString("Pal", "Pal16"), "");
    EXPECT_EQ(store.ReadInt("Set", "Type"), 1);
}

// Stored names that are paths are not read from outside the palette folder: each is
// treated as a missing palette file (no message, name cleared, built-in palette, the
// cleared name written back).
TEST_F(WorkspaceTest, APaletteSettingThatIsAPathIsNotRead) {
    dir.Write("elsewhere.act", Bytes(768, 0x55));
    settings.pal256 = "../elsewhere";
    settings.pal16 = (dir / "elsewhere").string();
    Make(0);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ws->Pal256Name(), "");
    EXPECT_EQ(ws->Pal16Name(), "");
    EXPECT_NE(ListColors().front(), 0x555555u);
    Settings saved = settings;
    ws->ExportSettings(saved);
    EXPECT_EQ(saved.pal256, "");
    EXPECT_EQ(saved.pal16, "");
}

TEST_F(WorkspaceTest, APaletteFileLongerThan768BytesIsAccepted) {
    Bytes bytes(772, 0x44);
    settings.pal256 = "long";
    dir.Write("palettes/long.act", bytes);
    Make(0);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ws->Pal256Name(), "long");
    EXPECT_EQ(ListColors(), Colors(256, 0x444444));
}

}  // namespace
}  // namespace tintwell::test
