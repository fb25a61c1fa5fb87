#include "jobs/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace tintwell {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;

// Nothing but the named files is left in a folder: no temporary file survives.
std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

Msg WriteText(const fs::path& target, const std::string& text, Msg result = Msg::None) {
    return WriteFileAtomically(target, [&](std::ostream& out) {
        out << text;
        return result;
    });
}

TEST(FileIoTest, ReplacesTheTargetOnlyWhenComplete) {
    test::TempDir dir;
    const auto target = dir / "out.bmp";
    ASSERT_EQ(WriteText(target, "first"), Msg::None);
    EXPECT_EQ(ReadAll(target), (std::vector<std::uint8_t>{'f', 'i', 'r', 's', 't'}));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);

    // A failing writer leaves the old file as it was, and no partial file.
    EXPECT_EQ(WriteText(target, "half", Msg::ReadError), Msg::ReadError);
    EXPECT_EQ(ReadAll(target).size(), 5u);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.bmp"});

    ASSERT_EQ(WriteText(target, "second"), Msg::None);
    EXPECT_EQ(ReadAll(target).size(), 6u);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.bmp"});
}

TEST(FileIoTest, FailuresToCreateAreReported) {
    test::TempDir dir;
    EXPECT_EQ(WriteText(dir / "missing" / "x.bmp", "x"), Msg::CannotCreate);
    // A folder of the target's name is not replaced.
    fs::create_directory(dir / "taken.bmp");
    EXPECT_EQ(WriteText(dir / "taken.bmp", "x"), Msg::CannotCreate);
    EXPECT_TRUE(fs::is_directory(dir / "taken.bmp"));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"taken.bmp"});
}

TEST(FileIoTest, AStreamThatFailedIsAWriteError) {
    // The writer may not notice a failed stream; the file must still not take its place.
    test::TempDir dir;
    EXPECT_EQ(WriteFileAtomically(dir / "x.bmp",
                                  [](std::ostream& out) {
                                      out << "partial";
                                      out.setstate(std::ios::badbit);
                                      return Msg::None;
                                  }),
              Msg::WriteError);
    EXPECT_TRUE(Names(dir.Path()).empty());
}

TEST(FileIoTest, InputFileRefusesFoldersAndMissingFiles) {
    test::TempDir dir;
    EXPECT_FALSE(InputFile(dir.Path()).IsOpen());
    EXPECT_FALSE(InputFile(dir / "none.bmp").IsOpen());
    const auto f = dir.Write("f.bmp", {1, 2, 3});
    InputFile in(f);
    ASSERT_TRUE(in.IsOpen());
    char b[3];
    EXPECT_TRUE(in.Stream().read(b, 3));
}

}  // namespace
}  // namespace tintwell
