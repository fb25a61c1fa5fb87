#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jobs/dropped_items.h"
#include "workspace_fixture.h"

namespace tintwell::test {
namespace {

using Strings = std::vector<std::string>;
using Steps = std::vector<std::pair<int, int>>;

TEST_F(WorkspaceTest, DropListsFilesByBaseNameIgnoringCase) {
    Make();
    const std::string b = Bmp("B.bmp", {0xFF0000}, {3});
    const std::string a = Bmp("a.BMP", {0x00FF00}, {2});
    const std::string c = Bmp("c.bmp", {0x0000FF}, {1});
    Drop({b, a, c});

    EXPECT_EQ(Names(), (Strings{"a", "B", "c"}));
    EXPECT_EQ(ws->FileCount(), 3);
    EXPECT_EQ(ws->Controls().fileHeader, "ファイル名\u3000  3ﾌｧｲﾙ");
    // Colors enter in the order the files were read, which is the drop order.
    EXPECT_EQ(ListColors(), (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF}));
    EXPECT_EQ(ListCounts(), (std::vector<std::int64_t>{3, 2, 1}));
    EXPECT_EQ(ws->Controls().colorHeader, "     3色    Ｒ  Ｇ  Ｂ");
    EXPECT_EQ(view.progress, (Steps{{-1, 3}, {0, 3}, {1, 3}, {2, 3}}));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::Output));
    ExpectIdleControls();
    ExpectConsistent();
}

// BMP and PNG files (indexed and RGB) share the list and the table. A file of either format
// with a base name already listed is skipped. While both formats are listed every row shows
// the whole file name; when one format is left, the base names again.
TEST_F(WorkspaceTest, BitmapsAndPngsShareTheListAndShowTheirExtensionsWhenMixed) {
    Make();
    const std::string c = Png("c.png", {0x0000FF, 0x00FF00}, {1, 2}, false);
    const std::string a = Bmp("a.bmp", {0xFF0000}, {3});
    const std::string b = Png("b.PNG", {0x00FF00, 0x123456}, {4, 5});
    const std::string a2 = Png("A.png", {0x654321});
    Drop({c, a, b, a2});
    EXPECT_EQ(Names(), (Strings{"a", "b", "c"}));
    EXPECT_EQ(view.fileRows, (Strings{"a.bmp", "b.PNG", "c.png"}));
    EXPECT_EQ(ListColors(), (std::vector<std::uint32_t>{0x0000FF, 0x00FF00, 0xFF0000, 0x123456}));
    EXPECT_EQ(ListCounts(), (std::vector<std::int64_t>{1, 6, 3, 5}));
    EXPECT_TRUE(view.messages.empty());
    ExpectConsistent();

    ASSERT_TRUE(ws->OnDeleteFiles({0}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(view.fileRows, (Strings{"b", "c"}));
    Drop({a});
    EXPECT_EQ(view.fileRows, (Strings{"a.bmp", "b.PNG", "c.png"}));
    ExpectConsistent();
}

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

TEST_F(WorkspaceTest, SameBaseNameFromAnotherFolderIsSkippedSilently) {
    Make();
    const std::string first = Bmp("one/x.bmp", {0x010101});
    const std::string second = Bmp("two/X.bmp", {0x020202});
    Drop({first, second});
    ASSERT_EQ(ws->FileCount(), 1);
    EXPECT_EQ(ws->Files().At(0).path, first);
    // A later drop of the same name is skipped too.
    Drop({second});
    EXPECT_EQ(ws->FileCount(), 1);
    EXPECT_EQ(ws->ColorCount(), 1);
    EXPECT_TRUE(view.messages.empty());
}

// A folder stands for the bitmaps directly inside it, in name order; its sub-folders and
// other files are left out, and only the bitmaps count towards the limit of 128.
TEST_F(WorkspaceTest, AFolderAddsTheBitmapsInsideItInNameOrder) {
    Make();
    const std::string b = Bmp("folder/b.bmp", {0x0000BB});
    const std::string a = Bmp("folder/A.BMP", {0x0000AA});
    (void)dir.Write("folder/notes.txt", {'h', 'i'});
    (void)Bmp("folder/sub/c.bmp", {0x0000CC});
    std::filesystem::create_directories(dir / "empty");
    const std::string text = dir.Write("notes.txt", {'h', 'i'}).string();
    const std::string d = Bmp("d.bmp", {0x0000DD});
    const std::string folder = (dir / "folder").string();
    EXPECT_EQ(ExpandFolders({text, folder, (dir / "empty").string(), d}), (Strings{text, a, b, d}));

    Drop({text, folder, (dir / "empty").string(), d});
    EXPECT_EQ(Names(), (Strings{"A", "b", "d"}));
    // Colors enter in name order within the folder.
    EXPECT_EQ(ListColors(), (std::vector<std::uint32_t>{0x0000AA, 0x0000BB, 0x0000DD}));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.progress.front(), std::make_pair(-1, 4));

    for (int i = 0; i < 126; ++i)
        (void)Bmp("many/f" + std::to_string(1000 + i) + ".bmp", {0x10});
    Drop({(dir / "many").string()});
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::TooManyFiles)}));
    EXPECT_EQ(ws->FileCount(), 3);
    ExpectConsistent();
}

TEST_F(WorkspaceTest, RefusedFilesShowTheirMessageWithThePath) {
    Make();
    const std::string notBitmap =
        dir.Write("text.bmp", std::vector<std::uint8_t>(64, 'x')).string();
    const std::string missing = (dir / "missing.bmp").string();
    const std::string longPath = (dir / (std::string(300, 'n') + ".bmp")).string();
    const std::string good = Bmp("good.bmp", {0xABCDEF});
    Drop({notBitmap, missing, longPath, good});
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::NotBitmap, notBitmap),
                                      FormatMessage(Msg::CannotOpen, missing),
                                      FormatMessage(Msg::PathTooLong, longPath)}));
    EXPECT_EQ(Names(), (Strings{"good"}));
    ExpectConsistent();
}

TEST_F(WorkspaceTest, TheLimitOf128CountsTheWholeDrop) {
    Make();
    std::vector<std::string> many;
    for (int i = 0; i < 127; ++i)
        many.push_back(Bmp("f" + std::to_string(1000 + i) + ".bmp", {0x10}));
    Drop(many);
    ASSERT_EQ(ws->FileCount(), 127);

    const std::string x = Bmp("x.bmp", {0x20});
    const std::string y = Bmp("y.bmp", {0x30});
    view.progress.clear();
    Drop({x, y});
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::TooManyFiles)}));
    EXPECT_EQ(ws->FileCount(), 127);
    EXPECT_EQ(view.progress, (Steps{{-1, 0}}));

    view.messages.clear();
    Drop({x});
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(ws->FileCount(), 128);
    EXPECT_EQ(ws->Controls().fileHeader, "ファイル名\u3000128ﾌｧｲﾙ");
    ExpectConsistent();
}

TEST_F(WorkspaceTest, AbortDuringAddKeepsTheFilesAddedSoFar) {
    Make();
    std::vector<std::string> paths;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        paths.push_back(Bmp(std::string(name) + ".bmp", {static_cast<std::uint32_t>(name[0])}));
    }
    // The abort button pressed while the third file's progress is drawn.
    view.onProgress = [&](int step, int) {
        if (step == 2) ws->OnAbort();
    };
    Drop(paths);
    EXPECT_EQ(Names(), (Strings{"a", "b"}));
    EXPECT_EQ(view.progress.back(), std::make_pair(2, 5));
    ExpectIdleControls();
    ExpectConsistent();

    // The flag was cleared: the next drop runs whole.
    view.onProgress = nullptr;
    Drop({paths[2], paths[3]});
    EXPECT_EQ(Names(), (Strings{"a", "b", "c", "d"}));
}

TEST_F(WorkspaceTest, EveryFiftiethColorRefreshesTheHeading) {
    Make();
    std::vector<std::uint32_t> colors;
    for (std::uint32_t i = 0; i < 120; ++i)
        colors.push_back(0x010000 * i + 7);
    view.colorHeaderLog.clear();
    Drop({Bmp("many.bmp", colors)});
    EXPECT_EQ(view.colorHeaderLog, (Strings{FormatNumbers(Msg::ColorListHeading, {50}),
                                            FormatNumbers(Msg::ColorListHeading, {100}),
                                            FormatNumbers(Msg::ColorListHeading, {120})}));
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

TEST_F(WorkspaceTest, AFileThatFailsToBeReadAgainLeavesTheList) {
    Make();
    const std::string a = Bmp("a.bmp", {0xFF0000, 0x00FF00}, {1, 2});
    const std::string b = Bmp("b.bmp", {0x00FF00, 0x0000FF}, {3, 4});
    const std::string c = Bmp("c.bmp", {0x0000FF, 0xFFFFFF}, {5, 6});
    const std::string d = Bmp("d.bmp", {0x123456}, {7});
    Drop({a, b, c, d});
    dir.Write("b.bmp", std::vector<std::uint8_t>(64, 'x'));
    std::filesystem::remove(d);

    ASSERT_TRUE(ws->OnPaletteSettings(PaletteChoice{}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(view.messages,
              (Strings{FormatMessage(Msg::NotBitmap, b), FormatMessage(Msg::CannotOpen, d)}));
    EXPECT_EQ(Names(), (Strings{"a", "c"}));
    EXPECT_EQ(ListColors(), (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
    ExpectConsistent();
    ExpectIdleControls();

    // With the stale map gone, removing a file later keeps the table right.
    ASSERT_TRUE(ws->OnDeleteFiles({0}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ListColors(), (std::vector<std::uint32_t>{0x0000FF, 0xFFFFFF}));
    EXPECT_EQ(ListCounts(), (std::vector<std::int64_t>{5, 6}));
    ExpectConsistent();
}

TEST_F(WorkspaceTest, WhenEveryFileFailsTheListEndsEmpty) {
    Make();
    const std::string a = Bmp("a.bmp", {1});
    Drop({a});
    std::filesystem::remove(a);
    ASSERT_TRUE(ws->OnPaletteSettings(PaletteChoice{}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ws->FileCount(), 0);
    EXPECT_EQ(ws->ColorCount(), 0);
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::ClearAll));
    ExpectIdleControls();
    ExpectConsistent();
}

TEST_F(WorkspaceTest, ReanalyseCannotBeAbortedAndSaysSo) {
    Make();
    Drop({Bmp("a.bmp", {1}), Bmp("b.bmp", {2}), Bmp("c.bmp", {3})});
    const auto enables = view.enableLog.size();
    view.progress.clear();
    view.onProgress = [&](int step, int) {
        if (step == 1) ws->OnAbort();
    };
    ASSERT_TRUE(ws->OnPaletteSettings(PaletteChoice{}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::CannotAbort)}));
    EXPECT_EQ(Names(), (Strings{"a", "b", "c"}));
    EXPECT_EQ(view.progress, (Steps{{-1, 3}, {0, 3}, {1, 3}, {2, 3}}));
    for (auto i = enables; i < view.enableLog.size(); ++i) {
        EXPECT_NE(view.enableLog[i], std::make_pair(ControlId::Abort, true));
    }
    ExpectIdleControls();
    ExpectConsistent();
}

}  // namespace
}  // namespace tintwell::test
