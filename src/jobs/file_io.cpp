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

Msg WriteFileAtomically(const std::filesystem::path& target,
                        const std::function<Msg(std::ostream&)>& write) {
    std::filesystem::path temp;
    if (!CreateTemporary(target, temp)) return Msg::CannotCreate;

    const auto discard = [&temp](Msg why) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return why;
    };

    Msg result = Msg::None;
    {
        auto buffer = std::make_unique<char[]>(kStreamBuffer);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.get(), kStreamBuffer);
        out.open(temp, std::ios::binary | std::ios::trunc);
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
    const auto status = std::filesystem::status(target, ec);
    if (!ec && std::filesystem::is_regular_file(status)) {
        std::filesystem::permissions(temp, status.permissions(), ec);
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) return discard(Msg::CannotCreate);
    return Msg::None;
}

}  // namespace tintwell
