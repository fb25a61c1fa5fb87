#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "bitmap/image_format.h"
#include "resources/string_table.h"

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

// Creates a folder and its missing parents, climbing from the folder to the first parent
// that exists. The climb never tries to make a root, a drive ("C:") or a network share,
// which no folder creation can make; a relative path's first level is made like any other.
// False when the folder already exists.
[[nodiscard]] bool MakeDirectoryPath(const std::string& path);

// The one rule by which the window, the command-line tool and the palette folder get a
// folder: one that stands there (or a link to one) is taken, a missing one is made with its
// parents (MakeDirectoryPath). Msg::None, or why not: NotADirectory when something else has
// the name, CannotCreateDirectory when it cannot be made.
[[nodiscard]] Msg MakeFolder(const std::string& path);

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
