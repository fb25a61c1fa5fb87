#include "jobs/output_directory.h"

#include <atomic>
#include <cstdio>
#include <system_error>

#include "jobs/file_paths.h"
#include "jobs/text_input.h"

namespace tintwell {
namespace {

constexpr std::string_view kSeparators = "/\\";

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool CreateOneDirectory(const std::string& path) {
    std::error_code ec;
    // An existing folder is a failure here, as it is for the system's own mkdir.
    return std::filesystem::create_directory(path, ec);
}

// The separator that ends a root written as a drive ("C:\") or alone ("/").
bool IsRootDirectory(std::string_view directory) {
    if (directory.size() == 1) return true;
    return directory.size() >= 2 && directory[directory.size() - 2] == ':';
}

}  // namespace

DirectoryCheckResult CheckOutputDirectory(std::string_view text) {
    DirectoryCheckResult result;
    result.path = TrimLeadingSpace(text);
    if (result.path.empty()) return result;
    if (result.path.size() > 1 && IsSeparator(result.path.back())) result.path.pop_back();

    if (IsPathTooLong(result.path)) {
        result.verdict = DirectoryCheck::TooLong;
        return result;
    }
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(result.path, ec);
    if (ec || !std::filesystem::exists(status)) {
        result.verdict = DirectoryCheck::AskCreate;
    } else if (!IsWritablePlace(result.path)) {
        result.verdict = DirectoryCheck::NotWritable;
    }
    return result;
}

bool MakeDirectoryPath(const std::string& path) {
    if (CreateOneDirectory(path)) return true;
    const std::size_t last = path.find_last_of(kSeparators);
    if (last == std::string::npos) return false;
    const std::string parent = path.substr(0, last);
    if (parent.find_first_of(kSeparators) == std::string::npos) return false;
    return MakeDirectoryPath(parent) && CreateOneDirectory(path);
}

bool IsWritablePlace(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        // Permission bits do not say what this user may do (root, ACLs, read-only mounts);
        // creating a file does.
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 16; ++attempt) {
            const auto probe =
                path / (".tintwell-probe-" + std::to_string(counter.fetch_add(1)) + ".tmp");
            if (std::FILE* f = std::fopen(probe.string().c_str(), "wbx")) {
                std::fclose(f);
                std::filesystem::remove(probe, ec);
                return true;
            }
            if (std::filesystem::exists(probe, ec)) continue;
            return false;
        }
        return false;
    }
    // "r+" opens for writing without creating or truncating anything.
    if (std::FILE* f = std::fopen(path.string().c_str(), "r+b")) {
        std::fclose(f);
        return true;
    }
    return false;
}

std::string OutputPathFor(std::string_view directory, std::string_view inputPath) {
    std::string output(directory);
    if (output.empty() || !IsSeparator(output.back())) output += '/';
    output += BaseNamePart(inputPath);
    output += ExtensionPart(inputPath);
    return output;
}

std::string OutDirFromOutputPath(const std::string& outputPath) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(outputPath, ec);
    if (ec) absolute = outputPath;
    const std::string full = absolute.lexically_normal().string();
    std::string directory(DirectoryPart(full));
    if (!directory.empty() && !IsRootDirectory(directory)) directory.pop_back();
    return directory;
}

}  // namespace tintwell
