#include "jobs/output_directory.h"

#include <system_error>

#include "jobs/file_paths.h"
#include "jobs/native_file.h"
#include "jobs/text_input.h"

namespace tintwell {
namespace {

bool IsSeparator(char c) {
    return IsPathSeparator(c);
}

bool CreateOneDirectory(const std::string& path) {
    std::error_code ec;
    // An existing folder is a failure here, as it is for the system's own mkdir.
    return std::filesystem::create_directory(PathFromUtf8(path), ec);
}

// The separator that ends a root: "/" alone, or on Windows a drive's ("C:\").
bool IsRootDirectory(std::string_view directory) {
    if (directory.size() == 1) return true;
#ifdef _WIN32
    return directory.size() == 3 && directory[1] == ':';
#else
    return false;
#endif
}

// A drive without a folder ("C:"), which names the drive's current folder on Windows.
bool IsDrive(std::string_view directory) {
#ifdef _WIN32
    return directory.size() == 2 && directory[1] == ':';
#else
    (void)directory;
    return false;
#endif
}

// True when `parent` is a network share or server of a UNC path ("\\server\share",
// "\\server"): no folder creation can make those, so the climb stops there.
bool IsShareRoot(std::string_view parent) {
#ifdef _WIN32
    if (parent.size() < 2 || !IsSeparator(parent[0]) || !IsSeparator(parent[1])) return false;
    const std::string_view rest = parent.substr(2);
    const std::size_t sep = rest.find_first_of(kPathSeparators);
    return sep == std::string_view::npos ||
           rest.find_first_of(kPathSeparators, sep + 1) == std::string_view::npos;
#else
    (void)parent;
    return false;
#endif
}

}  // namespace

DirectoryCheckResult CheckOutputDirectory(std::string_view text) {
    DirectoryCheckResult result;
    result.path = TrimLeadingSpace(text);
    if (result.path.empty()) return result;
    // A root keeps its separator: "C:" without it would be the current folder of drive C.
    if (IsSeparator(result.path.back()) && !IsRootDirectory(result.path)) result.path.pop_back();

    if (IsPathTooLong(result.path, true)) {
        result.verdict = DirectoryCheck::TooLong;
        return result;
    }
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(PathFromUtf8(result.path), ec);
    if (ec || !std::filesystem::exists(status)) {
        result.verdict = DirectoryCheck::AskCreate;
    } else if (!std::filesystem::is_directory(PathFromUtf8(result.path), ec)) {
        // Each output would then fail to be created inside it.
        result.verdict = DirectoryCheck::NotAFolder;
    } else if (!IsWritablePlace(PathFromUtf8(result.path))) {
        result.verdict = DirectoryCheck::NotWritable;
    }
    return result;
}

bool MakeDirectoryPath(const std::string& path) {
    if (CreateOneDirectory(path)) return true;
    const std::size_t last = path.find_last_of(kPathSeparators);
    if (last == std::string::npos) return false;
    const std::string parent = path.substr(0, last);
    // The climb stops at what cannot be made: the root ("" of "/new"), a drive ("C:" of
    // "C:\new") and a network share.
    const bool root = parent.find_first_not_of(kPathSeparators) == std::string::npos;
    if (root || IsDrive(parent) || IsShareRoot(parent)) {
        return false;
    }
    return MakeDirectoryPath(parent) && CreateOneDirectory(path);
}

Msg MakeFolder(const std::string& path) {
    if (path.empty()) return Msg::CannotCreateDirectory;
    std::error_code ec;
    const std::filesystem::path native = PathFromUtf8(path);
    if (std::filesystem::is_directory(native, ec)) return Msg::None;
    // A name taken by a file, or a link to one; a dangling link is taken too, and is
    // neither followed nor replaced.
    if (std::filesystem::exists(std::filesystem::symlink_status(native, ec))) {
        return Msg::NotADirectory;
    }
    return MakeDirectoryPath(path) || std::filesystem::is_directory(native, ec)
               ? Msg::None
               : Msg::CannotCreateDirectory;
}

bool IsWritablePlace(const std::filesystem::path& path) {
    switch (native::KindOf(path)) {
        case native::EntryKind::Directory: {
            // Permission bits do not say what this user may do (root, ACLs, read-only
            // mounts); creating a file does. The probe has a hidden name and is removed.
            return native::TempFile::Create(path, true) != nullptr;
        }
        case native::EntryKind::Regular:
            return native::MayWrite(path);
        case native::EntryKind::Missing:
        case native::EntryKind::Other:
            return false;
    }
    return false;
}

std::string OutputPathFor(std::string_view directory, std::string_view inputPath,
                          ImageFormat format) {
    std::string output(directory);
    if (output.empty() || !IsSeparator(output.back())) output += kPreferredSeparator;
    output += BaseNamePart(inputPath);
    output += ImageFormatOfExtension(inputPath) == format ? ExtensionPart(inputPath)
                                                          : ExtensionOf(format);
    return output;
}

std::string OutDirFromOutputPath(const std::string& outputPath) {
    const std::filesystem::path absolute = AbsolutePath(outputPath);
#ifdef _WIN32
    // A UNC path keeps its two leading separators, which normalising would merge.
    const bool unc = absolute.native().rfind(L"\\\\", 0) == 0;
    const std::string full = Utf8FromPath(unc ? absolute : absolute.lexically_normal());
#else
    const std::string full = Utf8FromPath(absolute.lexically_normal());
#endif
    std::string directory(DirectoryPart(full));
    if (!directory.empty() && !IsRootDirectory(directory)) directory.pop_back();
    return directory;
}

}  // namespace tintwell
