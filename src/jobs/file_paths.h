#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "bitmap/image_format.h"

namespace tintwell {

// Paths are UTF-8 text everywhere in the engine (the file list, messages, settings). They
// become the system's own paths only here, so non-ASCII names reach the file system whole:
// on Windows a std::filesystem::path made from a plain std::string would read it in the
// ANSI code page, and string() would write it back that way.
[[nodiscard]] std::filesystem::path PathFromUtf8(std::string_view utf8);
[[nodiscard]] std::string Utf8FromPath(const std::filesystem::path& path);

// The absolute form of a path (UTF-8), the current folder put before a relative one; the
// path as it is when even that fails. A UNC path (\\server\share\...) is absolute as it
// stands on Windows: the standard library would take it for a path on the current drive.
[[nodiscard]] std::filesystem::path AbsolutePath(std::string_view utf8);

// The characters that separate folders in a path: '/' on POSIX, where '\\' is an ordinary
// file-name character; '/' and '\\' on Windows.
// The separator this system writes when it joins a folder and a name.
#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "/\\";
inline constexpr char kPreferredSeparator = '\\';
#else
inline constexpr std::string_view kPathSeparators = "/";
inline constexpr char kPreferredSeparator = '/';
#endif
[[nodiscard]] constexpr bool IsPathSeparator(char c) {
    return kPathSeparators.find(c) != std::string_view::npos;
}

// Parts of a path as the file list and the output job use them, split at the system's
// separators.

// Up to and including the last separator ("" when there is none).
[[nodiscard]] std::string_view DirectoryPart(std::string_view path);
// The file name up to its last dot ("a.b.bmp" -> "a.b"; "name" -> "name").
[[nodiscard]] std::string_view BaseNamePart(std::string_view path);
// The file name from its last dot on, with the dot ("" when the name has no dot).
[[nodiscard]] std::string_view ExtensionPart(std::string_view path);

// The image format the extension names (".bmp" or ".png" in any letter case); nothing for
// any other. Only such files are taken from a drop; their content still decides how they
// are read.
[[nodiscard]] std::optional<ImageFormat> ImageFormatOfExtension(std::string_view path);

// Orders base names byte by byte as unsigned bytes with ASCII A-Z folded to lower case:
// < 0, 0 or > 0. Other bytes (UTF-8 included) compare as they are.
[[nodiscard]] int CompareBaseNames(std::string_view a, std::string_view b);

// True when both paths name one file on disk (hard or symbolic links, relative forms and
// letter case on case-insensitive file systems included). A path that does not exist is
// the same as no other file.
[[nodiscard]] bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

#ifdef _WIN32
// The longest path the Win32 file functions take without the long-path prefix, in UTF-16
// units of the full (absolute) path: MAX_PATH less the terminating null. Folders must leave
// room for an 8.3 file name (CreateDirectoryW's own limit).
inline constexpr std::size_t kMaxPathUnits = 259;
inline constexpr std::size_t kMaxDirectoryUnits = 247;
// The longest file name (one path component), in UTF-16 units.
inline constexpr std::size_t kMaxNameUnits = 255;
#else
// The longest path this system takes for a file it reads or writes, in bytes.
inline constexpr std::size_t kMaxPathBytes = 4095;
// The longest file name (one path component), in bytes.
inline constexpr std::size_t kMaxNameBytes = 255;
#endif

// True when the path (UTF-8) or one of its components is longer than the system takes, so
// it is refused whole rather than cut short. On Windows the full path counts, the current
// folder included for a relative one; `directory` applies the tighter limit for folders.
[[nodiscard]] bool IsPathTooLong(std::string_view path, bool directory = false);

}  // namespace tintwell
