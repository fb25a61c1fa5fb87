#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tintwell {

// Parts of a path as the file list and the output job use them. Both '/' and '\\' end a
// directory, so paths written either way split alike.

// Up to and including the last separator ("" when there is none).
[[nodiscard]] std::string_view DirectoryPart(std::string_view path);
// The file name up to its last dot ("a.b.bmp" -> "a.b"; "name" -> "name").
[[nodiscard]] std::string_view BaseNamePart(std::string_view path);
// The file name from its last dot on, with the dot ("" when the name has no dot).
[[nodiscard]] std::string_view ExtensionPart(std::string_view path);

// True when the extension is ".bmp" in any letter case.
[[nodiscard]] bool HasBmpExtension(std::string_view path);

// Orders base names byte by byte as unsigned bytes with ASCII A-Z folded to lower case:
// < 0, 0 or > 0. Other bytes (UTF-8 included) compare as they are.
[[nodiscard]] int CompareBaseNames(std::string_view a, std::string_view b);

// True when both paths name one file on disk (hard or symbolic links, relative forms and
// letter case on case-insensitive file systems included). A path that does not exist is
// the same as no other file.
[[nodiscard]] bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The longest path this system takes for a file it reads or writes, in bytes.
inline constexpr std::size_t kMaxPathBytes = 4095;
// The longest file name (one path component), in bytes.
inline constexpr std::size_t kMaxNameBytes = 255;

// True when the path or one of its components is longer than the platform takes.
[[nodiscard]] bool IsPathTooLong(std::string_view path);

}  // namespace tintwell
