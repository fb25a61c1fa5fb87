#include "jobs/file_io.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>

namespace tintwell {
namespace {

constexpr std::size_t kStreamBuffer = 1 << 18;

// Claims a new, unused name beside the target. fopen's "x" mode fails when the name
// exists, so two writers never share a temporary file.
bool CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temp) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 16; ++attempt) {
        temp = target;
        temp += ".tmp" + std::to_string(stamp % 1000000007ULL) + "-" +
                std::to_string(counter.fetch_add(1));
        if (std::FILE* f = std::fopen(temp.c_str(), "wbx")) {
            std::fclose(f);
            return true;
        }
        std::error_code ec;
        if (!std::filesystem::exists(temp.parent_path().empty() ? "." : temp.parent_path(), ec)) {
            return false;
        }
    }
    return false;
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path)
    : buffer_(std::make_unique<char[]>(kStreamBuffer)) {
    stream_.rdbuf()->pubsetbuf(buffer_.get(), kStreamBuffer);
    std::error_code ec;
    // A directory opens as a stream on some systems; it is not a file to read.
    if (std::filesystem::is_directory(path, ec)) return;
    stream_.open(path, std::ios::binary);
}

std::unique_ptr<AtomicOutputFile> AtomicOutputFile::Create(const std::filesystem::path& target) {
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) return nullptr;
    std::filesystem::path temp;
    if (!CreateTemporary(target, temp)) return nullptr;
    return std::unique_ptr<AtomicOutputFile>(new AtomicOutputFile(target, std::move(temp)));
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
