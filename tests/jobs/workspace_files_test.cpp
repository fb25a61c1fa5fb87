#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "workspace_fixture.h"

namespace tintwell::test {
namespace {

using Strings = std::vector<std::string>;
using Steps = std::vector<std::pair<int, int>>;

TEST_F(WorkspaceTest, EnterBusyDisablesTheControlsInOrder) {
    Make();
    const auto before = view.enableLog.size();
    ASSERT_TRUE(ws->OnDropFiles({Bmp("a.bmp", {1})}));
    // EnterBusy ran in the command; the job waits for the file's scan.
    EXPECT_TRUE(ws->Busy());
    const std::vector<std::pair<ControlId, bool>> expected = {
        {ControlId::DeleteFiles, false},
        {ControlId::ClearAll, false},
        {ControlId::PaletteSettings, false},
        {ControlId::OutputDepth, false},
        {ControlId::Merge, false},
        {ControlId::Output, false},
        {ControlId::Help, false},
        {ControlId::FileList, false},
        {ControlId::ColorList, false},
        {ControlId::SavePalette, false},
        {ControlId::Abort, true},
    };
    EXPECT_EQ(std::vector(view.enableLog.begin() + static_cast<long>(before), view.enableLog.end()),
              expected);
    RunUntilIdle(*ws, view);
    ExpectIdleControls();
}

TEST_F(WorkspaceTest, EveryCommandDoesNothingWhileBusy) {
    Make();
    Drop({Bmp("a.bmp", {0x112233, 0x445566})});
    const std::string b = Bmp("b.bmp", {0x778899});
    ASSERT_TRUE(ws->OnDropFiles({b}));
    // The job has not taken a step yet; the busy flag was set by the command itself.
    const auto enables = view.enableLog.size();
    const Selection two{{0, 1}, 0};
    EXPECT_FALSE(ws->OnDropFiles({b}));
    EXPECT_FALSE(ws->OnDeleteFiles({0}));
    ws->OnClearAll();
    ws->OnFileListClick(1);
    ws->OnToggleOutputDepth();
    EXPECT_FALSE(ws->OnPaletteSettings(PaletteChoice{}));
    EXPECT_FALSE(ws->OnColorColumnClick(1, two).has_value());
    ws->OnColorListClick(two);
    EXPECT_FALSE(ws->OnMerge(two));
    EXPECT_FALSE(ws->OnColorListDblClk(two).has_value());
    EXPECT_EQ(ws->OnOutput((dir / "out").string()), OutputStart::Busy);
    EXPECT_FALSE(ws->OnSavePalette(PaletteSaveChoice::NewName, "p"));
    EXPECT_EQ(view.enableLog.size(), enables);
    EXPECT_EQ(ws->SortToggle(), 0);
    EXPECT_EQ(ws->Palette().outputDepth, 256);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ws->FileCount(), 1);
    RunUntilIdle(*ws, view);
    EXPECT_EQ(Names(), (Strings{"a", "b"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "palettes" / "p.act"));
}

TEST_F(WorkspaceTest, FileListClickEnablesDelete) {
    Make();
    Drop({Bmp("a.bmp", {1})});
    ws->OnFileListClick(1);
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::DeleteFiles));
    ws->OnFileListClick(0);
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::DeleteFiles));
}

TEST_F(WorkspaceTest, DeletingRowsZeroAndTwoGoesFromTheHighestRowDown) {
    Make();
    const std::uint32_t shared = 0x808080;
    Drop({Bmp("a.bmp", {0xA00000, shared}, {1, 5}), Bmp("b.bmp", {0x00B000, shared}, {2, 6}),
          Bmp("c.bmp", {0x0000C0, shared}, {3, 7})});
    ws->OnFileListClick(2);
    view.progress.clear();
    ASSERT_TRUE(ws->OnDeleteFiles({2, 0}));
    RunUntilIdle(*ws, view);

    EXPECT_EQ(view.removedFileRows, (std::vector<int>{2, 0}));
    EXPECT_EQ(Names(), (Strings{"b"}));
    EXPECT_EQ(view.progress, (Steps{{-1, 2}, {0, 2}, {1, 2}}));
    EXPECT_EQ(ListColors(), (std::vector<std::uint32_t>{shared, 0x00B000}));
    EXPECT_EQ(ListCounts(), (std::vector<std::int64_t>{6, 2}));
    EXPECT_EQ(ws->Controls().fileHeader, "ファイル名\u3000  1ﾌｧｲﾙ");
    ExpectIdleControls();
    ExpectConsistent();
}

TEST_F(WorkspaceTest, DeletingEveryRowClearsTheListAndResetsTheTable) {
    Make();
    Drop({Bmp("a.bmp", {1}), Bmp("b.bmp", {2}), Bmp("c.bmp", {3})});
    ASSERT_TRUE(ws->OnDeleteFiles({0, 1, 2}));
    RunUntilIdle(*ws, view);
    // Two removals, then the last file clears the list instead.
    EXPECT_EQ(view.removedFileRows, (std::vector<int>{2, 1}));
    EXPECT_EQ(ws->FileCount(), 0);
    EXPECT_EQ(ws->ColorCount(), 0);
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::ClearAll));
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::Output));
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::SavePalette));
    ExpectIdleControls();
    ExpectConsistent();
}

TEST_F(WorkspaceTest, AbortDuringDeleteStopsBeforeTheNextRow) {
    Make();
    Drop({Bmp("a.bmp", {1}), Bmp("b.bmp", {2}), Bmp("c.bmp", {3})});
    view.onProgress = [&](int step, int) {
        if (step == 0) ws->OnAbort();
    };
    ASSERT_TRUE(ws->OnDeleteFiles({0, 1, 2}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(Names(), (Strings{"a", "b"}));
    ExpectIdleControls();
    ExpectConsistent();
}

TEST_F(WorkspaceTest, ClearAllEmptiesTheListAndTheTable) {
    Make();
    Drop({Bmp("a.bmp", {1, 2})});
    ws->OnClearAll();
    EXPECT_EQ(ws->FileCount(), 0);
    EXPECT_EQ(ws->ColorCount(), 0);
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::ClearAll));
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::DeleteFiles));
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::Output));
    EXPECT_EQ(ws->Controls().fileHeader, "ファイル名\u3000  0ﾌｧｲﾙ");
    ExpectConsistent();
}

// Deleting the only file that uses a color: in RgbBits mode the color leaves the list, in
// the fixed modes only its count drops.
class RemoveFileByModeTest : public WorkspaceTest, public ::testing::WithParamInterface<int> {};

TEST_P(RemoveFileByModeTest, FreesColorsOnlyInRgbBitsMode) {
    const int type = GetParam();
    Make(type);
    const int fixedCount = ws->ColorCount();
    Drop({Bmp("a.bmp", {0xFF0000, 0x00FF00}, {4, 1}), Bmp("b.bmp", {0x00FF00}, {2})});
    ExpectConsistent();
    ASSERT_TRUE(ws->OnDeleteFiles({0}));
    RunUntilIdle(*ws, view);
    ASSERT_EQ(Names(), (Strings{"b"}));
    if (type == 2) {
        EXPECT_EQ(ListColors(), (std::vector<std::uint32_t>{0x00FF00}));
        EXPECT_EQ(ListCounts(), (std::vector<std::int64_t>{2}));
        EXPECT_EQ(view.removedColorRows, (std::vector<int>{0}));
    } else {
        EXPECT_EQ(ws->ColorCount(), fixedCount);
        EXPECT_TRUE(view.removedColorRows.empty());
        std::int64_t total = 0;
        for (std::int64_t count : ListCounts())
            total += count;
        EXPECT_EQ(total, 2);
    }
    ExpectConsistent();
}

INSTANTIATE_TEST_SUITE_P(Modes, RemoveFileByModeTest, ::testing::Values(0, 1, 2));

TEST_F(WorkspaceTest, DeletingTheLastFileRefillsAFixedPalette) {
    Make(0);
    Drop({Bmp("a.bmp", {0xFFFFFF}, {9})});
    ASSERT_TRUE(ws->OnDeleteFiles({0}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->ColorCount(), 256);
    for (std::int64_t count : ListCounts())
        EXPECT_EQ(count, 0);
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::SavePalette));
    ExpectConsistent();
}

}  // namespace
}  // namespace tintwell::test
