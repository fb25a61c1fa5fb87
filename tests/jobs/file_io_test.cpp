#include "jobs/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace tintwell {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;

// Nothing but the named files is left in a folder: no temporary file survives.
std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
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
#ifndef _WIN32
    // POSIX permission bits; Windows files have only the read-only attribute here.
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
#endif
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"out.bmp"});
}

TEST(FileIoTest, NamesNearTheLimitAndLinksAreWritten) {
    test::TempDir dir;
    // The temporary name does not grow with the target's: a 250-byte name is written.
    const std::string longName = std::string(246, 'n') + ".bmp";
    ASSERT_EQ(WriteText(dir / longName, "long"), Msg::None);
    EXPECT_EQ(ReadAll(dir / longName).size(), 4u);

    // A link at the target is written through and stays a link.
    fs::create_directory(dir / "real");
    dir.Write("real/pic.bmp", {'o', 'l', 'd'});
    std::error_code linkError;
    fs::create_symlink(dir / "real" / "pic.bmp", dir / "pic.bmp", linkError);
    if (linkError) GTEST_SKIP() << "links need a privilege here: " << linkError.message();
    ASSERT_EQ(WriteText(dir / "pic.bmp", "new!"), Msg::None);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "pic.bmp")));
    EXPECT_EQ(ReadAll(dir / "real" / "pic.bmp"), (std::vector<std::uint8_t>{'n', 'e', 'w', '!'}));
    EXPECT_EQ(Names(dir / "real"), std::vector<std::string>{"pic.bmp"});
}

TEST(FileIoTest, ReadOnlyTargetIsNotReplaced) {
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "this user writes into read-only files (root)";
#endif
    test::TempDir dir;
    const auto target = dir.Write("locked.bmp", {'o', 'l', 'd'});
    fs::permissions(target, fs::perms::owner_read);
    EXPECT_EQ(WriteText(target, "new"), Msg::CannotCreate);
    EXPECT_EQ(ReadAll(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"locked.bmp"});
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

TEST(FileIoTest, InputFileOpensOnlyRegularFiles) {
    test::TempDir dir;
    EXPECT_FALSE(InputFile(dir.Path()).IsOpen());
    EXPECT_FALSE(InputFile(dir / "none.bmp").IsOpen());
#ifndef _WIN32
    // Opening a named pipe for reading blocks until a writer comes; it is refused before.
    ASSERT_EQ(mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    EXPECT_FALSE(InputFile(dir / "pipe.bmp").IsOpen());
#else
    // Reserved device names are devices in every folder, not files.
    EXPECT_FALSE(InputFile("NUL").IsOpen());
    EXPECT_FALSE(InputFile("CON").IsOpen());
#endif
    const auto f = dir.Write("f.bmp", {1, 2, 3});
    std::error_code linkError;
    fs::create_symlink(f, dir / "link.bmp", linkError);
    if (!linkError) {
        EXPECT_TRUE(InputFile(dir / "link.bmp").IsOpen());
    }
    InputFile in(f);
    ASSERT_TRUE(in.IsOpen());
    char b[3];
    EXPECT_TRUE(in.Stream().read(b, 3));
}

// An input file gives its bytes wherever the reader seeks, across block boundaries, and
// its fingerprint tells a rewrite of the same size and time from the content that was read.
TEST(FileIoTest, InputFileReadsAnywhereAndFingerprintsWhatItRead) {
    test::TempDir dir;
    std::vector<std::uint8_t> bytes(kFingerprintBlock * 2 + 100);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    const auto f = dir.Write("f.bmp", bytes);
    const auto readAt = [](InputFile& in, std::size_t at, std::size_t n) {
        std::vector<std::uint8_t> got(n);
        in.Stream().seekg(static_cast<std::streamoff>(at));
        in.Stream().read(reinterpret_cast<char*>(got.data()), static_cast<std::streamsize>(n));
        return got;
    };
    const auto slice = [&](std::size_t at, std::size_t n) {
        return std::vector<std::uint8_t>(bytes.begin() + static_cast<long>(at),
                                         bytes.begin() + static_cast<long>(at + n));
    };

    InputFile first(f);
    EXPECT_EQ(readAt(first, kFingerprintBlock - 10, 20), slice(kFingerprintBlock - 10, 20));
    EXPECT_EQ(readAt(first, 3, 5), slice(3, 5));
    first.Stream().seekg(0, std::ios::end);
    EXPECT_EQ(static_cast<std::size_t>(first.Stream().tellg()), bytes.size());
    EXPECT_EQ(readAt(first, bytes.size() - 4, 4), slice(bytes.size() - 4, 4));
    const FileFingerprint analysed = first.Fingerprint();
    EXPECT_EQ(analysed.size, bytes.size());

    // Read again, whole or in part: the same content.
    InputFile again(f);
    EXPECT_EQ(readAt(again, 0, bytes.size()), bytes);
    EXPECT_TRUE(SameContent(analysed, again.Fingerprint()));

    // One byte changed in the middle block, with size and time as they were.
    const auto time = fs::last_write_time(f);
    bytes[kFingerprintBlock + 5] ^= 0xFF;
    dir.Write("f.bmp", bytes);
    fs::last_write_time(f, time);
    InputFile changed(f);
    EXPECT_EQ(readAt(changed, 0, bytes.size()), bytes);
    EXPECT_FALSE(SameContent(analysed, changed.Fingerprint()));
    // Only blocks that both readings saw are compared: one that never reached the change
    // cannot tell.
    InputFile head(f);
    EXPECT_EQ(readAt(head, 0, 8), slice(0, 8));
    EXPECT_TRUE(SameContent(analysed, head.Fingerprint()));
}

// Both forms of an unnamed file commit alike: without replacing, whatever stands at the
// target is never touched and the finished file may still replace it after a yes;
// replacing keeps the old file's permissions; a file never committed leaves nothing.
class TempFileTest : public ::testing::TestWithParam<bool> {};

TEST_P(TempFileTest, CommitsWithoutOrWithReplacingAndDiscards) {
    const bool named = GetParam();
    test::TempDir dir;
    const auto taken = dir.Write("taken.bmp", {'o', 'l', 'd'});
    fs::permissions(taken, fs::perms::owner_read | fs::perms::owner_write);
    {
        auto file = native::TempFile::Create(dir.Path(), named);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write("new", 3));
        ASSERT_TRUE(file->Finish());
        EXPECT_EQ(file->Commit(taken, false), native::CommitResult::Exists);
        EXPECT_EQ(ReadAll(taken), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(file->Commit(taken, true), native::CommitResult::Committed);
        EXPECT_EQ(ReadAll(taken), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
#ifndef _WIN32
        // POSIX permission bits; Windows files have only the read-only attribute here.
        EXPECT_EQ(fs::status(taken).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
#endif
        EXPECT_EQ(file->Commit(dir / "again.bmp", false), native::CommitResult::Failed);
    }
    {
        auto file = native::TempFile::Create(dir.Path(), named);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write("lost", 4));
    }
    {
        auto file = native::TempFile::Create(dir.Path(), named);
        ASSERT_TRUE(file && file->Write("x", 1) && file->Finish());
        EXPECT_EQ(file->Commit(dir / "fresh.bmp", false), native::CommitResult::Committed);
    }
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"fresh.bmp", "taken.bmp"}));
}

INSTANTIATE_TEST_SUITE_P(AnonymousAndNamed, TempFileTest, ::testing::Bool());

#ifndef _WIN32
// An anonymous file has no name until it is committed, so a process killed while writing
// it (SIGKILL cannot be caught) leaves nothing behind.
TEST(TempFileKillTest, AKilledWriterLeavesNothing) {
    test::TempDir dir;
    {
        auto probe = native::TempFile::Create(dir.Path());
        ASSERT_TRUE(probe);
        if (!Names(dir.Path()).empty()) GTEST_SKIP() << "no anonymous files on this file system";
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto file = native::TempFile::Create(dir.Path());
        const std::string block(1 << 16, 'x');
        for (int i = 0; file && i < 16; ++i) {
            if (!file->Write(block.data(), block.size())) _exit(2);
        }
        raise(SIGKILL);
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(Names(dir.Path()).empty());
}
#endif

}  // namespace
}  // namespace tintwell
