#pragma once

#include <string>
#include <vector>

namespace tintwell {

// The items of a drop (or of the command line) with every folder replaced by the image files
// (.bmp and .png) directly inside it, in name order (base names with ASCII letters folded, as
// the file list sorts them); its sub-folders and other files are left out. Files and anything that
// is not a folder stay as they are, in place. A folder that cannot be read adds nothing. Paths are
// UTF-8 on both sides.
// Runs on a worker: touches no Workspace state.
[[nodiscard]] std::vector<std::string> ExpandFolders(const std::vector<std::string>& items);

}  // namespace tintwell
