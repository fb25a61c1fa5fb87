#include "jobs/dropped_items.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "jobs/file_paths.h"

namespace tintwell {

// Runs on a worker: touches no Workspace state.
std::vector<std::string> ExpandFolders(const std::vector<std::string>& items) {
    namespace fs = std::filesystem;
    std::vector<std::string> expanded;
    expanded.reserve(items.size());
    for (const std::string& item : items) {
        const fs::path folder = PathFromUtf8(item);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            expanded.push_back(item);
            continue;
        }
        std::vector<std::string> bitmaps;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string path = Utf8FromPath(it->path());
            std::error_code kindError;
            if (ImageFormatOfExtension(path) && !it->is_directory(kindError))
                bitmaps.push_back(path);
        }
        // The listing's order is the file system's; names give the order the user sees.
        std::sort(bitmaps.begin(), bitmaps.end(), [](const std::string& a, const std::string& b) {
            const int order = CompareBaseNames(BaseNamePart(a), BaseNamePart(b));
            return order != 0 ? order < 0 : a < b;
        });
        expanded.insert(expanded.end(), bitmaps.begin(), bitmaps.end());
    }
    return expanded;
}

}  // namespace tintwell
