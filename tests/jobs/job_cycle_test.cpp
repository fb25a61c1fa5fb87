#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "workspace_fixture.h"

namespace tintwell::test {
namespace {

using Strings = std::vector<std::string>;

// Starts, aborts and finishes jobs over and over, with files scanned on two threads, so
// ThreadSanitizer sees every hand-over between the worker, the scanners and the owner.
TEST_F(WorkspaceTest, StartAbortFinishCycles) {
    Make();
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        paths.push_back(Bmp("in/f" + std::to_string(i) + ".bmp",
                            {0x100000u * (i + 1), 0x000100u * (i + 1), 0x0000FFu}, {i + 1, 2, 3}));
    }
    const auto out = dir / "out";
    std::filesystem::create_directories(out);

    for (int cycle = 0; cycle < 20; ++cycle) {
        SCOPED_TRACE(cycle);
        // Start and abort: the drop stops before its fourth file.
        view.onProgress = [&](int step, int) {
            if (step == 3) ws->OnAbort();
        };
        Drop(paths);
        view.onProgress = nullptr;
        EXPECT_EQ(ws->FileCount(), 3);
        ExpectIdleControls();
        ExpectConsistent();

        // Finish: the rest of the drop (the first three are skipped as listed).
        Drop(paths);
        EXPECT_EQ(ws->FileCount(), 6);

        // A sort and a merge on the owner thread and the worker.
        ASSERT_TRUE(ws->OnColorColumnClick(1, {}).has_value());
        ASSERT_TRUE(ws->OnMerge({{0, 1}, 1}));
        RunUntilIdle(*ws, view);
        ExpectConsistent();

        // Output, aborted after the second file.
        view.overwriteAnswers.assign(6, OverwriteAnswer::Yes);
        view.onSelect = [&](ListId, int row, bool selected) {
            if (row == 1 && selected) ws->OnAbort();
        };
        ASSERT_EQ(ws->OnOutput(out.string()), OutputStart::Started);
        RunUntilIdle(*ws, view);
        view.onSelect = nullptr;
        EXPECT_TRUE(std::filesystem::exists(out / "f1.bmp"));
        ExpectIdleControls();

        // Re-read everything, then delete it all.
        ASSERT_TRUE(ws->OnPaletteSettings(PaletteChoice{}));
        RunUntilIdle(*ws, view);
        ExpectConsistent();
        ASSERT_TRUE(ws->OnDeleteFiles({0, 1, 2, 3, 4, 5}));
        RunUntilIdle(*ws, view);
        EXPECT_EQ(ws->FileCount(), 0);
        EXPECT_EQ(ws->ColorCount(), 0);
        ExpectIdleControls();
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
    }
    EXPECT_TRUE(view.messages.empty());
}

// The command-line tool's way: every job runs to its end inside the call, on this thread.
TEST_F(WorkspaceTest, InlineModeRunsEachCommandToItsEnd) {
    view.inlineOnly = true;
    Make(2, RunMode::Inline);
    const auto out = dir / "out";
    std::filesystem::create_directories(out);
    dir.Write("out/b.bmp", {'o', 'l', 'd'});
    ASSERT_TRUE(ws->OnDropFiles(
        {Bmp("in/b.bmp", {0x0000FF, 0x00FF00}, {1, 4}), Bmp("in/a.bmp", {0xFF0000}, {2})}));
    EXPECT_FALSE(ws->Busy());
    EXPECT_EQ(Names(), (Strings{"a", "b"}));

    ASSERT_TRUE(ws->OnColorColumnClick(1, {}).has_value());
    EXPECT_EQ(ListColors().front(), 0x00FF00u);

    view.overwriteAnswers = {OverwriteAnswer::No};
    EXPECT_EQ(ws->OnOutput(out.string()), OutputStart::Started);
    EXPECT_FALSE(ws->Busy());
    EXPECT_TRUE(std::filesystem::exists(out / "a.bmp"));
    EXPECT_EQ(ReadAll(out / "b.bmp"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(view.asked, (Strings{(out / "b.bmp").string()}));

    EXPECT_EQ(ws->WritePaletteFile(dir / "common.act"), Msg::None);
    EXPECT_EQ(ReadAll(dir / "common.act").size(), 768u);
    ExpectIdleControls();
}

// What a run of commands left: messages, selections, progress, outcomes, lists and files.
struct RunRecord {
    Strings messages;
    std::vector<std::tuple<ListId, int, bool>> selections;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::pair<int, FileOutcome::Kind>> outcomes;
    Strings names;
    int colors = 0;
    Strings written;
    bool operator==(const RunRecord&) const = default;
};

// The same commands give the same messages, selections and files whether the owner applies
// the workers' results at once (inline) or late, only when the test pumps them.
TEST_F(WorkspaceTest, ALateOwnerSeesWhatAnInlineOwnerSees) {
    const std::vector<std::string> drop = {Bmp("in/c.bmp", {0x0000FF, 0x00FF00}, {1, 4}),
                                           Bmp("in/a.bmp", {0xFF0000}, {2}),
                                           Bmp("in/b.bmp", {0x102030}),
                                           Bmp("in/d.bmp", {0x405060, 0x0000FF}),
                                           (dir / "in/missing.bmp").string(),
                                           dir.Write("in/note.txt", {'x'}).string()};
    const auto run = [&](RunMode mode, const std::string& outName) {
        RecordingView late;
        late.inlineOnly = mode == RunMode::Inline;
        Workspace w(late, settings, WorkspaceOptions{dir / "palettes", mode, 2});
        w.Initialise();
        const auto settle = [&] {
            if (mode == RunMode::Threaded) RunUntilIdle(w, late);
        };
        const auto out = dir / outName;
        dir.Write(outName + "/a.bmp", {'o', 'l', 'd'});
        EXPECT_TRUE(w.OnDropFiles(drop));
        settle();
        EXPECT_TRUE(w.OnDeleteFiles({1}));
        settle();
        EXPECT_TRUE(w.OnPaletteSettings(PaletteChoice{}));
        settle();
        EXPECT_TRUE(w.OnMerge({{0, 1}, 0}));
        late.overwriteAnswers = {OverwriteAnswer::No};
        EXPECT_EQ(w.OnOutput(out.string()), OutputStart::Started);
        settle();
        RunRecord record{late.messages,  late.selectLog, late.progress, {}, {},
                         w.ColorCount(), Listing(out)};
        for (const FileOutcome& outcome : late.outcomes)
            record.outcomes.emplace_back(outcome.row, outcome.kind);
        for (const FileRecord& file : w.Files())
            record.names.emplace_back(file.BaseName());
        return record;
    };
    const RunRecord inlineRun = run(RunMode::Inline, "out-inline");
    const RunRecord lateRun = run(RunMode::Threaded, "out-late");
    EXPECT_EQ(lateRun, inlineRun);
    EXPECT_EQ(inlineRun.names, (Strings{"a", "c", "d"}));
    EXPECT_EQ(inlineRun.written, (Strings{"a.bmp", "c.bmp", "d.bmp"}));
    using Kind = FileOutcome::Kind;
    EXPECT_EQ(inlineRun.outcomes,
              (std::vector<std::pair<int, Kind>>{
                  {0, Kind::LeftAlone}, {1, Kind::Written}, {2, Kind::Written}}));
    EXPECT_EQ(inlineRun.messages,
              (Strings{FormatMessage(Msg::CannotOpen, (dir / "in/missing.bmp").string())}));
}

// The command-line tool's view: only the questions are its own.
class AnsweringView final : public HeadlessView {
  public:
    std::vector<std::string> messages;
    OverwriteAnswer answer = OverwriteAnswer::Yes;
    void ShowMessage(Msg msg, const std::string& path) override {
        messages.push_back(FormatMessage(msg, path));
    }
    OverwriteAnswer AskOverwrite(const std::string&) override { return answer; }
};

TEST(HeadlessViewTest, RunsTheWholeRoadInline) {
    TempDir dir;
    const auto in = dir.Write("in/a.bmp", CountedBitmap({0x102030, 0x405060}, {3, 1}));
    dir.Write("out/a.bmp", {'o', 'l', 'd'});
    AnsweringView view;
    view.answer = OverwriteAnswer::No;
    Settings settings;
    Workspace ws(view, settings, WorkspaceOptions{dir / "palettes", RunMode::Inline, 2});
    ws.Initialise();
    ASSERT_TRUE(ws.OnDropFiles({in.string(), (dir / "missing.bmp").string()}));
    EXPECT_EQ(ws.FileCount(), 1);
    EXPECT_EQ(view.messages,
              (Strings{FormatMessage(Msg::CannotOpen, (dir / "missing.bmp").string())}));
    EXPECT_EQ(ws.OnOutput((dir / "out").string()), OutputStart::Started);
    EXPECT_EQ(ReadAll(dir / "out" / "a.bmp"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    view.answer = OverwriteAnswer::Yes;
    EXPECT_EQ(ws.OnOutput((dir / "out").string()), OutputStart::Started);
    EXPECT_GT(ReadAll(dir / "out" / "a.bmp").size(), 54u);
    EXPECT_FALSE(ws.Busy());
}

}  // namespace
}  // namespace tintwell::test
