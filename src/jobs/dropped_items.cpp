#include "jobs/dropped_items.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "jobs/file_paths.h"

namespace tintwell {
namespace {

namespace fs = std::filesystem;

// The image files directly inside a folder, in the order the file list gives their names;
// the error when the folder cannot be listed.
std::vector<std::string> ImagesIn(const fs::path& folder, std::error_code& ec) {
    std::vector<std::string> images;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string path = Utf8FromPath(it->path());
        std::error_code kindError;
        if (ImageFormatOfExtension(path) && !it->is_directory(kindError)) images.push_back(path);
    }
    // The listing's order is the file system's; names give the order the user sees.
    std::sort(images.begin(), images.end(), [](const std::string& a, const std::string& b) {
        const int order = CompareBaseNames(BaseNamePart(a), BaseNamePart(b));
        return order != 0 ? order < 0 : a < b;
    });
    return images;
}

}  // namespace

std::vector<DroppedItem> ExpandFolders(const std::vector<std::string>& items) {
    std::vector<DroppedItem> expanded;
    expanded.reserve(items.size());
    for (const std::string& item : items) {
        const fs::path path = PathFromUtf8(item);
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (ec || !fs::exists(status)) {
            // "x/" for a file, a missing folder, a loop of links: nothing there to read.
            const std::string why = ec ? ec.message() : "no such file or folder";
            expanded.push_back({item, Msg::CannotOpen, why});
            continue;
        }
        if (!fs::is_directory(status)) {
            expanded.push_back({item, Msg::None, {}});
            continue;
        }
        std::vector<std::string> images = ImagesIn(path, ec);
        if (ec) {
            expanded.push_back(
                {item, Msg::CannotOpen, "a folder that cannot be read: " + ec.message()});
            continue;
        }
        for (std::string& image : images)
            expanded.push_back({std::move(image), Msg::None, {}});
    }
    return expanded;
}

}  // namespace tintwell
