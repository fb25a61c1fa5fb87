#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "workspace_fixture.h"

namespace tintwell::test {
namespace {

using Colors = std::vector<std::uint32_t>;
using Counts = std::vector<std::int64_t>;
using Strings = std::vector<std::string>;

class ColorListTest : public WorkspaceTest {
  protected:
    // Four colors with the counts 2, 5, 1, 3, in this list order.
    void MakeFour(int type = 2) {
        Make(type);
        Drop({Bmp("a.bmp", {0x100000, 0x200000, 0x300000, 0x400000}, {2, 5, 1, 3})});
    }
};

TEST_F(ColorListTest, PixelSortAlternatesFromDescending) {
    MakeFour();
    auto after = ws->OnColorColumnClick(1, {});
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(ws->SortToggle(), 1);
    EXPECT_EQ(ListCounts(), (Counts{5, 3, 2, 1}));
    EXPECT_EQ(ListColors(), (Colors{0x200000, 0x400000, 0x100000, 0x300000}));
    after = ws->OnColorColumnClick(1, {});
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(ListCounts(), (Counts{1, 2, 3, 5}));
    EXPECT_EQ(view.scrolledToTop.back(), ListId::Colors);
    ExpectConsistent();
}

TEST_F(ColorListTest, AColorClickBetweenTwoPixelSortsTurnsTheSecondRound) {
    MakeFour();
    ASSERT_TRUE(ws->OnColorColumnClick(1, {}).has_value());
    EXPECT_EQ(ListCounts(), (Counts{5, 3, 2, 1}));
    // No row selected: nothing is sorted, but the toggle flips.
    EXPECT_FALSE(ws->OnColorColumnClick(0, {}).has_value());
    EXPECT_EQ(ws->SortToggle(), 0);
    EXPECT_EQ(ListCounts(), (Counts{5, 3, 2, 1}));
    ASSERT_TRUE(ws->OnColorColumnClick(1, {}).has_value());
    EXPECT_EQ(ListCounts(), (Counts{5, 3, 2, 1}));
}

TEST_F(ColorListTest, FixedModesDoNotSort) {
    for (int type : {0, 1}) {
        MakeFour(type);
        const Colors before = ListColors();
        EXPECT_FALSE(ws->OnColorColumnClick(1, {}).has_value());
        EXPECT_FALSE(ws->OnColorColumnClick(0, {{0}, 0}).has_value());
        EXPECT_EQ(ws->SortToggle(), 0);
        EXPECT_EQ(ListColors(), before);
    }
}

TEST_F(ColorListTest, PixelSortKeepsSelectionAndFocusWithTheirColors) {
    MakeFour();
    const auto after = ws->OnColorColumnClick(1, {{0, 2, 3}, 3});
    ASSERT_TRUE(after.has_value());
    // 0x100000 (row 0) went to 2, 0x300000 (row 2) to 3, 0x400000 (row 3, focus) to 1.
    EXPECT_EQ(after->rows, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(after->focus, 1);
    EXPECT_EQ(ws->Controls().status, " 2色 → 1番");
}

TEST_F(ColorListTest, AnUnselectedFocusStaysWhereItWas) {
    MakeFour();
    const auto after = ws->OnColorColumnClick(1, {{0, 2}, 1});
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->rows, (std::vector<int>{2, 3}));
    EXPECT_EQ(after->focus, 1);
    EXPECT_EQ(ws->Controls().status, "");
}

TEST_F(ColorListTest, ColorSortOrdersByDistanceFromTheReference) {
    Make();
    Drop({Bmp("a.bmp", {0x000000, 0x7F7F7F, 0x808080, 0xFFFFFF, 0x908080})});
    const auto repaints = view.repaintCount;
    const auto after = ws->OnColorColumnClick(0, {{2}, 2});
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(ListColors(), (Colors{0x808080, 0x7F7F7F, 0x908080, 0xFFFFFF, 0x000000}));
    // Row 0 is then the only selected and focused row, as after a click on it.
    EXPECT_EQ(after->rows, (std::vector<int>{0}));
    EXPECT_EQ(after->focus, 0);
    EXPECT_EQ(ws->Controls().status, "");
    EXPECT_FALSE(ws->Controls().Enabled(ControlId::Merge));
    EXPECT_EQ(view.repaintCount, repaints + 1);
    EXPECT_EQ(view.scrolledToTop.back(), ListId::Colors);
    ExpectConsistent();
}

TEST_F(ColorListTest, ColorSortReferenceIsTheFocusElseTheSelectedRow) {
    Make();
    const std::string a = Bmp("a.bmp", {0x000000, 0x101010, 0xF0F0F0, 0xFFFFFF});
    Drop({a});
    // One row selected (3), the focus on row 1: the focused color is the reference.
    ASSERT_TRUE(ws->OnColorColumnClick(0, {{3}, 1}).has_value());
    EXPECT_EQ(ListColors(), (Colors{0x101010, 0x000000, 0xF0F0F0, 0xFFFFFF}));
    // No focus: the selected row is the reference.
    ASSERT_TRUE(ws->OnColorColumnClick(0, {{2}, -1}).has_value());
    EXPECT_EQ(ListColors().front(), 0xF0F0F0u);
}

TEST_F(ColorListTest, ColorSortNeedsExactlyOneSelectedRow) {
    MakeFour();
    const Colors before = ListColors();
    EXPECT_FALSE(ws->OnColorColumnClick(0, {{0, 1}, 0}).has_value());
    EXPECT_EQ(ListColors(), before);
    EXPECT_EQ(ws->SortToggle(), 1);
}

TEST_F(ColorListTest, ClickSetsMergeStatusAndButton) {
    MakeFour();
    const struct {
        Selection selection;
        std::string status;
        bool merge;
    } cases[] = {
        {{{}, -1}, "", false},
        {{{1}, 1}, "", false},
        {{{0, 2}, 2}, " 1色 → 2番", true},
        {{{0, 2, 3}, 0}, " 2色 → 0番", true},
        {{{0, 2}, 1}, "", false},
        {{{0, 2}, -1}, "", false},
    };
    for (const auto& c : cases) {
        ws->OnColorListClick(c.selection);
        EXPECT_EQ(ws->Controls().status, c.status);
        EXPECT_EQ(ws->Controls().Enabled(ControlId::Merge), c.merge);
    }
}

TEST_F(ColorListTest, ClickInAFixedModeChangesNothing) {
    MakeFour(0);
    const auto enables = view.enableLog.size();
    ws->OnColorListClick({{0, 2}, 2});
    EXPECT_EQ(ws->Controls().status, "");
    EXPECT_EQ(view.enableLog.size(), enables);
}

class MergeTest : public WorkspaceTest {
  protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        Make();
        Drop({Bmp("a.bmp", {0x100000, 0x200000, 0x300000}, {1, 2, 4}),
              Bmp("b.bmp", {0x200000, 0x400000}, {8, 16}), Bmp("e.bmp", {0x500000}, {32})});
        ASSERT_EQ(ListColors(), (Colors{0x100000, 0x200000, 0x300000, 0x400000, 0x500000}));
    }
};

TEST_F(MergeTest, FoldsSelectedColorsIntoTheFocusedOne) {
    const IndexMap untouched = ws->Files().At(2).indexMap;
    const std::int32_t targetNumber = ws->Table().AtPosition(2).paletteNumber;
    ws->OnColorListClick({{0, 2, 3}, 2});
    view.progress.clear();
    ASSERT_TRUE(ws->OnMerge({{0, 2, 3}, 2}));
    RunUntilIdle(*ws, view);

    EXPECT_EQ(ws->MergeTarget(), 2);
    EXPECT_EQ(ListColors(), (Colors{0x200000, 0x300000, 0x500000}));
    EXPECT_EQ(ListCounts(), (Counts{10, 21, 32}));
    EXPECT_EQ(ws->Table().AtPosition(1).paletteNumber, targetNumber);
    EXPECT_EQ(view.removedColorRows, (std::vector<int>{3, 0}));
    EXPECT_EQ(view.progress,
              (std::vector<std::pair<int, int>>{{-1, 6}, {0, 6}, {1, 6}, {2, 6}, {3, 6}, {4, 6}}));
    // The maps of a and b now name the target's slot; e never used a merged color.
    const int target = ws->Table().ListOrder(1);
    EXPECT_EQ(ws->Files().At(0).indexMap[0], target);
    EXPECT_EQ(ws->Files().At(1).indexMap[1], target);
    EXPECT_EQ(ws->Files().At(2).indexMap, untouched);
    EXPECT_EQ(ws->Controls().colorHeader, "     3色    Ｒ  Ｇ  Ｂ");
    ExpectIdleControls();
    ExpectConsistent();
    EXPECT_TRUE(view.messages.empty());

    // Deleting a file afterwards takes its pixels off the target.
    ASSERT_TRUE(ws->OnDeleteFiles({1}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(ListColors(), (Colors{0x200000, 0x300000, 0x500000}));
    EXPECT_EQ(ListCounts(), (Counts{2, 5, 32}));
    ExpectConsistent();
}

TEST_F(MergeTest, AFreedSlotIsTakenByALaterColorWithANewNumber) {
    ASSERT_TRUE(ws->OnMerge({{0, 1}, 1}));
    RunUntilIdle(*ws, view);
    const std::int32_t next = ws->Table().NextPaletteNumber();
    Drop({Bmp("f.bmp", {0x600000})});
    EXPECT_EQ(ws->Table().ListOrder(ws->ColorCount() - 1), 0);
    EXPECT_EQ(ws->Table().Slot(0).paletteNumber, next);
    ExpectConsistent();
}

TEST_F(MergeTest, WrongSelectionShowsTheInternalError) {
    const Selection wrong[] = {{{1}, 1}, {{0, 1}, 2}, {{0, 1}, -1}, {{}, -1}};
    for (const Selection& selection : wrong) {
        EXPECT_FALSE(ws->OnMerge(selection));
    }
    EXPECT_EQ(view.messages, Strings(4, std::string(kMergeInternalError)));
    EXPECT_EQ(ws->ColorCount(), 5);
    EXPECT_FALSE(ws->Busy());
}

TEST_F(MergeTest, CannotBeAbortedAndSaysSo) {
    const auto enables = view.enableLog.size();
    // Once while the counts are summed (steps 0-2), once at the last of the two rows removed
    // (steps 3-4): both are answered and the merge goes on.
    view.onProgress = [&](int step, int) {
        if (step == 1 || step == 4) ws->OnAbort();
    };
    ASSERT_TRUE(ws->OnMerge({{1, 3, 4}, 3}));
    RunUntilIdle(*ws, view);
    EXPECT_EQ(view.messages, Strings(2, FormatMessage(Msg::CannotAbort)));
    EXPECT_EQ(ListColors(), (Colors{0x100000, 0x300000, 0x400000}));
    EXPECT_EQ(ListCounts(), (Counts{1, 4, 58}));
    for (auto i = enables; i < view.enableLog.size(); ++i) {
        EXPECT_NE(view.enableLog[i], std::make_pair(ControlId::Abort, true));
    }
    ExpectConsistent();
}

// The merge button is enabled in the bit-reduction mode only; a merge asked for in a fixed
// mode anyway is refused and the fixed palette stays whole.
TEST_F(ColorListTest, FixedModesDoNotMerge) {
    for (int type : {0, 1}) {
        view.messages.clear();
        MakeFour(type);
        const int listed = ws->ColorCount();
        const Colors colors = ListColors();
        EXPECT_FALSE(ws->OnMerge({{0, 1}, 1})) << type;
        RunUntilIdle(*ws, view);
        EXPECT_EQ(ws->ColorCount(), listed) << type;
        EXPECT_EQ(ListColors(), colors) << type;
        EXPECT_TRUE(ws->Table().Slot(0).InUse()) << type;
        EXPECT_TRUE(view.messages.empty()) << type;
        ExpectConsistent();
    }
}

// Every job's progress reset empties the status text: the merge status of the last click
// must not stand while a job runs (in the field and in the Workspace's own copy).
TEST_F(MergeTest, AProgressResetEmptiesTheMergeStatus) {
    const std::vector<std::pair<const char*, std::function<bool()>>> jobs = {
        {"merge",
         [&] {
             return ws->OnMerge({{0, 2}, 2});
         }},
        {"add", [&] { return ws->OnDropFiles({Bmp("f.bmp", {0x600000})}); }},
        {"delete", [&] { return ws->OnDeleteFiles({0}); }},
    };
    for (const auto& [name, start] : jobs) {
        ws->OnColorListClick({{0, 2}, 2});
        ASSERT_EQ(ws->Controls().status, " 1色 → 2番") << name;
        std::vector<std::string> seen;
        view.onProgress = [&](int step, int) {
            if (step >= 0) {
                seen.push_back(ws->Controls().status);
                seen.push_back(view.texts[ControlId::StatusField]);
            }
        };
        ASSERT_TRUE(start()) << name;
        RunUntilIdle(*ws, view);
        view.onProgress = nullptr;
        ASSERT_FALSE(seen.empty()) << name;
        EXPECT_EQ(seen, Strings(seen.size(), "")) << name;
    }
    ExpectConsistent();
}

class ColorEditTest : public WorkspaceTest {
  protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        Make();
        std::vector<std::uint32_t> colors;
        for (std::uint32_t i = 0; i < 8; ++i)
            colors.push_back(0x101010 * (i + 1));
        Drop({Bmp("a.bmp", colors)});
        opening = ListColors();
    }
    Colors opening;
};

TEST_F(ColorEditTest, OpensOnlyOnAFocusedSelection) {
    EXPECT_FALSE(ws->OnColorListDblClk({{}, 3}).has_value());
    EXPECT_FALSE(ws->OnColorListDblClk({{3}, -1}).has_value());
    auto session = ws->OnColorListDblClk({{3}, 3});
    ASSERT_TRUE(session.has_value());
    EXPECT_EQ(session->CurrentIndex(), 3);
    EXPECT_EQ(session->Count(), 8);
    // Chooser order: red in the low byte.
    EXPECT_EQ(session->WorkingColor(0), 0x101010u);
    EXPECT_EQ(ColorRefOf(ws->Table().AtPosition(1)), 0x202020u);
}

TEST_F(ColorEditTest, ApplyWithoutChangeWritesNothing) {
    auto session = ws->OnColorListDblClk({{5}, 5});
    ASSERT_TRUE(session.has_value());
    const auto repaints = view.repaintCount;
    EXPECT_FALSE(session->Apply(0x60, 0x60, 0x60));
    EXPECT_EQ(view.repaintCount, repaints);
    EXPECT_EQ(ListColors(), opening);
}

TEST_F(ColorEditTest, CancelPutsEveryOpeningColorBack) {
    auto session = ws->OnColorListDblClk({{5}, 5});
    ASSERT_TRUE(session.has_value());
    EXPECT_TRUE(session->Apply(1, 2, 3));
    EXPECT_EQ(ListColors()[5], 0x010203u);
    session->SwitchTo(6, 1, 2, 3);
    EXPECT_TRUE(session->Apply(4, 5, 6));
    EXPECT_EQ(ListColors()[6], 0x040506u);
    session->Cancel();
    EXPECT_EQ(ListColors(), opening);
}

TEST_F(ColorEditTest, ASwitchAppliesTheColorBeingLeftAndOkKeepsAll) {
    auto session = ws->OnColorListDblClk({{5}, 5});
    ASSERT_TRUE(session.has_value());
    const auto result = session->SwitchTo(6, 9, 8, 7);
    EXPECT_EQ(result.previousIndex, 5);
    EXPECT_EQ(result.currentIndex, 6);
    EXPECT_EQ(result.color, 0x707070u);
    EXPECT_EQ(ListColors()[5], 0x090807u);
    EXPECT_EQ(view.selectLog.back(), std::make_tuple(ListId::Colors, 6, true));
    // Typed but not applied: OK still takes it.
    session->Ok(0xAA, 0xBB, 0xCC);
    Colors expected = opening;
    expected[5] = 0x090807;
    expected[6] = 0xAABBCC;
    EXPECT_EQ(ListColors(), expected);
    // Only the colors changed: counts, order and file maps stay.
    EXPECT_EQ(ListCounts(), Counts(8, 1));
    ExpectConsistent();
}

TEST_F(ColorEditTest, UndoBringsBackTheOpeningColor) {
    auto session = ws->OnColorListDblClk({{2}, 2});
    ASSERT_TRUE(session.has_value());
    session->Apply(0, 0, 0);
    EXPECT_EQ(session->Undo(), 0x303030u);
    EXPECT_EQ(ListColors()[2], 0x303030u);
    EXPECT_EQ(session->WorkingColor(2), 0x303030u);
}

TEST_F(ColorEditTest, SwitchClampsTheNumber) {
    auto session = ws->OnColorListDblClk({{2}, 2});
    ASSERT_TRUE(session.has_value());
    EXPECT_EQ(session->SwitchTo(99999, 0x30, 0x30, 0x30).currentIndex, 7);
    EXPECT_EQ(session->SwitchTo(-4, 0x80, 0x80, 0x80).currentIndex, 0);
    EXPECT_EQ(ListColors(), opening);
}

TEST(ColorRefTest, EditBoxesKeepTheirLowByte) {
    EXPECT_EQ(ColorRefFromEdits(256 + 5, -1, 0x1FF), 0xFFFF05u);
    EXPECT_EQ(ColorRefFromEdits(0x12, 0x34, 0x56), 0x563412u);
}

}  // namespace
}  // namespace tintwell::test
