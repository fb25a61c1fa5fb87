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
          Case{"C:\\out\\Pic.BMP", "C:\\out\\", "Pic", ".BMP"},
          Case{"rel/x.tar.bmp", "rel/", "x.tar", ".bmp"}, Case{"dir.d/name", "dir.d/", "name", ""},
          Case{"plain", "", "plain", ""}, Case{"/a/.bmp", "/a/", "", ".bmp"}}) {
        EXPECT_EQ(DirectoryPart(c.path), c.dir) << c.path;
        EXPECT_EQ(BaseNamePart(c.path), c.base) << c.path;
        EXPECT_EQ(ExtensionPart(c.path), c.ext) << c.path;
    }
    EXPECT_TRUE(HasBmpExtension("x.BmP"));
    EXPECT_FALSE(HasBmpExtension("x.bmp.png"));
    EXPECT_FALSE(HasBmpExtension("bmp"));
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
    fs::create_directory_symlink(dir / "d", dir / "link");
    fs::create_hard_link(file, dir / "hard.bmp");
    EXPECT_TRUE(IsSameFile(file, dir / "link" / "f.bmp"));
    EXPECT_TRUE(IsSameFile(file, dir / "d" / "." / "f.bmp"));
    EXPECT_TRUE(IsSameFile(file, dir / "hard.bmp"));
    EXPECT_FALSE(IsSameFile(file, dir / "d" / "g.bmp"));
    // Two spellings of one missing path name the same place.
    EXPECT_TRUE(IsSameFile(dir / "d" / "new.bmp", dir / "d" / "x" / ".." / "new.bmp"));
}

TEST(FilePathsTest, OverlongPathsAndNames) {
    EXPECT_FALSE(IsPathTooLong("/tmp/" + std::string(255, 'n')));
    EXPECT_TRUE(IsPathTooLong("/tmp/" + std::string(256, 'n')));
    std::string deep;
    while (deep.size() <= kMaxPathBytes)
        deep += "/dir";
    EXPECT_TRUE(IsPathTooLong(deep));
}

}  // namespace
}  // namespace tintwell
