#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "bitmap/image_format.h"

namespace tintwell {

// What the output folder dialog does when its OK is pressed.
enum class DirectoryCheck {
    Accept,       // close the dialog with the text as it stands
    AskCreate,    // the folder does not exist: ask message 231, then MakeDirectoryPath
    NotWritable,  // message 230, stay in the dialog
    NotAFolder,   // a file (or anything but a folder) has the name: message 250, stay
    TooLong,      // message 248 with the path, stay in the dialog
};

struct DirectoryCheckResult {
    DirectoryCheck verdict = DirectoryCheck::Accept;
    // The folder that was checked: the text without leading white space and without one
    // trailing separator. This is what MakeDirectoryPath creates after a Yes.
    std::string path;
};

// Checks the text of the output folder dialog. An empty text (after white space) is
// accepted at once; the job refuses it later. A root ("/", "C:\") keeps its separator.
[[nodiscard]] DirectoryCheckResult CheckOutputDirectory(std::string_view text);

// Creates a folder and its missing parents. The climb to the parents stops below the first
// level: a parent without any separator ("C:" on Windows, "new1" of "new1/new2") is never
// created, so a relative path whose first level is missing fails. On POSIX the parent of
// "/a" is "", the root, which always exists, so "/a" itself is still created directly.
[[nodiscard]] bool MakeDirectoryPath(const std::string& path);

// True when a file can be written there: for a folder, a probe file can be created in it;
// for a file, it can be opened for writing.
[[nodiscard]] bool IsWritablePlace(const std::filesystem::path& path);

// The path an input file is written to in `format`: the folder (the system's separator added
// when it has none at its end), then the input's base name, then its extension as the input
// writes it when that names `format` ("Pic.BMP" stays "Pic.BMP"), else the format's own
// (".png" for "a.bmp" written as PNG).
[[nodiscard]] std::string OutputPathFor(std::string_view directory, std::string_view inputPath,
                                        ImageFormat format);

// The output folder remembered after a run, from the last output path: made absolute, its
// directory part without the trailing separator, unless that part is the root.
// "/out/a.bmp" gives "/out"; "/a.bmp" gives "/".
[[nodiscard]] std::string OutDirFromOutputPath(const std::string& outputPath);

}  // namespace tintwell
