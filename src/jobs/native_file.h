#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

// The few file operations whose safe form differs between systems: file identity, and a
// file that is written without a visible name and named only when complete. One source
// file per system implements them (native/posix_file.cpp, native/windows_file.cpp); the
// rest of the engine uses std::filesystem and these.
namespace tintwell::native {

// What identifies a file on disk whatever path reaches it: device and inode on POSIX,
// volume serial number and file index on Windows.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t indexHigh = 0;  // ReFS has 128-bit file ids; 0 elsewhere
    friend bool operator==(const FileId&, const FileId&) = default;
};

// The identity of the file `path` names, links followed; nothing when it does not exist
// or cannot be reached. Never opens a special file in a way that could block.
[[nodiscard]] std::optional<FileId> IdentityOf(const std::filesystem::path& path);

// What stands at a path, links followed.
enum class EntryKind { Missing, Regular, Directory, Other };
[[nodiscard]] EntryKind KindOf(const std::filesystem::path& path);

// Whether this user may write to the existing file `path` (its permission bits, ACL or
// read-only attribute), tested without opening it.
[[nodiscard]] bool MayWrite(const std::filesystem::path& path);

// How a finished file gets its name.
enum class CommitResult {
    Committed,  // the file now stands at the target
    Exists,     // the target was taken (only when not replacing); nothing was changed
    Failed,     // the file could not be named; the target is as it was
};

// A new file in a folder that nobody sees until Commit gives it its name. Where the system
// allows (Linux O_TMPFILE on ext4, xfs, btrfs, tmpfs) it has no name at all while it is
// written, so even a killed process or a power cut leaves nothing behind; elsewhere it is
// a short hidden temporary name that the destructor removes. Write and Finish may run on
// another thread than Create and Commit, but never at the same time.
class TempFile {
  public:
    // A new empty file in `folder`, anonymous where the system allows unless `named` asks
    // for the hidden-name form; nullptr when none can be made there.
    [[nodiscard]] static std::unique_ptr<TempFile> Create(const std::filesystem::path& folder,
                                                          bool named = false);
    // Discards the file unless it was committed.
    virtual ~TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Appends bytes; false on any error (a full disk, say).
    [[nodiscard]] virtual bool Write(const char* data, std::size_t size) = 0;
    // Makes the written bytes durable; false on any error. Call once, after the last Write.
    [[nodiscard]] virtual bool Finish() = 0;
    // Gives the finished file the name `target` in the same folder. With `replace`, an
    // existing regular file there is replaced in one step and its permissions are kept;
    // without it an existing entry of any kind is never touched (Exists), and Commit may be
    // called again. After Committed or Failed, further calls fail.
    [[nodiscard]] virtual CommitResult Commit(const std::filesystem::path& target,
                                              bool replace) = 0;

  protected:
    TempFile() = default;
};

}  // namespace tintwell::native
