#include "jobs/file_io.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>

namespace tintwell {
namespace {

constexpr std::size_t kStreamBuffer = 1 << 18;

// Claims a new, unused name in the target's folder. fopen's "x" mode fails when the name
// exists, so two writers never share a temporary file. The name is short and does not grow
// with the target's, so a target whose name is near the system's limit can still be written.
bool CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temp) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const std::filesystem::path folder = target.parent_path();
    for (int attempt = 0; attempt < 16; ++attempt) {
        temp = folder / (".tw" + std::to_string(stamp % 1000000007ULL) + "-" +
                         std::to_string(counter.fetch_add(1)) + ".tmp");
        if (std::FILE* f = std::fopen(temp.c_str(), "wbx")) {
            std::fclose(f);
            return true;
        }
        std::error_code ec;
        if (!std::filesystem::exists(folder.empty() ? "." : folder, ec)) return false;
    }
    return false;
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path)
    : buffer_(std::make_unique<char[]>(kStreamBuffer)) {
    stream_.rdbuf()->pubsetbuf(buffer_.get(), kStreamBuffer);
    std::error_code ec;
    // Only regular files are read: a directory opens as a stream on some systems, and
    // opening a named pipe or a device could block for ever or never reach its end.
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return;
    stream_.open(path, std::ios::binary);
}

std::unique_ptr<AtomicOutputFile> AtomicOutputFile::Create(const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // A link at the target is written through, as opening it for writing would: the file
    // it points to is replaced and the link stays.
    fs::path resolved = target;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        resolved = fs::weakly_canonical(target, ec);
        if (ec) return nullptr;
    }
    const fs::file_status status = fs::status(resolved, ec);
    if (fs::is_directory(status)) return nullptr;
    // Renaming needs only the folder to be writable; a file this user may not write to
    // (read-only, say) is not replaced behind its owner's back.
    if (fs::exists(status)) {
        std::FILE* f = std::fopen(resolved.c_str(), "r+b");
        if (f == nullptr) return nullptr;
        std::fclose(f);
    }
    fs::path temp;
    if (!CreateTemporary(resolved, temp)) return nullptr;
    return std::unique_ptr<AtomicOutputFile>(new AtomicOutputFile(resolved, std::move(temp)));
}

AtomicOutputFile::AtomicOutputFile(std::filesystem::path target, std::filesystem::path temp)
    : target_(std::move(target)), temp_(std::move(temp)) {}

AtomicOutputFile::~AtomicOutputFile() {
    if (done_) return;
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
}

Msg AtomicOutputFile::Commit(const std::function<Msg(std::ostream&)>& write) {
    if (done_) return Msg::CannotCreate;
    const auto discard = [this](Msg why) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        done_ = true;
        return why;
    };

    Msg result = Msg::None;
    {
        auto buffer = std::make_unique<char[]>(kStreamBuffer);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.get(), kStreamBuffer);
        out.open(temp_, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) return discard(Msg::CannotCreate);
        result = write(out);
        out.flush();
        if (result == Msg::None && !out) result = Msg::WriteError;
        out.close();
        if (result == Msg::None && out.fail()) result = Msg::WriteError;
    }
    if (result != Msg::None) return discard(result);

    // A replaced file keeps its permissions.
    std::error_code ec;
    const auto status = std::filesystem::status(target_, ec);
    if (!ec && std::filesystem::is_regular_file(status)) {
        std::filesystem::permissions(temp_, status.permissions(), ec);
    }
    std::filesystem::rename(temp_, target_, ec);
    if (ec) return discard(Msg::CannotCreate);
    done_ = true;
    return Msg::None;
}

Msg WriteFileAtomically(const std::filesystem::path& target,
                        const std::function<Msg(std::ostream&)>& write) {
    const auto file = AtomicOutputFile::Create(target);
    if (!file) return Msg::CannotCreate;
    return file->Commit(write);
}

}  // namespace tintwell
