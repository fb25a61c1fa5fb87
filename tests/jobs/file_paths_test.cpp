#include "jobs/file_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace tintwell {
namespace {

namespace fs = std::filesystem;

TEST(FilePathsTest, PartsOfAPath) {
    struct Case {
        std::string path, dir, base, ext;
    };
    for (const Case& c :
         {Case{"/a/b/pic.bmp", "/a/b/", "pic", ".bmp"},
          Case{"rel/x.tar.bmp", "rel/", "x.tar", ".bmp"}, Case{"dir.d/name", "dir.d/", "name", ""},
          Case{"plain", "", "plain", ""}, Case{"/a/.bmp", "/a/", "", ".bmp"},
#ifdef _WIN32
          // Both separators separate on Windows.
          Case{"C:\\out\\Pic.BMP", "C:\\out\\", "Pic", ".BMP"},
          Case{"back\\slash.bmp", "back\\", "slash", ".bmp"},
          Case{"C:\\a/b\\c.bmp", "C:\\a/b\\", "c", ".bmp"}
#else
          // A backslash is a file-name character on POSIX.
          Case{"C:\\out\\Pic.BMP", "", "C:\\out\\Pic", ".BMP"},
          Case{"back\\slash.bmp", "", "back\\slash", ".bmp"},
          Case{"dir/back\\slash.bmp", "dir/", "back\\slash", ".bmp"}
#endif
         }) {
        EXPECT_EQ(DirectoryPart(c.path), c.dir) << c.path;
        EXPECT_EQ(BaseNamePart(c.path), c.base) << c.path;
        EXPECT_EQ(ExtensionPart(c.path), c.ext) << c.path;
    }
    EXPECT_EQ(ImageFormatOfExtension("x.BmP"), ImageFormat::Bmp);
    EXPECT_EQ(ImageFormatOfExtension("x.bmp.PNG"), ImageFormat::Png);
    EXPECT_EQ(ImageFormatOfExtension("x.png.gif"), std::nullopt);
    EXPECT_EQ(ImageFormatOfExtension("bmp"), std::nullopt);
}

TEST(FilePathsTest, BaseNamesCompareWithAsciiFoldedAndUnsignedBytes) {
    EXPECT_EQ(CompareBaseNames("ABC", "abc"), 0);
    EXPECT_LT(CompareBaseNames("a", "B"), 0);
    EXPECT_LT(CompareBaseNames("B", "c"), 0);
    EXPECT_LT(CompareBaseNames("ab", "abc"), 0);
    // '_' (0x5F) lies between 'Z' and 'a': folding makes "Z" into "z", above it.
    EXPECT_LT(CompareBaseNames("_", "Z"), 0);
    // Bytes above 0x7F sort after ASCII and are not folded.
    EXPECT_GT(CompareBaseNames("\xC3\xA9", "z"), 0);
    EXPECT_NE(CompareBaseNames("\xC3\x89", "\xC3\xA9"), 0);
}

TEST(FilePathsTest, SameFileSeesLinksAndOtherSpellings) {
    test::TempDir dir;
    const auto file = dir.Write("d/f.bmp", {1});
    fs::create_hard_link(file, dir / "hard.bmp");
    // Folder links need a privilege on Windows; without one that spelling is left out.
    std::error_code linkError;
    fs::create_directory_symlink(dir / "d", dir / "link", linkError);
    if (!linkError) {
        EXPECT_TRUE(IsSameFile(file, dir / "link" / "f.bmp"));
    }
    EXPECT_TRUE(IsSameFile(file, dir / "d" / "." / "f.bmp"));
    EXPECT_TRUE(IsSameFile(file, dir / "hard.bmp"));
    EXPECT_FALSE(IsSameFile(file, dir / "d" / "g.bmp"));
    // Two spellings of one missing path name the same place.
    EXPECT_TRUE(IsSameFile(dir / "d" / "new.bmp", dir / "d" / "x" / ".." / "new.bmp"));
}

// Windows spellings of one file: letter case, ".\\", either separator, UTF-16 names.
TEST(FilePathsTest, SameFileSeesWindowsSpellings) {
#ifndef _WIN32
    GTEST_SKIP() << "letter case and backslashes name other files on POSIX";
#else
    test::TempDir dir;
    const auto file = dir.Write("hero.bmp", {1});
    const std::string base = Utf8FromPath(dir.Path());
    EXPECT_TRUE(IsSameFile(file, PathFromUtf8(base + "\\HERO.BMP")));
    EXPECT_TRUE(IsSameFile(file, PathFromUtf8(base + "/.\\Hero.Bmp")));
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_TRUE(IsSameFile(PathFromUtf8("HERO.BMP"), PathFromUtf8(".\\hero.bmp")));
    fs::current_path(cwd);
    const auto japanese = dir.Write("日本語.bmp", {2});
    EXPECT_TRUE(fs::exists(PathFromUtf8(base + "\\日本語.bmp")));
    EXPECT_FALSE(IsSameFile(japanese, file));
    EXPECT_EQ(Utf8FromPath(japanese.filename()), "日本語.bmp");
#endif
}

TEST(FilePathsTest, OverlongPathsAndNames) {
#ifdef _WIN32
    // Counted in UTF-16 units of the full path: 259 is the most the system takes whole.
    test::TempDir dir;
    const std::string base = Utf8FromPath(dir.Path()) + "\\";
    const std::size_t room = kMaxPathUnits - dir.Path().native().size() - 1;
    ASSERT_GT(room, 20u);
    EXPECT_FALSE(IsPathTooLong(base + std::string(room, 'n')));
    EXPECT_TRUE(IsPathTooLong(base + std::string(room + 1, 'n')));
    // Three bytes of UTF-8, one unit of UTF-16.
    std::string kanji;
    for (std::size_t i = 0; i < room; ++i)
        kanji += "日";
    EXPECT_FALSE(IsPathTooLong(base + kanji));
    // A relative path counts with the current folder before it.
    EXPECT_TRUE(IsPathTooLong(std::string(kMaxPathUnits - 3, 'n')));
    // Folders leave room for a file name.
    EXPECT_TRUE(IsPathTooLong(base + std::string(room, 'n'), true));
    EXPECT_TRUE(IsPathTooLong("C:\\" + std::string(kMaxNameUnits + 1, 'n')));
#else
    EXPECT_FALSE(IsPathTooLong("/tmp/" + std::string(255, 'n')));
    EXPECT_TRUE(IsPathTooLong("/tmp/" + std::string(256, 'n')));
    // A backslash does not split a name on POSIX.
    EXPECT_TRUE(IsPathTooLong("/tmp/" + std::string(200, 'n') + "\\" + std::string(100, 'n')));
    std::string deep;
    while (deep.size() <= kMaxPathBytes)
        deep += "/dir";
    EXPECT_TRUE(IsPathTooLong(deep));
#endif
}

}  // namespace
}  // namespace tintwell
