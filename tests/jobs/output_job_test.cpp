#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/byte_io.h"
#include "bitmap/image_format.h"
#include "bitmap/writer.h"
#include "jobs/file_io.h"
#include "jobs/file_paths.h"
#include "support/bmp_builder.h"
#include "workspace_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace tintwell::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

const Bytes kOld = {'o', 'l', 'd'};

// The color-table entries of an output file as 0xRRGGBB.
std::vector<std::uint32_t> PaletteOf(const Bytes& b, int entries) {
    std::vector<std::uint32_t> colors;
    for (int i = 0; i < entries; ++i) {
        const std::size_t at = 54 + 4 * static_cast<std::size_t>(i);
        colors.push_back(static_cast<std::uint32_t>(b[at + 2]) << 16 |
                         static_cast<std::uint32_t>(b[at + 1]) << 8 | b[at]);
    }
    return colors;
}

// The first `count` output indices of the first row of an 8-bit output file.
std::vector<int> Pixels8(const Bytes& b, int count) {
    const std::size_t offset = readU32le(b, 10);
    return std::vector<int>(b.begin() + static_cast<long>(offset),
                            b.begin() + static_cast<long>(offset) + count);
}

class OutputJobTest : public WorkspaceTest {
  protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        std::filesystem::create_directories(Out());
        Make();
    }
    std::filesystem::path Out() const { return dir / "out"; }
    std::string OutFile(const std::string& name) const { return (Out() / name).string(); }

    void Output(const std::string& folder) {
        ASSERT_EQ(ws->OnOutput(folder), OutputStart::Started);
        RunUntilIdle(*ws, view);
    }
    // Files a..(a+n-1) with one distinct color each.
    void DropLetters(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i) {
            const std::string name(1, static_cast<char>('a' + i));
            paths.push_back(Bmp("in/" + name + ".bmp", {0x010101u * (i + 1)}));
        }
        Drop(paths);
    }
};

TEST_F(OutputJobTest, WritesEveryFileWithTheCommonPalette) {
    Drop({Bmp("in/a.bmp", {0xFF0000, 0x00FF00}, {1, 2}),
          Bmp("in/b.bmp", {0x00FF00, 0x0000FF}, {3, 1})});
    const auto progressBefore = view.progress.size();
    Strings statuses;
    view.onSelect = [&](ListId, int, bool selected) {
        if (!selected) statuses.push_back(ws->Controls().status);
    };
    Output(Out().string());

    const Bytes a = ReadAll(Out() / "a.bmp");
    const Bytes b = ReadAll(Out() / "b.bmp");
    ASSERT_GT(a.size(), 54u + 1024u);
    ASSERT_GT(b.size(), 54u + 1024u);
    EXPECT_EQ(readU16le(a, 28), 8);
    const auto palette = PaletteOf(a, 4);
    EXPECT_EQ(palette, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0}));
    EXPECT_EQ(PaletteOf(b, 4), palette);
    EXPECT_EQ(Pixels8(a, 3), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(Pixels8(b, 4), (std::vector<int>{1, 1, 1, 2}));
    // The rows being written are selected instead of a progress bar: each row is selected
    // and unselected once, both in list order (two files may be written at once).
    EXPECT_EQ(view.progress.size(), progressBefore);
    std::vector<int> selected, unselected;
    for (const auto& [list, row, on] : view.selectLog) {
        EXPECT_EQ(list, ListId::Files);
        (on ? selected : unselected).push_back(row);
    }
    EXPECT_EQ(selected, (std::vector<int>{0, 1}));
    EXPECT_EQ(unselected, (std::vector<int>{0, 1}));
    EXPECT_EQ(ws->OutDir(), Out().string());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(Listing(Out()), (Strings{"a.bmp", "b.bmp"}));
    ExpectIdleControls();
    // The status says which file of how many is written, then how many went where.
    EXPECT_EQ(statuses, (Strings{"出力中 1 / 2", "出力中 2 / 2"}));
    EXPECT_EQ(ws->Controls().status, "2ファイルを出力しました：" + Out().string());
    EXPECT_TRUE(ws->Controls().Enabled(ControlId::Output));
}

TEST_F(OutputJobTest, SortedListGivesTheOutputPaletteOrderAndPixelsKeepTheirColor) {
    Drop({Bmp("in/a.bmp", {0xFF0000, 0x00FF00, 0x0000FF}, {1, 3, 2})});
    ASSERT_TRUE(ws->OnColorColumnClick(1, {}).has_value());
    Output(Out().string());
    const Bytes a = ReadAll(Out() / "a.bmp");
    const auto palette = PaletteOf(a, 3);
    EXPECT_EQ(palette, (std::vector<std::uint32_t>{0x00FF00, 0x0000FF, 0xFF0000}));
    const std::vector<std::uint32_t> expected = {0xFF0000, 0x00FF00, 0x00FF00,
                                                 0x00FF00, 0x0000FF, 0x0000FF};
    std::vector<std::uint32_t> shown;
    for (int index : Pixels8(a, 6))
        shown.push_back(palette[index]);
    EXPECT_EQ(shown, expected);
}

// An output file as the analyser reads it back: its format, the first four entries of its
// palette (0xRRGGBB) and the pixels of each color.
struct ReadBack {
    ImageFormat format;
    std::vector<std::uint32_t> palette;
    std::map<std::uint32_t, std::int64_t> pixels;
};

ReadBack ReadOutput(const std::filesystem::path& path) {
    const Bytes bytes = ReadAll(path);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    const BitmapScan scan = ScanBitmap(in);
    EXPECT_EQ(scan.error, Msg::None) << path;
    ReadBack back{scan.fileFormat, {}, {}};
    const auto rgb = [](ColorQuad c) {
        return static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 |
               c.blue;
    };
    for (int i = 0; i < kFileIndexCount; ++i) {
        if (i < 4) back.palette.push_back(rgb(scan.palette[i]));
        if (scan.useCounts[i] != 0) back.pixels[rgb(scan.palette[i])] += scan.useCounts[i];
    }
    return back;
}

// Each file keeps its format (told by its content, whatever its name says), or all take the
// one asked for; the output's extension follows its format, and every output carries the
// common palette and its input's pixels.
TEST_F(OutputJobTest, EachFileKeepsItsFormatOrTakesTheOneAskedFor) {
    using Pixels = std::map<std::uint32_t, std::int64_t>;
    Drop({Bmp("in/a.bmp", {0xFF0000, 0x00FF00}, {1, 2}),
          Png("in/b.png", {0x00FF00, 0x0000FF}, {3, 1}),
          Png("in/c.png", {0x0000FF, 0x808080}, {2, 2}, false), Png("in/d.bmp", {0xFF0000}, {5})});
    const Pixels inputs[] = {{{0xFF0000, 1}, {0x00FF00, 2}},
                             {{0x00FF00, 3}, {0x0000FF, 1}},
                             {{0x0000FF, 2}, {0x808080, 2}},
                             {{0xFF0000, 5}}};
    const std::vector<std::uint32_t> common = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
    const struct {
        std::optional<ImageFormat> asked;
        Strings names;
    } cases[] = {
        {std::nullopt, {"a.bmp", "b.png", "c.png", "d.png"}},
        {ImageFormat::Bmp, {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}},
        {ImageFormat::Png, {"a.png", "b.png", "c.png", "d.png"}},
    };
    for (const auto& c : cases) {
        const std::string folder = c.asked ? std::string(ExtensionOf(*c.asked)) : "same";
        ws->SetOutputFormat(c.asked);
        std::filesystem::create_directories(Out() / folder);
        Output(OutFile(folder));
        EXPECT_TRUE(view.messages.empty()) << folder;
        ASSERT_EQ(Listing(Out() / folder), c.names) << folder;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            const ReadBack back = ReadOutput(Out() / folder / c.names[i]);
            EXPECT_EQ(back.format,
                      c.names[i].ends_with(".png") ? ImageFormat::Png : ImageFormat::Bmp);
            EXPECT_EQ(back.palette, common) << c.names[i];
            EXPECT_EQ(back.pixels, inputs[i]) << c.names[i];
        }
    }
}

// The same-file check and the overwrite question look at the name the output really takes.
TEST_F(OutputJobTest, TheRealOutputNameIsCheckedAndAskedAbout) {
    Drop({Bmp("in/a.bmp", {0xFF0000}), Png("in/b.png", {0x00FF00})});
    ws->SetOutputFormat(ImageFormat::Png);
    (void)dir.Write("out/a.png", kOld);
    const Bytes before = ReadAll(dir / "in" / "b.png");
    view.overwriteAnswers = {OverwriteAnswer::No};
    Output(Out().string());
    EXPECT_EQ(view.asked, (Strings{OutFile("a.png")}));
    EXPECT_EQ(ReadAll(Out() / "a.png"), kOld);
    EXPECT_EQ(Listing(Out()), (Strings{"a.png", "b.png"}));

    // Into the input folder: a.bmp becomes a new a.png; b.png would replace itself.
    Output((dir / "in").string());
    EXPECT_EQ(view.messages,
              (Strings{FormatMessage(Msg::SameFile, (dir / "in" / "b.png").string())}));
    EXPECT_EQ(ReadAll(dir / "in" / "b.png"), before);
    EXPECT_EQ(Listing(dir / "in"), (Strings{"a.bmp", "a.png", "b.png"}));
}

TEST_F(OutputJobTest, SixteenColorOutputIsFourBit) {
    Drop({Bmp("in/a.bmp", {0x112233, 0x445566}, {1, 2})});
    ws->OnToggleOutputDepth();
    ASSERT_EQ(ws->Palette().outputDepth, 16);
    Output(Out().string());
    const Bytes a = ReadAll(Out() / "a.bmp");
    ASSERT_GT(a.size(), 54u + 64u);
    EXPECT_EQ(readU16le(a, 28), 4);
    EXPECT_EQ(readU32le(a, 46), 16u);
    EXPECT_EQ(readU32le(a, 10), 54u + 64u);
}

TEST_F(OutputJobTest, AnEmptyListWritesNothingAndKeepsTheFolderText) {
    const std::string text = Out().string() + "/";
    Output(text);
    EXPECT_EQ(ws->OutDir(), text);
    EXPECT_TRUE(std::filesystem::is_empty(Out()));
    ExpectIdleControls();
}

TEST_F(OutputJobTest, AnEmptyFolderTextIsAnInternalError) {
    Drop({Bmp("in/a.bmp", {1})});
    const std::string before = ws->OutDir();
    EXPECT_EQ(ws->OnOutput(""), OutputStart::NoDirectory);
    EXPECT_FALSE(ws->Busy());
    EXPECT_EQ(view.messages, (Strings{std::string(kOutputInternalError)}));
    EXPECT_EQ(ws->OutDir(), before);
}

TEST_F(OutputJobTest, ColorsThatDoNotFitStartNothing) {
    std::vector<std::uint32_t> colors;
    for (std::uint32_t i = 0; i < 17; ++i)
        colors.push_back(i * 0x0F0F0F);
    Drop({Bmp("in/a.bmp", colors)});
    ws->OnToggleOutputDepth();
    EXPECT_EQ(ws->OnOutput(Out().string()), OutputStart::ColorsDoNotFit);
    EXPECT_FALSE(ws->Busy());
    EXPECT_TRUE(std::filesystem::is_empty(Out()));
}

TEST_F(OutputJobTest, TheInputReachedThroughALinkOrARelativePathIsTheSameFile) {
    DropLetters(1);
    const Bytes before = ReadAll(dir / "in" / "a.bmp");
    std::vector<std::string> folders = {"in", (dir / "out" / ".." / "in").string()};
    // Folder links need a privilege on Windows; without one that spelling is left out.
    std::error_code linkError;
    std::filesystem::create_directory_symlink(dir / "in", dir / "link", linkError);
    if (!linkError) folders.push_back((dir / "link").string());
#ifdef _WIN32
    // Letter case and either separator name the same folder.
    folders.push_back(dir.Path().string() + "/IN");
    folders.push_back(".\\In\\");
#endif
    // Relative folders are taken from the test folder, which may be on another drive than
    // the current one.
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    for (const std::string& folder : folders) {
        view.messages.clear();
        Output(folder);
        EXPECT_EQ(view.messages,
                  (Strings{FormatMessage(Msg::SameFile, (dir / "in" / "a.bmp").string())}))
            << folder;
        EXPECT_EQ(ReadAll(dir / "in" / "a.bmp"), before) << folder;
    }
    std::filesystem::current_path(cwd);
    EXPECT_EQ(Listing(dir / "in"), (Strings{"a.bmp"}));
}

TEST_F(OutputJobTest, OverwriteQuestionNoThenAll) {
    DropLetters(3);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        dir.Write("out/" + std::string(name), kOld);
    view.overwriteAnswers = {OverwriteAnswer::No, OverwriteAnswer::All};
    Output(Out().string());
    EXPECT_EQ(view.asked, (Strings{OutFile("a.bmp"), OutFile("b.bmp")}));
    EXPECT_EQ(ReadAll(Out() / "a.bmp"), kOld);
    EXPECT_NE(ReadAll(Out() / "b.bmp"), kOld);
    EXPECT_NE(ReadAll(Out() / "c.bmp"), kOld);
    EXPECT_EQ(ws->OutDir(), Out().string());

    // Overwrite-all lasts one run: the next one asks again.
    view.asked.clear();
    view.overwriteAnswers = {OverwriteAnswer::Yes, OverwriteAnswer::Yes, OverwriteAnswer::Yes};
    Output(Out().string());
    EXPECT_EQ(view.asked, (Strings{OutFile("a.bmp"), OutFile("b.bmp"), OutFile("c.bmp")}));
    EXPECT_NE(ReadAll(Out() / "a.bmp"), kOld);
}

TEST_F(OutputJobTest, CancelOnTheThirdOfFiveKeepsTheFirstTwo) {
    DropLetters(5);
    for (const char* name : {"c.bmp", "d.bmp", "e.bmp"})
        dir.Write("out/" + std::string(name), kOld);
    view.overwriteAnswers = {OverwriteAnswer::Cancel};
    Output(Out().string());
    EXPECT_EQ(view.asked, (Strings{OutFile("c.bmp")}));
    EXPECT_NE(ReadAll(Out() / "a.bmp"), kOld);
    EXPECT_NE(ReadAll(Out() / "b.bmp"), kOld);
    for (const char* name : {"c.bmp", "d.bmp", "e.bmp"})
        EXPECT_EQ(ReadAll(Out() / name), kOld);
    EXPECT_TRUE(view.messages.empty());
    ExpectIdleControls();
}

// How a.bmp (8-bit, every pixel entry 0 = red, entry 1 = blue) is changed after it was
// added. Rewrites of the same size get their old modification time back, as a rewrite
// within the same clock tick would keep it: only the content can tell.
struct ChangeCase {
    const char* name;
    Bytes (*rewrite)();
};

Bytes EightBit(std::vector<ColorQuad> palette, std::vector<std::uint32_t> pixels) {
    return BmpBuilder(8, 2, 8).Palette(std::move(palette)).Pixels(std::move(pixels)).Bytes();
}
const ColorQuad kRed{0, 0, 255, 0};
const ColorQuad kBlue{255, 0, 0, 0};
const ColorQuad kWhite{255, 255, 255, 0};
Bytes AllRed() {
    return EightBit({kRed, kBlue}, std::vector<std::uint32_t>(16, 0));
}

class ChangedInputTest : public OutputJobTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangedInputTest, IsRefusedByNameAndItsOutputStays) {
    const auto a = dir.Write("in/a.bmp", AllRed());
    Drop({a.string(), Bmp("in/c.bmp", {0x00FF00})});
    const auto time = std::filesystem::last_write_time(a);
    const Bytes changed = GetParam().rewrite();
    dir.Write("in/a.bmp", changed);
    if (changed.size() == AllRed().size()) std::filesystem::last_write_time(a, time);
    dir.Write("out/a.bmp", kOld);

    Output(Out().string());
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::ChangedSinceAnalysis, a.string())}));
    EXPECT_EQ(ReadAll(Out() / "a.bmp"), kOld);
    EXPECT_EQ(Listing(Out()), (Strings{"a.bmp", "c.bmp"}));
    ExpectIdleControls();

    // Added again, a file that is still a bitmap is written with its current content.
    if (changed.size() != AllRed().size()) return;
    ws->OnClearAll();
    Drop({a.string()});
    view.messages.clear();
    Output(Out().string());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_NE(ReadAll(Out() / "a.bmp"), kOld);
}

INSTANTIATE_TEST_SUITE_P(
    Rewrites, ChangedInputTest,
    ::testing::Values(ChangeCase{"HalfThePixelsNowBlue",
                                 [] {
                                     std::vector<std::uint32_t> px(16, 0);
                                     std::fill(px.begin(), px.begin() + 8, 1);
                                     return EightBit({kRed, kBlue}, px);
                                 }},
                      ChangeCase{
                          "EntryZeroNowWhite",
                          [] {
                              return EightBit({kWhite, kBlue}, std::vector<std::uint32_t>(16, 0));
                          }},
                      ChangeCase{"LastRowCut",
                                 [] {
                                     const Bytes b = AllRed();
                                     return Bytes(b.begin(), b.end() - 4);
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// A write that fails (a full disk) names its output, which the message text does not: with
// many files the user must see which one failed. The job goes on; nothing is left behind.
TEST_F(OutputJobTest, AWriteErrorNamesTheOutputAndGoesOn) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a file size limit (POSIX RLIMIT_FSIZE)";
#else
    DropLetters(2);
    WithFileSizeLimit(100, [&] { Output(Out().string()); });
    using Shown = std::vector<std::pair<Msg, std::string>>;
    EXPECT_EQ(view.messageIds,
              (Shown{{Msg::WriteError, OutFile("a.bmp")}, {Msg::WriteError, OutFile("b.bmp")}}));
    EXPECT_TRUE(Listing(Out()).empty());
#endif
}

TEST_F(OutputJobTest, FailuresOfOverlappingWritesAreShownInListOrder) {
    DropLetters(5);
    // b and c lose their last row after the analysis (and are refused for it); their writes
    // may run side by side.
    for (const char* name : {"in/b.bmp", "in/c.bmp"}) {
        const Bytes whole = ReadAll(dir / name);
        dir.Write(name, Bytes(whole.begin(), whole.end() - 4));
    }
    // The row unselected just before each message is the file it names.
    std::vector<int> messageRows;
    view.onMessage = [&](const std::string&) {
        int row = -1;
        for (const auto& [list, r, selected] : view.selectLog) {
            if (list == ListId::Files && !selected) row = r;
        }
        messageRows.push_back(row);
    };
    Output(Out().string());
    EXPECT_EQ(view.messages,
              (Strings{FormatMessage(Msg::ChangedSinceAnalysis, (dir / "in" / "b.bmp").string()),
                       FormatMessage(Msg::ChangedSinceAnalysis, (dir / "in" / "c.bmp").string())}));
    EXPECT_EQ(messageRows, (std::vector<int>{1, 2}));
    EXPECT_EQ(Listing(Out()), (Strings{"a.bmp", "d.bmp", "e.bmp"}));
    ExpectIdleControls();
}

// What ends the job at a file before its write: the message names the path it is about
// (the input, the output, or none), the view hears the file's outcome with that message and
// path, and nothing stands where it did not before.
struct EndCase {
    const char* name;
    void (*arrange)(const TempDir& dir, RecordingView& view);
    std::string folder;  // written to, in the test folder
    Msg msg;
    std::string named;  // the path the message names, in the test folder ("": none)
    Strings listing;    // the folder written to afterwards
};

class JobEndTest : public OutputJobTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(JobEndTest, NamesThePathAndLeavesEverythingAsItWas) {
    const EndCase& c = GetParam();
    DropLetters(2);
    c.arrange(dir, view);
    const Bytes input = ReadAll(dir / "in" / "a.bmp");
    const std::string folder = (dir / c.folder).string();
    const std::string named = c.named.empty() ? std::string() : (dir / c.named).string();
    Output(folder);
    EXPECT_EQ(view.messageIds, (std::vector<std::pair<Msg, std::string>>{{c.msg, named}}));
    ASSERT_EQ(view.outcomes.size(), 1u);
    const FileOutcome& outcome = view.outcomes.front();
    EXPECT_EQ(outcome.row, 0);
    EXPECT_EQ(outcome.kind, FileOutcome::Kind::Failed);
    EXPECT_EQ(outcome.msg, c.msg);
    EXPECT_EQ(outcome.named, named);
    EXPECT_TRUE(outcome.endedJob);
    std::error_code ec;
    EXPECT_EQ(std::filesystem::exists(folder, ec) ? Listing(folder) : Strings{}, c.listing);
    EXPECT_EQ(ReadAll(dir / "in" / "a.bmp"), input);
    ExpectIdleControls();
}

INSTANTIATE_TEST_SUITE_P(OutputJob, JobEndTest,
                         ::testing::Values(EndCase{"AFolderInTheWayCannotBeCreated",
                                                   [](const TempDir& d, RecordingView&) {
                                                       std::filesystem::create_directories(
                                                           d / "out" / "a.bmp");
                                                   },
                                                   "out",
                                                   Msg::CannotCreate,
                                                   "out/a.bmp",
                                                   {"a.bmp"}},
                                           EndCase{"AnInputThatCannotBeOpened",
                                                   [](const TempDir& d, RecordingView&) {
                                                       std::filesystem::remove(d / "in" / "a.bmp");
                                                   },
                                                   "out",
                                                   Msg::CannotOpen,
                                                   "in/a.bmp",
                                                   {}},
                                           EndCase{"AnOutputPathTooLongIsNotCut",
                                                   [](const TempDir&, RecordingView&) {},
                                                   std::string(300, 'n'),
                                                   Msg::PathTooLong,
                                                   std::string(300, 'n') + "/a.bmp",
                                                   {}},
                                           EndCase{"AnUnknownAnswerIsAnInexplicableError",
                                                   [](const TempDir& d, RecordingView& v) {
                                                       d.Write("out/a.bmp", kOld);
                                                       v.overwriteAnswers = {
                                                           OverwriteAnswer::Unanswered};
                                                   },
                                                   "out",
                                                   Msg::InexplicableError,
                                                   "",
                                                   {"a.bmp"}},
                                           EndCase{"TheInputFolderItself",
                                                   [](const TempDir&, RecordingView&) {},
                                                   "in",
                                                   Msg::SameFile,
                                                   "in/a.bmp",
                                                   {"a.bmp", "b.bmp"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The folder written to is remembered as the last output's folder: absolute, without a
// second separator, and it goes to the settings.
struct FolderCase {
    const char* name;
    std::string typed;  // in the test folder, or relative to it
    bool relative;
};

class RememberedFolderTest : public OutputJobTest,
                             public ::testing::WithParamInterface<FolderCase> {};

TEST_P(RememberedFolderTest, IsTheOutputsFolder) {
    const FolderCase& c = GetParam();
    DropLetters(1);
    // From the test folder, so a relative path exists also where the temporary folder is on
    // another drive than the current one.
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    Output(c.relative ? c.typed : dir.Path().string() + kPreferredSeparator + c.typed);
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(std::filesystem::exists(Out() / "a.bmp"));
    EXPECT_EQ(ws->OutDir(),
              c.relative ? std::filesystem::weakly_canonical(Out()).string() : Out().string());
    Settings saved;
    ws->ExportSettings(saved);
    EXPECT_EQ(saved.outDir, ws->OutDir());
    EXPECT_EQ(saved.type, 2);
}

INSTANTIATE_TEST_SUITE_P(OutputJob, RememberedFolderTest,
                         ::testing::Values(FolderCase{"Absolute", "out", false},
                                           FolderCase{"WithItsSeparator", "out/", false},
                                           FolderCase{"Relative", "out", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutputJobTest, AbortLetsTheFileInHandFinish) {
    DropLetters(3);
    view.onSelect = [&](ListId list, int row, bool selected) {
        if (list == ListId::Files && row == 0 && selected) ws->OnAbort();
    };
    Output(Out().string());
    EXPECT_EQ(Listing(Out()), (Strings{"a.bmp"}));
    EXPECT_GT(ReadAll(Out() / "a.bmp").size(), 54u);
    ExpectIdleControls();
}

// No output takes the place of any file of the list, whatever link leads there: the file
// whose output it would be is refused with 244, and the job ends as for its own input.
TEST_F(OutputJobTest, AnOutputLeadingToAnyListedFileIsRefused) {
    DropLetters(3);
    const auto b = dir / "in" / "b.bmp";
    const Bytes before = ReadAll(b);
    for (const bool hard : {false, true}) {
        view.messages.clear();
        std::filesystem::remove(Out() / "a.bmp");
        if (hard) {
            std::filesystem::create_hard_link(b, Out() / "a.bmp");
        } else {
            // Links need a privilege on Windows; the hard link still counts there.
            std::error_code linkError;
            std::filesystem::create_symlink(b, Out() / "a.bmp", linkError);
            if (linkError) continue;
        }
        Output(Out().string());
        EXPECT_EQ(view.messages,
                  (Strings{FormatMessage(Msg::SameFile, (dir / "in" / "a.bmp").string())}));
        EXPECT_EQ(ReadAll(b), before);
        EXPECT_EQ(Listing(Out()), (Strings{"a.bmp"}));
    }
}

#ifndef _WIN32
// A named pipe or a device at the output is neither opened (a pipe would block the job) nor
// replaced: 228 for that path, and the job ends.
TEST_F(OutputJobTest, OnlyRegularFilesAreReplaced) {
    DropLetters(2);
    const auto a = Out() / "a.bmp";
    ASSERT_EQ(mkfifo(a.c_str(), 0600), 0);
    Output(Out().string());
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::CannotCreate, OutFile("a.bmp"))}));
    EXPECT_TRUE(std::filesystem::is_fifo(a));
    EXPECT_EQ(Listing(Out()), (Strings{"a.bmp"}));
    if (geteuid() != 0) return;  // only root makes device nodes
    view.messages.clear();
    std::filesystem::remove(a);
    ASSERT_EQ(mknod(a.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    Output(Out().string());
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::CannotCreate, OutFile("a.bmp"))}));
    EXPECT_TRUE(std::filesystem::is_character_file(a));
}
#endif

// Another program may take an output's name while the file is written. Such a file is
// asked about as if it had been there before, and never replaced without a yes.
TEST_F(OutputJobTest, ANameTakenWhileTheFileIsWrittenIsAskedAbout) {
    DropLetters(2);
    view.onSelect = [&](ListId, int row, bool selected) {
        if (row == 0 && selected) dir.Write("out/a.bmp", kOld);
    };
    view.overwriteAnswers = {OverwriteAnswer::No};
    Output(Out().string());
    EXPECT_EQ(view.asked, (Strings{OutFile("a.bmp")}));
    EXPECT_EQ(ReadAll(Out() / "a.bmp"), kOld);
    EXPECT_EQ(Listing(Out()), (Strings{"a.bmp", "b.bmp"}));

    std::filesystem::remove(Out() / "a.bmp");
    std::filesystem::remove(Out() / "b.bmp");
    view.asked.clear();
    view.overwriteAnswers = {OverwriteAnswer::Yes};
    Output(Out().string());
    EXPECT_EQ(view.asked, (Strings{OutFile("a.bmp")}));
    EXPECT_NE(ReadAll(Out() / "a.bmp"), kOld);
    EXPECT_TRUE(view.messages.empty());
}

// Writes run ahead, but files are named in list order, one row selected at a time, and an
// abort lets only the file in hand finish: whether it comes just after a file was named or
// while the next one is in hand with another under way behind it.
TEST_F(OutputJobTest, FilesAreNamedInListOrderAndNothingAfterAnAbort) {
    using Step = std::tuple<ListId, int, bool>;
    for (const bool whileInHand : {false, true}) {
        for (int last = 0; last < 3; ++last) {
            std::filesystem::remove_all(Out());
            std::filesystem::create_directories(Out());
            Make();
            DropLetters(5);
            view.selectLog.clear();
            view.onSelect = [&](ListId, int row, bool selected) {
                if (row == last && selected == whileInHand) ws->OnAbort();
            };
            Output(Out().string());
            view.onSelect = nullptr;
            std::vector<Step> steps;
            Strings written;
            for (int row = 0; row <= last; ++row) {
                steps.emplace_back(ListId::Files, row, true);
                steps.emplace_back(ListId::Files, row, false);
                written.push_back(std::string(1, static_cast<char>('a' + row)) + ".bmp");
            }
            EXPECT_EQ(view.selectLog, steps) << last << whileInHand;
            EXPECT_EQ(Listing(Out()), written) << last << whileInHand;
            ExpectIdleControls();
        }
    }
}

// A file that cannot be named ends the job with 228 for its output; a later write already
// under way is discarded and its row never selected.
TEST_F(OutputJobTest, AFileThatCannotBeNamedEndsTheJobThere) {
    DropLetters(4);
    dir.Write("out/a.bmp", kOld);
    view.overwriteAnswers = {OverwriteAnswer::All};
    view.onSelect = [&](ListId, int row, bool selected) {
        if (row == 1 && selected) std::filesystem::create_directory(Out() / "b.bmp");
    };
    Output(Out().string());
    EXPECT_EQ(view.messages, (Strings{FormatMessage(Msg::CannotCreate, OutFile("b.bmp"))}));
    EXPECT_NE(ReadAll(Out() / "a.bmp"), kOld);
    EXPECT_EQ(Listing(Out()), (Strings{"a.bmp", "b.bmp"}));
    using Step = std::tuple<ListId, int, bool>;
    EXPECT_EQ(view.selectLog, (std::vector<Step>{{ListId::Files, 0, true},
                                                 {ListId::Files, 0, false},
                                                 {ListId::Files, 1, true},
                                                 {ListId::Files, 1, false}}));
    // The view hears each file's outcome as a value: a written, b failed and ended the job.
    ASSERT_EQ(view.outcomes.size(), 2u);
    EXPECT_EQ(view.outcomes[0].kind, FileOutcome::Kind::Written);
    EXPECT_EQ(view.outcomes[1].kind, FileOutcome::Kind::Failed);
    EXPECT_EQ(view.outcomes[1].msg, Msg::CannotCreate);
    EXPECT_EQ(view.outcomes[1].output, OutFile("b.bmp"));
    EXPECT_TRUE(view.outcomes[1].endedJob);
    ExpectIdleControls();
}

// The program can be ended while a job runs (the desktop logs out): the Workspace is
// destroyed on the owner thread in the middle of the output job. It must return, end the
// job, and leave only complete output files behind.
TEST_F(OutputJobTest, DestroyingTheWorkspaceMidJobEndsTheJobWithoutHalfFiles) {
    DropLetters(8);
    EXPECT_EQ(view.jobsFinished, 1);
    const Bytes complete = [&] {
        Output(Out().string());
        return ReadAll(Out() / "a.bmp");
    }();
    EXPECT_EQ(view.jobsFinished, 2);
    for (const std::string& name : Listing(Out()))
        std::filesystem::remove(Out() / name);

    ASSERT_EQ(ws->OnOutput(Out().string()), OutputStart::Started);
    const auto started = [&] {
        return std::count_if(view.selectLog.begin(), view.selectLog.end(),
                             [](const auto& entry) { return std::get<2>(entry); });
    };
    view.selectLog.clear();
    while (started() < 3)
        ASSERT_TRUE(view.PumpOne(*ws));
    ws.reset();

    const Strings left = Listing(Out());
    EXPECT_LT(left.size(), 8u);
    for (const std::string& name : left) {
        EXPECT_EQ(name.size(), 5u) << name;  // "x.bmp": no temporary file
        EXPECT_EQ(ReadAll(Out() / name).size(), complete.size()) << name;
    }
    EXPECT_EQ(view.jobsFinished, 2);
}

}  // namespace
}  // namespace tintwell::test
