#include "jobs/output_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jobs/file_paths.h"
#include "support/temp_dir.h"

namespace tintwell {
namespace {

using test::TempDir;

TEST(CheckOutputDirectoryTest, Verdicts) {
    TempDir dir;
    const std::string base = dir.Path().string();
    std::filesystem::create_directories(dir / "out");
    dir.Write("file.bmp", {1});
    const struct {
        std::string text;
        DirectoryCheck verdict;
        std::string path;
    } cases[] = {
        {"", DirectoryCheck::Accept, ""},
        {"   ", DirectoryCheck::Accept, ""},
        {base + "/out", DirectoryCheck::Accept, base + "/out"},
        // One trailing separator is removed before the check.
        {base + "/out/", DirectoryCheck::Accept, base + "/out"},
        // Leading white space is removed, the ideographic space too.
        {"  \t" + base + "/out", DirectoryCheck::Accept, base + "/out"},
        {"\u3000" + base + "/out", DirectoryCheck::Accept, base + "/out"},
        {base + "/missing", DirectoryCheck::AskCreate, base + "/missing"},
        {base + "/missing/", DirectoryCheck::AskCreate, base + "/missing"},
        {base + "/" + std::string(300, 'n'), DirectoryCheck::TooLong,
         base + "/" + std::string(300, 'n')},
        {"/", DirectoryCheck::Accept, "/"},
        {base + "/file.bmp", DirectoryCheck::NotAFolder, base + "/file.bmp"},
        {base + "/file.bmp/", DirectoryCheck::NotAFolder, base + "/file.bmp"},
#ifdef _WIN32
        {base + "\\out\\", DirectoryCheck::Accept, base + "\\out"},
        {base.substr(0, 2) + "\\", DirectoryCheck::Accept, base.substr(0, 2) + "\\"},
#endif
    };
    for (const auto& c : cases) {
        const DirectoryCheckResult result = CheckOutputDirectory(c.text);
        EXPECT_EQ(result.verdict, c.verdict) << c.text;
        EXPECT_EQ(result.path, c.path) << c.text;
    }
}

TEST(CheckOutputDirectoryTest, ReadOnlyFolderIsNotWritable) {
#ifdef _WIN32
    GTEST_SKIP() << "a folder's read-only attribute does not stop writing into it on Windows";
#endif
    TempDir dir;
    const auto locked = dir / "locked";
    std::filesystem::create_directories(locked);
    std::filesystem::permissions(
        locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool probeWorks = IsWritablePlace(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    if (probeWorks) GTEST_SKIP() << "this user writes into read-only folders (root)";
    std::filesystem::permissions(
        locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(CheckOutputDirectory(locked.string()).verdict, DirectoryCheck::NotWritable);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

TEST(CheckOutputDirectoryTest, WritableProbeLeavesNothingBehind) {
    TempDir dir;
    EXPECT_TRUE(IsWritablePlace(dir.Path()));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// One rule for every folder the tools make: the output folder of the window and of the
// command line, and the palette folder.
TEST(MakeFolderTest, TakesMakesOrRefuses) {
    TempDir dir;
    const std::string base = dir.Path().string();
    std::filesystem::create_directories(dir / "a");
    dir.Write("file", {1});
    struct Case {
        std::string path;
        Msg result;
        bool folderAfter;
    };
    std::vector<Case> cases = {
        {base + "/a/b/c", Msg::None, true},  // missing parents are made
        {base + "/new", Msg::None, true},    // one level under an existing folder
        {base + "/a", Msg::None, true},      // an existing folder is taken
        {base + "/file", Msg::NotADirectory, false},
        {base + "/file/sub", Msg::CannotCreateDirectory, false},
        {"", Msg::CannotCreateDirectory, false},
    };
    // Links, where this user may make them (Windows asks for a privilege).
    std::error_code ec;
    std::filesystem::create_directory_symlink(dir / "a", dir / "link", ec);
    if (!ec) cases.push_back({base + "/link", Msg::None, true});
    std::filesystem::create_symlink(dir / "gone", dir / "dangling", ec);
    if (!ec) cases.push_back({base + "/dangling", Msg::NotADirectory, false});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MakeFolder(c.path), c.result);
        EXPECT_EQ(std::filesystem::is_directory(c.path), c.folderAfter);
    }
    // The dangling link is left as it was, not followed to make its target.
    EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
    EXPECT_FALSE(MakeDirectoryPath(base + "/a")) << "an existing folder is not made again";
}

// A relative path's first level is made like any other, as mkdir -p does.
TEST(MakeFolderTest, MakesARelativePathWithItsFirstLevel) {
    TempDir dir;
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(MakeFolder("new1/new2"), Msg::None);
    const bool made = std::filesystem::is_directory("new1/new2");
    std::filesystem::current_path(old);
    EXPECT_TRUE(made);
}

// The climb stops below a drive: a path on a drive that is not there creates nothing and
// fails at once.
TEST(MakeFolderTest, StopsBelowADrive) {
#ifndef _WIN32
    GTEST_SKIP() << "drive letters are Windows paths";
#else
    char letter = 'Q';
    while (letter <= 'Y' && std::filesystem::exists(std::string(1, letter) + ":\\"))
        ++letter;
    ASSERT_LE(letter, 'Y') << "every drive letter is taken";
    EXPECT_EQ(MakeFolder(std::string(1, letter) + ":\\new1\\new2"), Msg::CannotCreateDirectory);
    // Mixed separators and a drive work as well as anything else.
    TempDir dir;
    const std::string target = Utf8FromPath(dir.Path()) + "/a\\b/日本語";
    EXPECT_EQ(MakeFolder(target), Msg::None);
    EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(target)));
#endif
}

TEST(OutputPathForTest, JoinsFolderAndFileName) {
    // A folder given with its separator gets no second one.
    EXPECT_EQ(OutputPathFor("/out/", "/in/a.b.bmp", ImageFormat::Bmp), "/out/a.b.bmp");
    EXPECT_EQ(OutputPathFor("/", "/in/a.bmp", ImageFormat::Bmp), "/a.bmp");
#ifdef _WIN32
    // The system's own separator joins; either kind ends the folder and the input's folder.
    EXPECT_EQ(OutputPathFor("C:\\out", "D:\\in\\Pic.BMP", ImageFormat::Bmp), "C:\\out\\Pic.BMP");
    EXPECT_EQ(OutputPathFor("\\\\server\\share\\", "in/a.bmp", ImageFormat::Bmp),
              "\\\\server\\share\\a.bmp");
    EXPECT_EQ(OutputPathFor("rel", "a.bmp", ImageFormat::Bmp), "rel\\a.bmp");
#else
    EXPECT_EQ(OutputPathFor("/out", "/in/Pic.BMP", ImageFormat::Bmp), "/out/Pic.BMP");
    EXPECT_EQ(OutputPathFor("rel", "a.bmp", ImageFormat::Bmp), "rel/a.bmp");
    // A backslash is part of the name on POSIX.
    EXPECT_EQ(OutputPathFor("/out", "/in/back\\slash.bmp", ImageFormat::Bmp),
              "/out/back\\slash.bmp");
#endif
}

// The extension follows the format written; one that already names it stays as written.
TEST(OutputPathForTest, TheExtensionFollowsTheFormat) {
    const struct {
        const char* input;
        ImageFormat format;
        const char* output;
    } cases[] = {
        {"/in/a.bmp", ImageFormat::Png, "/out/a.png"},
        {"/in/a.png", ImageFormat::Bmp, "/out/a.bmp"},
        {"/in/Pic.PNG", ImageFormat::Png, "/out/Pic.PNG"},
        {"/in/Pic.BMP", ImageFormat::Png, "/out/Pic.png"},
        {"/in/a.b.png", ImageFormat::Png, "/out/a.b.png"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutputPathFor("/out/", c.input, c.format), c.output) << c.input;
    }
}

TEST(OutDirFromOutputPathTest, TakesTheAbsoluteFolderWithoutItsSeparator) {
#ifdef _WIN32
    EXPECT_EQ(OutDirFromOutputPath("C:\\out\\a.bmp"), "C:\\out");
    EXPECT_EQ(OutDirFromOutputPath("C:/x/y/../out/a.bmp"), "C:\\x\\out");
    // A drive's root keeps its separator.
    EXPECT_EQ(OutDirFromOutputPath("C:\\a.bmp"), "C:\\");
    EXPECT_EQ(OutDirFromOutputPath("\\\\server\\share\\out\\a.bmp"), "\\\\server\\share\\out");
    const std::string here = Utf8FromPath(std::filesystem::current_path());
    EXPECT_EQ(OutDirFromOutputPath("rel/a.bmp"), here + "\\rel");
    return;
#endif
    EXPECT_EQ(OutDirFromOutputPath("/out/a.bmp"), "/out");
    EXPECT_EQ(OutDirFromOutputPath("/x/y/../out/a.bmp"), "/x/out");
    // The root keeps its separator.
    EXPECT_EQ(OutDirFromOutputPath("/a.bmp"), "/");
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(OutDirFromOutputPath("rel/a.bmp"), cwd + "/rel");
    EXPECT_EQ(OutDirFromOutputPath("./a.bmp"), cwd);
}

}  // namespace
}  // namespace tintwell
