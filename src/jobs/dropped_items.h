#pragma once

#include <string>
#include <vector>

#include "resources/string_table.h"

namespace tintwell {

// One item of a drop once its folders are expanded: a path, and where nothing can be read
// there, why.
struct DroppedItem {
    std::string path;
    Msg refusal = Msg::None;  // CannotOpen: nothing stands at the path, or a folder not listed
    std::string detail;       // why, in words
};

// The items of a drop (or of the command line) with every folder replaced by the image files
// (.bmp and .png) directly inside it, in name order (base names with ASCII letters folded, as
// the file list sorts them); its sub-folders and other files are left out. Files and anything
// that is not a folder stay as they are, in place. A path where nothing stands (however it is
// spelled, with a trailing separator or not) and a folder that cannot be listed stay as items
// refused with CannotOpen and the system's reason. Paths are UTF-8 on both sides.
[[nodiscard]] std::vector<DroppedItem> ExpandFolders(const std::vector<std::string>& items);

}  // namespace tintwell
