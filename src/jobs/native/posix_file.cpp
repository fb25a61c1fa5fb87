#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "jobs/native_file.h"

namespace tintwell::native {
namespace {

namespace fs = std::filesystem;

// A short name that does not grow with the target's, so a target whose name is near the
// system's limit can still be written; the dot hides it from ordinary listings.
fs::path HiddenName(const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    return folder /
           (".tw" +
            std::to_string((stamp ^ static_cast<unsigned long long>(getpid())) % 1000000007ULL) +
            "-" + std::to_string(counter.fetch_add(1)) + ".tmp");
}

fs::path FolderOf(const fs::path& target) {
    const fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// Opens a new file under a fresh hidden name; O_EXCL fails when the name exists, so two
// writers never share one.
int CreateNamed(const fs::path& folder, fs::path& name) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = HiddenName(folder);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
}

class PosixTempFile final : public TempFile {
  public:
    PosixTempFile(int fd, fs::path name) : fd_(fd), name_(std::move(name)) {}

    ~PosixTempFile() override {
        ::close(fd_);
        if (!committed_ && !name_.empty()) ::unlink(name_.c_str());
    }

    bool Write(const char* data, std::size_t size) override {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool Finish() override {
        // The data reaches the disk before the file gets its name: after a power cut the
        // name stands for the whole file or does not stand at all.
        while (::fdatasync(fd_) != 0) {
            if (errno != EINTR) return false;
        }
        return true;
    }

    CommitResult Commit(const fs::path& target, bool replace) override {
        if (committed_ || failed_) return CommitResult::Failed;
        const EntryKind kind = KindOf(target);
        if (replace && (kind == EntryKind::Directory || kind == EntryKind::Other))
            return CommitResult::Failed;
        if (replace && kind == EntryKind::Regular) {
            // A replaced file keeps its permissions.
            struct stat st {};
            if (::stat(target.c_str(), &st) == 0) ::fchmod(fd_, st.st_mode & 07777);
        }
        const CommitResult result =
            name_.empty() ? CommitAnonymous(target, replace) : CommitNamed(target, replace);
        committed_ = result == CommitResult::Committed;
        failed_ = result == CommitResult::Failed;
        return result;
    }

  private:
    // Gives the anonymous file a name. linkat through /proc needs no privilege; AT_EMPTY_PATH
    // is the way without /proc (it needs CAP_DAC_READ_SEARCH).
    int LinkTo(const fs::path& name) const {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0) return -1;
        return ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
    }

    CommitResult CommitAnonymous(const fs::path& target, bool replace) {
        if (!replace) {
            if (LinkTo(target) == 0) return CommitResult::Committed;
            return errno == EEXIST ? CommitResult::Exists : CommitResult::Failed;
        }
        // A link cannot replace; a hidden name linked first is renamed over the target.
        for (int attempt = 0; attempt < 16; ++attempt) {
            const fs::path hidden = HiddenName(FolderOf(target));
            if (LinkTo(hidden) != 0) {
                if (errno == EEXIST) continue;
                return CommitResult::Failed;
            }
            if (::rename(hidden.c_str(), target.c_str()) == 0) return CommitResult::Committed;
            ::unlink(hidden.c_str());
            return CommitResult::Failed;
        }
        return CommitResult::Failed;
    }

    CommitResult CommitNamed(const fs::path& target, bool replace) {
        if (replace) {
            return ::rename(name_.c_str(), target.c_str()) == 0 ? CommitResult::Committed
                                                                : CommitResult::Failed;
        }
#ifdef RENAME_NOREPLACE
        if (::renameat2(AT_FDCWD, name_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return CommitResult::Committed;
        if (errno == EEXIST) return CommitResult::Exists;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return CommitResult::Failed;
#endif
        // link() fails when the name exists; the temporary name then goes away.
        if (::link(name_.c_str(), target.c_str()) != 0)
            return errno == EEXIST ? CommitResult::Exists : CommitResult::Failed;
        ::unlink(name_.c_str());
        return CommitResult::Committed;
    }

    int fd_;
    fs::path name_;  // empty while the file has no name at all
    bool committed_ = false;
    bool failed_ = false;
};

}  // namespace

std::optional<FileId> IdentityOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), 0};
}

EntryKind KindOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return EntryKind::Missing;
    if (S_ISREG(st.st_mode)) return EntryKind::Regular;
    if (S_ISDIR(st.st_mode)) return EntryKind::Directory;
    return EntryKind::Other;
}

bool MayWrite(const fs::path& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::unique_ptr<TempFile> TempFile::Create(const fs::path& folder, bool named) {
    const fs::path where = folder.empty() ? fs::path(".") : folder;
#ifdef O_TMPFILE
    // File systems without anonymous files refuse the flag (EOPNOTSUPP, or EISDIR on old
    // kernels); the named form is taken then.
    if (!named) {
        const int fd = ::open(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) return std::make_unique<PosixTempFile>(fd, fs::path());
    }
#endif
    fs::path name;
    const int fd = CreateNamed(where, name);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixTempFile>(fd, std::move(name));
}

}  // namespace tintwell::native
