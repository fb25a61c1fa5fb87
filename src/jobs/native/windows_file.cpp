// The native file layer on Windows: UTF-16 paths straight to the wide Win32 functions.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <string>

#include "jobs/native_file.h"

namespace tintwell::native {
namespace {

namespace fs = std::filesystem;

// A handle closed when it goes out of scope.
class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (Valid()) ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    [[nodiscard]] bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    [[nodiscard]] HANDLE Get() const { return h_; }

  private:
    HANDLE h_;
};

// True when the path names a device rather than a file: the reserved names (NUL, CON, COM1,
// and on older systems NUL.bmp in any folder) and the \\.\ namespace, where pipes and
// devices live. Their full form tells, without opening anything.
bool IsDevicePath(const fs::path& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return false;
    full.resize(length);
    const std::wstring_view view(full);
    if (view.substr(0, 4) != L"\\\\.\\" && view.substr(0, 4) != L"\\\\?\\") return false;
    // \\.\C:\dir and \\?\C:\dir, \\?\UNC\server\share are ordinary file paths.
    const std::wstring_view rest = view.substr(4);
    const bool drive = rest.size() >= 3 && rest[1] == L':' && (rest[2] == L'\\' || rest[2] == L'/');
    const bool unc = rest.substr(0, 4) == L"UNC\\";
    return !drive && !unc;
}

// Opens the file or folder at `path`, links followed, with no access rights: enough to ask
// for its identity and attributes, and possible whatever its sharing mode.
HANDLE OpenForQuery(const fs::path& path) {
    return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// A short name that does not grow with the target's; the leading dot and the hidden
// attribute keep it out of ordinary listings.
fs::path HiddenName(const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    const unsigned long long stamp =
        (static_cast<unsigned long long>(::GetTickCount64()) << 16) ^ ::GetCurrentProcessId();
    return folder / (L".tw" + std::to_wstring(stamp % 1000000007ULL) + L"-" +
                     std::to_wstring(counter.fetch_add(1)) + L".tmp");
}

// The attributes a finished file takes over from the file it replaces: the read-only one
// never (such a target is refused before), the temporary name's hidden one only when the
// target had it too.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class WindowsTempFile final : public TempFile {
  public:
    WindowsTempFile(HANDLE handle, fs::path name) : handle_(handle), name_(std::move(name)) {}

    ~WindowsTempFile() override {
        CloseFile();
        if (!committed_) ::DeleteFileW(name_.c_str());
    }

    bool Write(const char* data, std::size_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        while (size > 0) {
            const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!::WriteFile(handle_, data, chunk, &written, nullptr) || written == 0) return false;
            data += written;
            size -= written;
        }
        return true;
    }

    bool Finish() override {
        // The data reaches the disk before the file gets its name: after a power cut the
        // name stands for the whole file or does not stand at all.
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        const bool flushed = ::FlushFileBuffers(handle_) != 0;
        // Renaming a file that is still open needs every other handle to share deletion;
        // closing it now keeps the rename simple, and the name is still ours alone.
        CloseFile();
        return flushed;
    }

    CommitResult Commit(const fs::path& target, bool replace) override {
        if (committed_ || failed_ || handle_ != INVALID_HANDLE_VALUE) return CommitResult::Failed;
        const EntryKind kind = KindOf(target);
        if (replace && (kind == EntryKind::Directory || kind == EntryKind::Other)) {
            failed_ = true;
            return CommitResult::Failed;
        }
        if (!replace && kind != EntryKind::Missing) return CommitResult::Exists;
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
        if (replace && kind == EntryKind::Regular) {
            const DWORD old = ::GetFileAttributesW(target.c_str());
            if (old != INVALID_FILE_ATTRIBUTES && (old & kKeptAttributes) != 0)
                attributes = old & kKeptAttributes;
        }
        ::SetFileAttributesW(name_.c_str(), attributes);
        // Without MOVEFILE_REPLACE_EXISTING the move fails when anything has the name, so
        // a file that appeared since the check above is never replaced.
        const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
        if (::MoveFileExW(name_.c_str(), target.c_str(), flags)) {
            committed_ = true;
            return CommitResult::Committed;
        }
        const DWORD error = ::GetLastError();
        if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
            ::SetFileAttributesW(name_.c_str(), FILE_ATTRIBUTE_HIDDEN);
            return CommitResult::Exists;
        }
        failed_ = true;
        return CommitResult::Failed;
    }

  private:
    void CloseFile() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    HANDLE handle_;
    fs::path name_;
    bool committed_ = false;
    bool failed_ = false;
};

}  // namespace

std::optional<FileId> IdentityOf(const fs::path& path) {
    if (path.empty() || IsDevicePath(path)) return std::nullopt;
    const Handle file(OpenForQuery(path));
    if (!file.Valid()) return std::nullopt;
    // The 128-bit id where the system gives it (ReFS needs it); the 64-bit file index of
    // NTFS and FAT otherwise. One file system always answers the same way, so two paths to
    // one file give equal ids.
    FILE_ID_INFO id{};
    if (::GetFileInformationByHandleEx(file.Get(), FileIdInfo, &id, sizeof id)) {
        FileId result;
        result.volume = id.VolumeSerialNumber;
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        static_assert(sizeof id.FileId.Identifier == 16);
        for (int i = 7; i >= 0; --i) {
            low = (low << 8) | id.FileId.Identifier[i];
            high = (high << 8) | id.FileId.Identifier[i + 8];
        }
        result.index = low;
        result.indexHigh = high;
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info)) return std::nullopt;
    return FileId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow, 0};
}

EntryKind KindOf(const fs::path& path) {
    if (path.empty()) return EntryKind::Missing;
    if (IsDevicePath(path)) return EntryKind::Other;
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A link or a junction: what it leads to counts. Opening with no access rights
        // follows it and never blocks.
        const Handle file(OpenForQuery(path));
        if (!file.Valid()) return EntryKind::Missing;
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.Get(), &info)) return EntryKind::Missing;
        if (::GetFileType(file.Get()) != FILE_TYPE_DISK) return EntryKind::Other;
        attributes = info.dwFileAttributes;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::Directory;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::Other;
    return EntryKind::Regular;
}

bool MayWrite(const fs::path& path) {
    // The read-only attribute is what keeps a file from being written or replaced by its
    // owner; access lists that forbid it make the rename itself fail.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

std::unique_ptr<TempFile> TempFile::Create(const fs::path& folder, bool /*named*/) {
    // Windows has no file without a name: always the hidden named form, which the
    // destructor removes.
    const fs::path where = folder.empty() ? fs::path(L".") : folder;
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path name = HiddenName(where);
        // CREATE_NEW fails when the name exists, so two writers never share one.
        const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return std::make_unique<WindowsTempFile>(handle, std::move(name));
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
}

}  // namespace tintwell::native
